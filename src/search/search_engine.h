#pragma once
// The search engine: set-up, initial population, the search loop and the
// final results, over the one search state.

#include "evaluation/model_exchange.h"
#include "report/report_files.h"
#include "platform/console.h"
#include "state/search_state.h"
#include "text/outcome.h"

namespace genopt {

// Everything a search works with besides the state; one per run.
struct SearchContext {
  SearchState& state;
  ModelExchange& exchange;
  ReportFiles& reports;
  Console& console;
};

Outcome run_search(SearchContext& context);

}  // namespace genopt
