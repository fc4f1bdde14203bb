// A valid objective answer, and a child left running in the background, as
// a model that starts a helper (a licence check, a solver daemon) and forgets it.
// The child holds a named mutex while it lives, so that a test can see it.
#include <windows.h>

#include <string>

#include "model_protocol.h"

const wchar_t* const lingering_mutex = L"genopt-test-lingering-child";

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--linger") {
    CreateMutexW(nullptr, FALSE, lingering_mutex);
    Sleep(3600 * 1000);
    return 0;
  }
  const std::vector<double> x = model::read_candidate();
  wchar_t own_path[MAX_PATH];
  GetModuleFileNameW(nullptr, own_path, MAX_PATH);
  std::wstring command_line = std::wstring(L"\"") + own_path + L"\" --linger";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (CreateProcessW(own_path, command_line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                     nullptr, nullptr, &startup, &started)) {
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    // The answer only once the child is there to be seen.
    for (int wait = 0; wait < 1000; ++wait) {
      const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, lingering_mutex);
      if (mutex != nullptr) {
        CloseHandle(mutex);
        break;
      }
      Sleep(10);
    }
  }
  model::answer_objective(model::sphere_objective(x));
}
