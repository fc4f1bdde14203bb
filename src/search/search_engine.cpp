#include "search/search_engine.h"

namespace genopt {

Outcome run_search(SearchContext& context) {
  Outcome outcome = context.reports.open(context.state);
  if (!outcome.ok()) return outcome;
  return context.reports.flush();
}

}  // namespace genopt
