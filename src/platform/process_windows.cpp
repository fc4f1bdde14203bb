// Starting the model on Windows: CreateProcessW with the full path found in
// the current directory first and then along PATH, in this order rather than
// the system's own search order, which starts elsewhere.

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A run in a slot has the slot's directory and an environment of its own.
struct StartPlace {
  const wchar_t* directory = nullptr;  // null: ours
  wchar_t* environment = nullptr;      // null: ours
};

// A start refused for a passing reason is tried again a few times, so that a
// long search does not end on a moment's shortage (seen under heavy load).
bool create_process(const std::wstring& path, std::wstring& command_line, STARTUPINFOW& startup,
                    PROCESS_INFORMATION& started, const StartPlace& place = {}) {
  // No window of its own: its output is ours, whether or not we have a console.
  const DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT;
  for (int attempt = 1;; ++attempt) {
    if (CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr, TRUE, flags,
                       place.environment, place.directory, &startup, &started)) {
      return true;
    }
    if (attempt == 5 || !is_passing(GetLastError())) return false;
    Sleep(20 * attempt);
  }
}

// The model's standard input is the null device; its output and error are ours.
struct ModelHandles {
  InheritedHandle input{open_null_input()};
  InheritedHandle output{inheritable_copy(STD_OUTPUT_HANDLE)};
  InheritedHandle error{inheritable_copy(STD_ERROR_HANDLE)};

  STARTUPINFOW startup() const {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = output.get();
    startup.hStdError = error.get();
    return startup;
  }
};

// Started suspended, so that a run is in its job before it can start anything.
bool start_suspended(const std::wstring& path, std::wstring& command_line,
                     PROCESS_INFORMATION& started, const StartPlace& place = {}) {
  const ModelHandles handles;
  if (!handles.input.valid()) return false;
  STARTUPINFOW startup = handles.startup();
  return create_process(path, command_line, startup, started, place);
}

ModelRun start_and_wait(const std::wstring& path, std::wstring& command_line,
                        std::int32_t time_limit_seconds) {
  PROCESS_INFORMATION started{};
  if (!start_suspended(path, command_line, started)) return ModelRun::not_started;
  const bool ended = wait_for_model(started, time_limit_seconds);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return ended ? ModelRun::ended : ModelRun::timed_out;
}

// A name the current directory or PATH leads to, as a full path: a run in a
// slot starts elsewhere.
std::wstring full_path(const std::wstring& path) {
  const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (length == 0) return path;
  std::wstring full(length, L'\0');
  full.resize(GetFullPathNameW(path.c_str(), length, full.data(), nullptr));
  return full;
}

// A launcher named without its extension is found as NAME.exe too.
std::optional<std::wstring> find_launcher(const std::wstring& name) {
  if (std::optional<std::wstring> found = find_program(name)) return found;
  if (name.find(L'.') != std::wstring::npos) return std::nullopt;
  return find_program(name + L".exe");
}

