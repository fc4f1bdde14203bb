#pragma once
// The initial population: random candidates inside the search range are
// evaluated until population_size feasible individuals are found or
// max_attempts attempts are spent.

#include "search/search_context.h"

namespace genopt {

// One coordinate of a random candidate from the draw r in (0, 1]. An integer
// variable may come out one below its lower bound or one above its upper
// bound; such a value is left for the model to judge.
double draw_coordinate(double lower, double upper, bool integer, float r);

// Fills population rows 1..generated_count with the feasible candidates in
// the order found, sorts them when the sorting rule applies, and reports the
// groups and any shortfall (after which the operator confirms and the search
// goes on with what was found; with nothing found, the run ends with the
// failure that names the attempts made). A failed evaluation is returned at once.
Outcome generate_initial_population(SearchContext& context);

}  // namespace genopt
