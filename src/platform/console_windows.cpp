// The console on Windows. A console window is written in UTF-16, so that the
// Cyrillic texts are right whatever its code page, and read as key events
// and typed lines. A pipe or a file gets CP866 with CR LF, and its bytes are
// the keys and the lines.

#include <io.h>
#include <windows.h>

#include <atomic>
#include <cassert>
#include <condition_variable>
#include <cstdint>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/console_system.h"

namespace genopt::console_system {

namespace {

// What restore_found_mode needs, on the control thread; only one console
// is in key mode at a time.
struct KeyModeRecord {
  HANDLE input = INVALID_HANDLE_VALUE;
  DWORD found_mode = 0;  // the console's input mode before key mode
};
KeyModeRecord key_mode_record;
std::atomic<bool> key_mode_record_valid{false};

HANDLE handle_of(int fd) {
  const intptr_t handle = _get_osfhandle(fd);
  // -2: the descriptor has no stream behind it (started without one).
  if (handle == -1 || handle == -2 || handle == 0) return INVALID_HANDLE_VALUE;
  return reinterpret_cast<HANDLE>(handle);
}

bool is_console(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

enum class InputKind { console, pipe, disk_file, no_keys };

InputKind input_kind_of(HANDLE input) {
  if (input == INVALID_HANDLE_VALUE) return InputKind::no_keys;
  if (is_console(input)) return InputKind::console;
  switch (GetFileType(input)) {
    case FILE_TYPE_PIPE:
      return InputKind::pipe;
    case FILE_TYPE_DISK:
      return InputKind::disk_file;
    default:  // the NUL device, or a device that gives no keys
      return InputKind::no_keys;
  }
}

void utf8_to_utf16(std::string_view bytes, std::wstring& out) {
  out.clear();
  const int size = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
  if (units <= 0) return;
  out.resize(static_cast<std::size_t>(units));
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, out.data(), units);
}

// A table of our own rather than the system's code pages, which differ
// between installations.
char cp866_of(wchar_t unit) {
  if (unit < 0x80) return static_cast<char>(unit);
  if (unit >= 0x0410 && unit <= 0x043F) return static_cast<char>(0x80 + (unit - 0x0410));
  if (unit >= 0x0440 && unit <= 0x044F) return static_cast<char>(0xE0 + (unit - 0x0440));
  switch (unit) {
    case 0x0401:  // Ё
      return static_cast<char>(0xF0);
    case 0x0451:  // ё
      return static_cast<char>(0xF1);
    case 0x2116:  // №
      return static_cast<char>(0xFC);
    case 0x00A0:  // no-break space
      return static_cast<char>(0xFF);
    default:
      return '?';
  }
}

// CP866 with the platform's CR LF line ends, for a pipe or a file.
void utf16_to_cp866_lines(std::wstring_view units, std::string& out) {
  out.clear();
  for (const wchar_t unit : units) {
    if (unit >= 0xDC00 && unit <= 0xDFFF) continue;  // the high half already gave its '?'
    if (unit == L'\n') out.push_back('\r');
    out.push_back(cp866_of(unit));
  }
}

// Best effort, as the writes below: a closed or failing console must not stop the search.
void write_all_to_console(HANDLE output, std::wstring_view units) {
  while (!units.empty()) {
    DWORD written = 0;
    const auto size = static_cast<DWORD>(units.size());
    if (!WriteConsoleW(output, units.data(), size, &written, nullptr) || written == 0) return;
    units.remove_prefix(written);
  }
}

void write_all_to_file(HANDLE output, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const auto size = static_cast<DWORD>(bytes.size());
    if (!WriteFile(output, bytes.data(), size, &written, nullptr) || written == 0) return;
    bytes.remove_prefix(written);
  }
}

bool is_key_press(const INPUT_RECORD& record) {
  return record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
         record.Event.KeyEvent.uChar.UnicodeChar != 0;
}

// Wine hands a pipe of the Unix shell over in a form that cannot be peeked
// (PeekNamedPipe is not supported on it). A thread of its own then waits on
// the pipe, so that a poll still never blocks.
bool pipe_cannot_be_peeked(HANDLE pipe) {
  DWORD available = 0;
  if (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
  const DWORD error = GetLastError();
  return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION;
}

class PipeReader {
 public:
  explicit PipeReader(HANDLE pipe) : shared_(std::make_shared<Shared>()) {
    // Detached: it may wait in ReadFile until the program ends.
    std::thread(read_until_end, pipe, shared_).detach();
  }

  // The count of bytes put in `buffer`; 0 when none is there yet, -1 at the
  // end of the pipe. Waits for one of them when `wait` is set.
  long take(char* buffer, std::size_t size, bool wait) {
    std::unique_lock<std::mutex> lock(shared_->mutex);
    if (wait) {
      shared_->arrived.wait(lock, [&] { return !shared_->bytes.empty() || shared_->ended; });
    }
    if (shared_->bytes.empty()) return shared_->ended ? -1 : 0;
    const std::size_t count = size < shared_->bytes.size() ? size : shared_->bytes.size();
    shared_->bytes.copy(buffer, count);
    shared_->bytes.erase(0, count);
    return static_cast<long>(count);
  }

 private:
  struct Shared {
    std::mutex mutex;
    std::condition_variable arrived;
    std::string bytes;  // read and not yet taken
    bool ended = false;
  };

  static void read_until_end(HANDLE pipe, std::shared_ptr<Shared> shared) {
    char chunk[4096];
    for (;;) {
      DWORD count = 0;
      const bool read = ReadFile(pipe, chunk, sizeof chunk, &count, nullptr) && count > 0;
      std::lock_guard<std::mutex> lock(shared->mutex);
      if (read) shared->bytes.append(chunk, count);
      shared->ended = !read;  // Wine reads 0 bytes at the end of such a pipe
      shared->arrived.notify_all();
      if (!read) return;
    }
  }

  std::shared_ptr<Shared> shared_;
};

Read got(DWORD count) { return {Read::Result::bytes, count}; }
constexpr Read nothing_now{Read::Result::nothing_now};
constexpr Read ended{Read::Result::ended};

Read from_pipe_reader(long count) {
  if (count > 0) return got(static_cast<DWORD>(count));
  return count == 0 ? nothing_now : ended;
}

}  // namespace

void restore_found_mode() {
  if (key_mode_record_valid) SetConsoleMode(key_mode_record.input, key_mode_record.found_mode);
}

std::int64_t monotonic_ns() {
  static const std::int64_t ticks_per_second = [] {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
  }();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  // In two parts, so that a long uptime does not overflow.
  const std::int64_t seconds = now.QuadPart / ticks_per_second;
  const std::int64_t rest = now.QuadPart % ticks_per_second;
  return seconds * 1'000'000'000 + rest * 1'000'000'000 / ticks_per_second;
}

struct System::Handles {
  Handles(int input_fd, int output_fd)
      : input(handle_of(input_fd)),
        output(handle_of(output_fd)),
        input_kind(input_kind_of(input)),
        output_is_console(is_console(output)) {
    if (input_kind == InputKind::pipe && pipe_cannot_be_peeked(input)) {
      pipe_reader = std::make_unique<PipeReader>(input);
    }
  }

