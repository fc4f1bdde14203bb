// Objective only: the sum of (x_i - 1)^2.
#include "model_protocol.h"

int main() { model::answer_objective(model::sphere_objective(model::read_candidate())); }
