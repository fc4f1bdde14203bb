#pragma once
// Everything a search works with besides the state, one per run, and how a
// step of the search loop ends.

#include <cstdint>

#include "evaluation/evaluation_queue.h"
#include "platform/console.h"
#include "report/report_files.h"
#include "state/search_state.h"
#include "text/outcome.h"

namespace genopt {

struct SearchContext {
  SearchState& state;
  EvaluationQueue& queue;  // every evaluation
  ReportFiles& reports;
  Console& console;
};

// Evaluates state.evaluation.candidate in the run directory.
inline Outcome evaluate_candidate(SearchContext& context) {
  return evaluate_candidate(context.state.evaluation, problem_view(context.state), context.queue);
}

// How a step of the search loop ended when no failure ended it.
enum class StepEnd : std::uint8_t {
  completed,
  stopped,  // the operator pressed "1"
};

struct [[nodiscard]] StepResult {
  Outcome outcome{};  // a failure ends the run, whatever `end` says
  StepEnd end = StepEnd::completed;
};

}  // namespace genopt
