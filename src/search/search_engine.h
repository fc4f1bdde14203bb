#pragma once
// The search engine: set-up, initial population, the search loop and the
// final results, over the one search state.

#include "search/search_context.h"

namespace genopt {

Outcome run_search(SearchContext& context);

}  // namespace genopt
