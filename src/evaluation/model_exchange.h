#pragma once
// One evaluation: the candidate goes to the model through the work file and
// the model's answer comes back, either the objective or one constraint.

#include <span>
#include <string>
#include <string_view>

#include "state/search_state.h"
#include "text/outcome.h"

namespace genopt {

// Reads one real and one integer from the start of the model's `answer` into
// the persistent buffers rab_value and rab_index: a lone number is the
// objective, a number and an index set that constraint value. An answer
// without a number is a failure, as is one of the wrong form or with an index
// outside 1..M. The caller has zeroed constraint_values(1..M).
Outcome take_answer(std::string_view answer, std::int32_t constraint_count,
                    EvaluationRecord& evaluation);

// X_real(1..N) as the work file's record: three values a line, each to 15
// significant digits.
void make_record(const Vector1<double, max_variables>& X_real, std::int32_t variable_count,
                 std::string& record);

// Counts a completed exchange: the model run, and the first violated
// constraint of the answer.
void count_evaluation(EvaluationRecord& evaluation, std::int32_t constraint_count);

// The last evaluation is feasible when none of its M constraint values is
// below 0: neither -0.0 nor a NaN makes a candidate infeasible.
bool is_feasible(const EvaluationRecord& evaluation, std::int32_t constraint_count);

// The objective of the last evaluation in the form the search compares:
// negated when maximising (objective_sense 0), so that smaller is better everywhere.
double stored_objective(const EvaluationRecord& evaluation, std::int32_t objective_sense);

}  // namespace genopt
