// Starting the model on Windows: CreateProcessW with the full path found in
// the current directory first and then along PATH, in this order rather than
// the system's own search order, which starts elsewhere.

#include <windows.h>

#include <optional>
#include <string>

#include "platform/process.h"
#include "platform/wide_text_windows.h"

namespace genopt {

namespace {

bool is_file(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring current_directory() {
  const DWORD length = GetCurrentDirectoryW(0, nullptr);
  std::wstring directory(length, L'\0');
  directory.resize(GetCurrentDirectoryW(length, directory.data()));
  return directory;
}

std::wstring path_in(std::wstring directory, const std::wstring& program) {
  if (directory.size() >= 2 && directory.front() == L'"' && directory.back() == L'"') {
    directory = directory.substr(1, directory.size() - 2);
  }
  if (!directory.empty() && directory.back() != L'\\' && directory.back() != L'/') {
    directory += L'\\';
  }
  return directory + program;
}

std::wstring search_path() {
  const DWORD length = GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (length == 0) return {};
  std::wstring value(length, L'\0');
  value.resize(GetEnvironmentVariableW(L"PATH", value.data(), length));
  return value;
}

// A name with a directory in it is taken as it stands.
std::optional<std::wstring> find_program(const std::wstring& program) {
  if (program.find_first_of(L"\\/:") != std::wstring::npos) {
    if (is_file(program)) return program;
    return std::nullopt;
  }
  if (std::wstring here = path_in(current_directory(), program); is_file(here)) return here;
  const std::wstring directories = search_path();
  for (std::size_t start = 0; start < directories.size();) {
    std::size_t end = directories.find(L';', start);
    if (end == std::wstring::npos) end = directories.size();
    if (end > start) {
      std::wstring candidate = path_in(directories.substr(start, end - start), program);
      if (is_file(candidate)) return candidate;
    }
    start = end + 1;
  }
  return std::nullopt;
}

// A handle the model inherits; closed again when the start is over.
class InheritedHandle {
 public:
  explicit InheritedHandle(HANDLE handle) : handle_(handle) {}
  ~InheritedHandle() {
    if (valid()) CloseHandle(handle_);
  }
  InheritedHandle(const InheritedHandle&) = delete;
  InheritedHandle& operator=(const InheritedHandle&) = delete;

  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

HANDLE open_null_input() {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Our own handles are not inheritable; the model gets inheritable copies of
// our standard output and error, and nothing else of ours.
HANDLE inheritable_copy(DWORD standard_handle) {
  const HANDLE ours = GetStdHandle(standard_handle);
  HANDLE copy = nullptr;
  if (ours == nullptr || ours == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), ours, GetCurrentProcess(), &copy, 0, TRUE,
                       DUPLICATE_SAME_ACCESS)) {
    return nullptr;
  }
  return copy;
}

// The processes a limited model run starts: ended together when its time is
// up, and with the job's last handle in any case.
class ModelJob {
 public:
  ModelJob() : job_(CreateJobObjectW(nullptr, nullptr)) {
    if (job_ == nullptr) return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  ~ModelJob() {
    if (job_ != nullptr) CloseHandle(job_);
  }
  ModelJob(const ModelJob&) = delete;
  ModelJob& operator=(const ModelJob&) = delete;

  bool take(HANDLE process) { return job_ != nullptr && AssignProcessToJobObject(job_, process); }
  void end_all() { TerminateJobObject(job_, 1); }

 private:
  HANDLE job_;
};

// Waits for the started model; false when its time ran out first.
bool wait_for_model(const PROCESS_INFORMATION& started, std::int32_t time_limit_seconds) {
  if (time_limit_seconds <= 0) {
    ResumeThread(started.hThread);
    WaitForSingleObject(started.hProcess, INFINITE);
    return true;
  }
  ModelJob job;
  if (!job.take(started.hProcess)) {
    TerminateProcess(started.hProcess, 1);
    WaitForSingleObject(started.hProcess, INFINITE);
    return false;
  }
  ResumeThread(started.hThread);
  const DWORD limit_ms = static_cast<DWORD>(time_limit_seconds) * 1000;
  if (WaitForSingleObject(started.hProcess, limit_ms) == WAIT_OBJECT_0) return true;
  job.end_all();
  WaitForSingleObject(started.hProcess, INFINITE);
  return false;
}

// Errors of a system short of something for a moment, not of the model.
bool is_passing(DWORD error) {
  switch (error) {
    case ERROR_INTERNAL_ERROR:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
    case ERROR_COMMITMENT_LIMIT:
      return true;
    default:
      return false;
  }
}

// A start refused for a passing reason is tried again a few times, so that a
// long search does not end on a moment's shortage (seen under heavy load).
bool create_process(const std::wstring& path, std::wstring& command_line, STARTUPINFOW& startup,
                    PROCESS_INFORMATION& started) {
  // No window of its own: its output is ours, whether or not we have a console.
  const DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW;
  for (int attempt = 1;; ++attempt) {
    if (CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr, TRUE, flags, nullptr,
                       nullptr, &startup, &started)) {
      return true;
    }
    if (attempt == 5 || !is_passing(GetLastError())) return false;
    Sleep(20 * attempt);
  }
}

ModelRun start_and_wait(const std::wstring& path, std::int32_t time_limit_seconds) {
  const InheritedHandle input(open_null_input());
  const InheritedHandle output(inheritable_copy(STD_OUTPUT_HANDLE));
  const InheritedHandle error(inheritable_copy(STD_ERROR_HANDLE));
  if (!input.valid()) return ModelRun::not_started;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.get();
  startup.hStdOutput = output.get();
  startup.hStdError = error.get();
  std::wstring command_line = L"\"" + path + L"\" -c -r";
  PROCESS_INFORMATION started{};
  // Started suspended, so that a limited run is in its job before it can start anything.
  if (!create_process(path, command_line, startup, started)) return ModelRun::not_started;
  const bool ended = wait_for_model(started, time_limit_seconds);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return ended ? ModelRun::ended : ModelRun::timed_out;
}

}  // namespace

// A launcher is refused on the command line here (side_by_side_runs_supported).
ModelRun run_model(const ModelCommand& command, std::int32_t time_limit_seconds) {
  const char* program = command.program;
  const std::optional<std::wstring> path = find_program(windows::wide(program));
  if (!path) return ModelRun::not_started;
  // The exit code is of no concern: the answer is in the work file.
  return start_and_wait(*path, time_limit_seconds);
}

// Runs side by side in slot directories are not built for Windows yet: the
// command line refuses --jobs above 1 and --launcher there, and no slot is
// ever started.
bool side_by_side_runs_supported() { return false; }

struct ModelRunSlots::Platform {};

ModelRunSlots::ModelRunSlots(const ModelCommand&, std::int32_t) {}
ModelRunSlots::~ModelRunSlots() = default;
void ModelRunSlots::set_directory(std::int32_t, std::string_view) {}
bool ModelRunSlots::start(std::int32_t) { return false; }
ModelRun ModelRunSlots::wait(std::int32_t) { return ModelRun::not_started; }
void ModelRunSlots::end_all() {}

}  // namespace genopt