  bool pipe_is_open() const {
    DWORD available = 0;
    return PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr) != 0;
  }

  const HANDLE input;
  const HANDLE output;
  const InputKind input_kind;
  const bool output_is_console;
  bool in_key_mode = false;
  DWORD found_mode = 0;  // the console's own input mode, given back after key mode
  bool line_mode_set = false;
  DWORD mode_before_lines = 0;

  // Kept between lines: the search loop writes without allocating.
  std::wstring wide_out;
  std::string narrow_out;

  std::unique_ptr<PipeReader> pipe_reader;  // only for a pipe that cannot be peeked
  wchar_t typed[512];
};

System::System(int input_fd, int output_fd)
    : handles_(std::make_unique<Handles>(input_fd, output_fd)) {}

System::~System() = default;

void System::write_out(std::string_view bytes) {
  Handles& handles = *handles_;
  if (bytes.empty() || handles.output == INVALID_HANDLE_VALUE) return;
  utf8_to_utf16(bytes, handles.wide_out);
  if (handles.output_is_console) {
    write_all_to_console(handles.output, handles.wide_out);
  } else {
    utf16_to_cp866_lines(handles.wide_out, handles.narrow_out);
    write_all_to_file(handles.output, handles.narrow_out);
  }
}

bool System::gives_key_events() const { return handles_->input_kind == InputKind::console; }

// A key is its UTF-16 character.
int System::take_key_event() {
  const HANDLE input = handles_->input;
  INPUT_RECORD record{};
  DWORD count = 0;
  while (PeekConsoleInputW(input, &record, 1, &count) && count == 1) {
    if (!ReadConsoleInputW(input, &record, 1, &count) || count != 1) break;
    if (is_key_press(record)) return record.Event.KeyEvent.uChar.UnicodeChar;
  }
  return -1;
}

