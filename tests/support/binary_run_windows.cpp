#include <windows.h>

#include <filesystem>
#include <string>
#include <thread>

#include "support/binary_run.h"
#include "support/build_paths.h"
#include "support/file_content.h"
#include "support/line_ends.h"
#include "support/temporary_directory.h"

namespace genopt::test_support {

namespace fs = std::filesystem;

namespace {

// Handles that the started program inherits; all others it does not.
SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};

class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle& operator=(HANDLE handle) {
    reset();
    handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    return *this;
  }
  HANDLE get() const { return handle_; }
  void reset() {
    if (handle_ != nullptr) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

HANDLE open_inherited(const fs::path& path, DWORD access, DWORD disposition) {
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void write_all(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written == 0) {
      return;
    }
    bytes.remove_prefix(written);
  }
}

}  // namespace

// The program is started as a console program without a window of its own;
// its standard handles are the ones given here, none when input is closed.
// Arguments are passed as they stand: the tests give none that need quoting.
ProgramRun run_genopt(std::string_view input, StandardInput kind,
                      const std::vector<std::string>& arguments) {
  const fs::path io_dir = make_temporary_directory("genopt-io");
  const fs::path in_name = io_dir / "in";
  const fs::path out_name = io_dir / "out";
  const fs::path err_name = io_dir / "err";

  Handle standard_input;
  Handle pipe_writer;
  switch (kind) {
    case StandardInput::file: {
      Handle file(open_inherited(in_name, GENERIC_WRITE, CREATE_ALWAYS));
      write_all(file.get(), input);
      file.reset();
      standard_input = open_inherited(in_name, GENERIC_READ, OPEN_EXISTING);
      break;
    }
    case StandardInput::pipe: {
      HANDLE reader = nullptr;
      HANDLE writer = nullptr;
      if (CreatePipe(&reader, &writer, nullptr, 0)) {
        SetHandleInformation(reader, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        standard_input = reader;
        pipe_writer = writer;
      }
      break;
    }
    case StandardInput::null_device:
      standard_input = open_inherited(L"NUL", GENERIC_READ, OPEN_EXISTING);
      break;
    case StandardInput::closed:
      break;
  }
  Handle standard_output(open_inherited(out_name, GENERIC_WRITE, CREATE_ALWAYS));
  Handle standard_error(open_inherited(err_name, GENERIC_WRITE, CREATE_ALWAYS));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  // A closed standard input is an invalid handle: a null one would be
  // replaced by the input of the program's (hidden) console.
  startup.hStdInput = kind == StandardInput::closed ? INVALID_HANDLE_VALUE : standard_input.get();
  startup.hStdOutput = standard_output.get();
  startup.hStdError = standard_error.get();
  const fs::path binary = genopt_binary();
  std::wstring command_line = L"\"" + binary.wstring() + L"\"";
  for (const std::string& argument : arguments) {
    // The tests' arguments hold no quotes: blanks are kept by quoting the whole.
    const std::wstring word = std::filesystem::path(argument).wstring();
    command_line +=
        word.find_first_of(L" \t") == std::wstring::npos ? L" " + word : L" \"" + word + L"\"";
  }
  PROCESS_INFORMATION process{};
  ProgramRun run;
  if (CreateProcessW(binary.c_str(), command_line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                     nullptr, nullptr, &startup, &process)) {
    Handle process_handle(process.hProcess);
    Handle thread_handle(process.hThread);
    standard_input.reset();
    // Fed while the program runs, as it may be more than the pipe holds; the
    // write fails once the program has ended.
    std::thread feeder([&] {
      if (pipe_writer.get() != nullptr) write_all(pipe_writer.get(), input);
      pipe_writer.reset();
    });
    WaitForSingleObject(process_handle.get(), INFINITE);
    feeder.join();
    DWORD exit_code = 0;
    if (GetExitCodeProcess(process_handle.get(), &exit_code)) {
      run.exit_status = static_cast<int>(exit_code);
    }
  }
  standard_input.reset();
  pipe_writer.reset();
  standard_output.reset();
  standard_error.reset();
  run.console = console_text(file_content(out_name));
  run.errors = file_content(err_name);
  std::error_code ignored;
  fs::remove_all(io_dir, ignored);
  return run;
}

}  // namespace genopt::test_support
