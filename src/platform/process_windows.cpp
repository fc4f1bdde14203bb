// Model runs on Windows: CreateProcessW with the full path found in the
// current directory first and then along PATH, in this order rather than the
// system's own search order, which starts elsewhere. Every run is started
// suspended and put into a job of its own before it can start anything; the
// job ends everything it holds when its last handle is closed, also when
// genopt itself is ended in any way.

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process_system.h"
#include "platform/wide_text_windows.h"

namespace genopt::model_run_system {

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

// A slot's directory and environment block; slot 0 has ours.
struct Place {
  std::wstring directory;
  std::wstring environment;
  std::wstring line;  // the command line, which CreateProcessW may write into
};

}  // namespace

struct Starts {
  std::string program;
  std::vector<std::string> launcher;

  bool found = false;  // the programs are found at the first start
  std::wstring path;
  std::wstring line;
  std::array<Place, max_side_by_side_runs + 1> places{};

  bool find() {
    const std::optional<std::wstring> model = find_program(windows::wide(program));
    if (!model) return false;
    const std::wstring model_path = full_path(*model);
    if (launcher.empty()) {
      path = model_path;
      line = L"\"" + model_path + L"\" -c -r";
      return true;
    }
    const std::optional<std::wstring> found_launcher = find_launcher(windows::wide(launcher[0]));
    if (!found_launcher) return false;
    path = full_path(*found_launcher);
    line.clear();
    for (const std::string& word : launcher) append_word(line, windows::wide(word));
    append_word(line, model_path);
    line += L" -c -r";
    return true;
  }
};

void StartsDeleter::operator()(Starts* starts) const { delete starts; }

StartsPointer make_starts(const ModelCommand& command) {
  StartsPointer starts(new Starts);
  starts->program = command.program;
  starts->launcher.assign(command.launcher.begin(), command.launcher.end());
  return starts;
}

void set_directory(Starts& starts, std::int32_t slot, std::string_view directory) {
  Place& place = starts.places[static_cast<std::size_t>(slot)];
  place.directory = full_path(windows::wide(directory));
  place.environment = environment_of_slot(slot);
}

bool start(Starts& starts, std::int32_t slot, RunningProcess& run) {
  if (!starts.found) starts.found = starts.find();
  if (!starts.found) return false;
  Place& place = starts.places[static_cast<std::size_t>(slot)];
  place.line = starts.line;  // the same length every time: no allocation after the first
  const HANDLE job = new_job();
  if (job == nullptr) return false;
  const StartPlace where{place.directory.empty() ? nullptr : place.directory.c_str(),
                         place.environment.empty() ? nullptr : place.environment.data()};
  PROCESS_INFORMATION started{};
  if (!start_suspended(starts.path, place.line, started, where)) {
    CloseHandle(job);
    starts.found = false;  // looked up again at the next start
    return false;
  }
  if (!AssignProcessToJobObject(job, started.hProcess)) {
    TerminateProcess(started.hProcess, 1);
    WaitForSingleObject(started.hProcess, INFINITE);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    CloseHandle(job);
    return false;
  }
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  run.process = reinterpret_cast<std::intptr_t>(started.hProcess);
  run.group = reinterpret_cast<std::intptr_t>(job);
  return true;
}

namespace {

HANDLE process_of(const RunningProcess& run) { return reinterpret_cast<HANDLE>(run.process); }
HANDLE job_of(const RunningProcess& run) { return reinterpret_cast<HANDLE>(run.group); }

}  // namespace

bool has_ended(const RunningProcess& run) {
  return WaitForSingleObject(process_of(run), 0) == WAIT_OBJECT_0;
}

// A console program without a console of its own cannot be asked to end,
// only ended.
void ask_to_end(const RunningProcess& run) { TerminateJobObject(job_of(run), 1); }

void end_and_release(RunningProcess& run) {
  TerminateJobObject(job_of(run), 1);
  WaitForSingleObject(process_of(run), INFINITE);
  CloseHandle(job_of(run));
  CloseHandle(process_of(run));
  run = {};
}

void sleep_until_one_ends(Starts&, std::span<const RunningProcess> running,
                          std::int64_t longest_ms) {
  std::array<HANDLE, MAXIMUM_WAIT_OBJECTS> handles{};
  DWORD count = 0;
  for (const RunningProcess& run : running) {
    if (count < handles.size()) handles[count++] = process_of(run);
  }
  const auto wait_ms = static_cast<DWORD>(longest_ms);
  if (count == 0) {
    Sleep(wait_ms);
    return;
  }
  WaitForMultipleObjects(count, handles.data(), FALSE, wait_ms);
}

std::int64_t monotonic_ms() { return static_cast<std::int64_t>(GetTickCount64()); }

// Runs on the system's control thread; the jobs end what they hold at once.
void end_from_signal_handler(std::span<const std::atomic<std::intptr_t>> groups, std::int64_t) {
  for (const std::atomic<std::intptr_t>& group : groups) {
    if (const std::intptr_t job = group.load(); job != 0) {
      TerminateJobObject(reinterpret_cast<HANDLE>(job), 1);
    }
  }
}

}  // namespace genopt::model_run_system