// In pieces when the line is longer than the buffer. A line opened by Ctrl-Z,
// the console's end of input, ends only this wait; so does Ctrl-C, which
// breaks off the read.
LineRead System::read_typed_line() {
  Handles& handles = *handles_;
  LineRead line;
  bool first_piece = true;
  bool only_line_ends = true;
  for (;;) {
    DWORD count = 0;
    const auto size = static_cast<DWORD>(std::size(handles.typed));
    if (!ReadConsoleW(handles.input, handles.typed, size, &count, nullptr) || count == 0) {
      return line;
    }
    const std::wstring_view piece(handles.typed, count);
    if (first_piece && piece.front() == L'\x1a') return line;
    first_piece = false;
    only_line_ends = only_line_ends && piece.find_first_not_of(L"\r\n") == piece.npos;
    if (piece.back() == L'\n') break;
  }
  line.complete = true;
  line.empty = only_line_ends;
  return line;
}

// A pipe or a file; a console gives key events, and the NUL device no keys.
Read System::read_waiting(char* buffer, std::size_t size) {
  Handles& handles = *handles_;
  if (handles.input_kind == InputKind::no_keys) return ended;
  if (handles.pipe_reader) return from_pipe_reader(handles.pipe_reader->take(buffer, size, false));
  auto wanted = static_cast<DWORD>(size);
  if (handles.input_kind == InputKind::pipe) {
    DWORD available = 0;
    if (!PeekNamedPipe(handles.input, nullptr, 0, nullptr, &available, nullptr)) return ended;
    if (available == 0) return nothing_now;
    if (available < wanted) wanted = available;
  }
  DWORD count = 0;
  if (!ReadFile(handles.input, buffer, wanted, &count, nullptr)) return ended;
  if (count > 0) return got(count);
  return handles.input_kind == InputKind::pipe ? nothing_now : ended;
}

Read System::read_blocking(char* buffer, std::size_t size) {
  Handles& handles = *handles_;
  if (handles.input_kind == InputKind::no_keys) return ended;
  if (handles.pipe_reader) return from_pipe_reader(handles.pipe_reader->take(buffer, size, true));
  for (;;) {
    DWORD count = 0;
    if (!ReadFile(handles.input, buffer, static_cast<DWORD>(size), &count, nullptr)) return ended;
    if (count > 0) return got(count);
    // An empty write reads as 0 bytes from a pipe without ending it.
    if (handles.input_kind != InputKind::pipe || !handles.pipe_is_open()) return ended;
  }
}

bool System::in_key_mode() const { return handles_->in_key_mode; }

bool System::record_found_mode() {
  Handles& handles = *handles_;
  if (handles.input_kind != InputKind::console) return false;
  if (!GetConsoleMode(handles.input, &handles.found_mode)) return false;
  assert(!key_mode_record_valid && "one console in key mode at a time");
  key_mode_record.input = handles.input;
  key_mode_record.found_mode = handles.found_mode;
  key_mode_record_valid = true;
  return true;
}

void System::enter_key_mode() {
  Handles& handles = *handles_;
  SetConsoleMode(handles.input, handles.found_mode & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
  // Wine's console on a Unix terminal leaves that terminal echoing until a
  // program first looks at the input: one look now, so that keys typed
  // before the first poll are not echoed. It takes nothing.
  INPUT_RECORD record{};
  DWORD count = 0;
  PeekConsoleInputW(handles.input, &record, 1, &count);
  handles.in_key_mode = true;
}

void System::leave_key_mode() {
  Handles& handles = *handles_;
  SetConsoleMode(handles.input, handles.found_mode);
  key_mode_record_valid = false;
  handles.in_key_mode = false;
}

// Lines are read with the console's own editing and echo, also in the middle
// of key mode or when the console was found without them.
void System::begin_line_mode() {
  Handles& handles = *handles_;
  handles.line_mode_set = handles.input_kind == InputKind::console &&
                          GetConsoleMode(handles.input, &handles.mode_before_lines);
  if (handles.line_mode_set) {
    SetConsoleMode(handles.input, handles.mode_before_lines | ENABLE_LINE_INPUT |
                                      ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
  }
}

void System::end_line_mode() {
  const Handles& handles = *handles_;
  if (handles.line_mode_set) SetConsoleMode(handles.input, handles.mode_before_lines);
}

}  // namespace genopt::console_system
