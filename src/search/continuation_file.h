#pragma once
// The continuation file carries a narrowed search range from one run to the
// next: a run in the relative mode writes, for every variable, one relative
// step on either side of its best point; a run in the continuation mode
// starts from those ranges. Failures here are the platform's: the run ends
// with a message on standard error and a non-zero exit status.

#include "report/report_file.h"
#include "state/search_state.h"
#include "text/outcome.h"

namespace genopt {

// Replaces lower_bound and upper_bound(1..N) by the 2N values of Z_NEPR_ZELL.
Outcome read_continuation_file(SearchState& state);

// Around `best` (relative coordinates 1..N): Z_NEPR_ZELL with the new real
// ranges, Z_NEPR_ZELL_otl with the real ranges this run started from. Sets
// lower_bound and upper_bound to the new ranges in relative units.
Outcome write_continuation_files(SearchState& state, const Row& best);

}  // namespace genopt
