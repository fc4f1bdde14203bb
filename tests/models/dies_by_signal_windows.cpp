// A valid objective answer, then an end from outside the program's own exit
// path, as a crash or the task manager ends a Windows program: Windows has
// no signals to die by.
#include <windows.h>

#include "model_protocol.h"

int main() {
  model::answer_objective(model::sphere_objective(model::read_candidate()));
  TerminateProcess(GetCurrentProcess(), 0xC0000005);
}