// Quoted so that the C runtime reads the command line back into these words.
void append_word(std::wstring& line, const std::wstring& word) {
  if (!line.empty()) line += L' ';
  if (!word.empty() && word.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += word;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t character : word) {
    if (character == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(character == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += character;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

// The program to start and its command line: the model itself, or the
// launcher's words followed by the model's full path; then "-c -r".
struct StartCommand {
  std::wstring path;
  std::wstring line;
};

std::optional<StartCommand> start_command(const ModelCommand& command, bool full) {
  const std::optional<std::wstring> model = find_program(windows::wide(command.program));
  if (!model) return std::nullopt;
  const std::wstring model_path = full || !command.launcher.empty() ? full_path(*model) : *model;
  if (command.launcher.empty()) return StartCommand{model_path, L"\"" + model_path + L"\" -c -r"};
  const std::optional<std::wstring> launcher = find_launcher(windows::wide(command.launcher[0]));
  if (!launcher) return std::nullopt;
  StartCommand start{full_path(*launcher), {}};
  for (const std::string& word : command.launcher) append_word(start.line, windows::wide(word));
  append_word(start.line, model_path);
  start.line += L" -c -r";
  return start;
}

}  // namespace

ModelRun run_model(const ModelCommand& command, std::int32_t time_limit_seconds) {
  std::optional<StartCommand> start = start_command(command, false);
  if (!start) return ModelRun::not_started;
  // The exit code is of no concern: the answer is in the work file.
  return start_and_wait(start->path, start->line, time_limit_seconds);
}

namespace {

enum class SlotState : std::uint8_t { idle, running, ended, timed_out };

// A run's job holds everything the run starts; closing the job's last
// handle ends whatever is left of it, also when genopt itself is ended.
struct Slot {
  std::wstring directory;
  std::wstring environment;  // ours with this slot's GENOPT_SLOT, as a block
  HANDLE process = nullptr;
  HANDLE job = nullptr;
  ULONGLONG deadline_ms = 0;
  SlotState state = SlotState::idle;
};

bool is_slot_variable(std::wstring_view entry) {
  constexpr std::wstring_view name = L"GENOPT_SLOT=";
  return entry.size() >= name.size() &&
         CompareStringOrdinal(entry.data(), static_cast<int>(name.size()), name.data(),
                              static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
}

// The system wants the block's entries in the order of their names, without
// regard to case.
std::wstring environment_of_slot(std::int32_t slot) {
  std::vector<std::wstring> entries;
  if (wchar_t* block = GetEnvironmentStringsW(); block != nullptr) {
    for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
      if (!is_slot_variable(entry)) entries.emplace_back(entry);
    }
    FreeEnvironmentStringsW(block);
  }
  entries.push_back(L"GENOPT_SLOT=" + std::to_wstring(slot));
  std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
  });
  std::wstring environment;
  for (const std::wstring& entry : entries) environment.append(entry).push_back(L'\0');
  environment.push_back(L'\0');
  return environment;
}

HANDLE new_job() {
  const HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

}  // namespace

// Runs end without a grace time here: a console program without a console
// of its own cannot be asked to end, only ended.
struct ModelRunSlots::Platform {
  ModelCommand command;
  std::vector<std::string> launcher;
  std::int32_t time_limit_seconds = 0;
  std::array<Slot, max_side_by_side_runs + 1> slots{};

  void finish(Slot& slot, SlotState state) {
    if (slot.job != nullptr) CloseHandle(slot.job);  // ends what the run left going
    if (slot.process != nullptr) CloseHandle(slot.process);
    slot.job = nullptr;
    slot.process = nullptr;
    slot.state = state;
  }

  void end_run(Slot& slot, SlotState state) {
    TerminateJobObject(slot.job, 1);
    WaitForSingleObject(slot.process, INFINITE);
    finish(slot, state);
  }

  void reap_ended() {
    for (Slot& slot : slots) {
      if (slot.state == SlotState::running && WaitForSingleObject(slot.process, 0) == WAIT_OBJECT_0)
        finish(slot, SlotState::ended);
    }
  }

  void end_overdue() {
    if (time_limit_seconds <= 0) return;
    for (Slot& slot : slots) {
      if (slot.state == SlotState::running && GetTickCount64() >= slot.deadline_ms)
        end_run(slot, SlotState::timed_out);
    }
  }

  // Sleeps until a run ends or the next time limit falls due.
  void sleep_until_a_run_ends() {
    std::array<HANDLE, max_side_by_side_runs> running{};
    DWORD count = 0;
    DWORD wait_ms = INFINITE;
    for (const Slot& slot : slots) {
      if (slot.state != SlotState::running) continue;
      running[count++] = slot.process;
      if (time_limit_seconds > 0) {
        const ULONGLONG now = GetTickCount64();
        const ULONGLONG left = slot.deadline_ms > now ? slot.deadline_ms - now : 0;
        wait_ms = std::min<ULONGLONG>(wait_ms, left);
      }
    }
    if (count > 0) WaitForMultipleObjects(count, running.data(), FALSE, wait_ms);
  }
};

ModelRunSlots::ModelRunSlots(const ModelCommand& command, std::int32_t time_limit_seconds)
    : platform_(std::make_unique<Platform>()) {
  Platform& platform = *platform_;
  platform.launcher.assign(command.launcher.begin(), command.launcher.end());
  platform.command = {command.program, platform.launcher};
  platform.time_limit_seconds = time_limit_seconds;
}

ModelRunSlots::~ModelRunSlots() { end_all(); }

void ModelRunSlots::set_directory(std::int32_t slot, std::string_view directory) {
  Slot& target = platform_->slots[slot];
  target.directory = full_path(windows::wide(directory));
  target.environment = environment_of_slot(slot);
}

bool ModelRunSlots::start(std::int32_t slot) {
  Platform& platform = *platform_;
  Slot& target = platform.slots[slot];
  std::optional<StartCommand> start = start_command(platform.command, true);
  if (!start) return false;
  const HANDLE job = new_job();
  if (job == nullptr) return false;
  PROCESS_INFORMATION started{};
  const StartPlace place{target.directory.c_str(), target.environment.data()};
  if (!start_suspended(start->path, start->line, started, place)) {
    CloseHandle(job);
    return false;
  }
  target.process = started.hProcess;
  target.job = job;
  if (!AssignProcessToJobObject(job, started.hProcess)) {
    TerminateProcess(started.hProcess, 1);
    WaitForSingleObject(started.hProcess, INFINITE);
    CloseHandle(started.hThread);
    platform.finish(target, SlotState::idle);
    return false;
  }
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  target.state = SlotState::running;
  target.deadline_ms = GetTickCount64() + ULONGLONG(platform.time_limit_seconds) * 1000;
  return true;
}

ModelRun ModelRunSlots::wait(std::int32_t slot) {
  Platform& platform = *platform_;
  Slot& target = platform.slots[slot];
  for (;;) {
    platform.reap_ended();
    platform.end_overdue();
    if (target.state != SlotState::running) break;
    platform.sleep_until_a_run_ends();
  }
  const SlotState state = target.state;
  target.state = SlotState::idle;
  return state == SlotState::timed_out ? ModelRun::timed_out : ModelRun::ended;
}

void ModelRunSlots::end_all() {
  Platform& platform = *platform_;
  for (Slot& slot : platform.slots) {
    if (slot.state == SlotState::running) platform.end_run(slot, SlotState::idle);
    slot.state = SlotState::idle;
  }
}

}  // namespace genopt
