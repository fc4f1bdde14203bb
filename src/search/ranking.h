#pragma once
// Ranking of the intermediate array by stored objective, best first, with the
// count of coinciding solutions, the copies that the offspring step works
// from, and the test that keeps a second copy of a held point out.

#include "report/report_files.h"
#include "state/search_state.h"

namespace genopt {

// After the tournaments: ranks rows 1..population_size of intermediate, sets
// coinciding_count, writes the trace after ranking when trace_intermediate is
// 1, and copies the ranked rows into parent_table and row 1 into best_vector.
void rank_intermediate(SearchState& state, ReportFiles& reports);

// After a child has entered the worst row: the ranking alone. parent_table and
// best_vector keep what the iteration started with.
void rerank_intermediate(SearchState& state);

// True when some row 1..population_size of intermediate equals the child in
// all N coordinates; the stored objective plays no part.
bool holds_coordinates(const SearchState& state, const Row& child);

// At the end of the iteration the intermediate array becomes the population.
void carry_to_population(SearchState& state);

}  // namespace genopt
