#pragma once
// Between the ending signals' shared part and each platform's handler.

namespace genopt::ending_signals {

// Called by the platform's handler before the program ends.
void act_before_ending();

}  // namespace genopt::ending_signals
