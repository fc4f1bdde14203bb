// The console on Windows. A console window is written in UTF-16, so that the
// Cyrillic texts are right whatever its code page, and read as key events
// and typed lines. A pipe or a file gets CP866 with CR LF, and its bytes are
// the keys, read through one read-ahead buffer that the key polls and the
// pauses share, so that keys and lines are taken in the order they were written.

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

#include "platform/console.h"

namespace genopt {
namespace {

// What the control handler needs to give the console back; only one console
// is in key mode at a time.
struct KeyModeRecord {
  HANDLE input = INVALID_HANDLE_VALUE;
  DWORD found_mode = 0;  // the console's input mode before key mode
};
KeyModeRecord key_mode_record;
std::atomic<bool> key_mode_record_valid{false};

// Runs on a thread of its own at Ctrl-C, Ctrl-Break or the closing of the
// window; returning FALSE lets the default action end the program.
BOOL WINAPI restore_console_mode(DWORD) {
  if (key_mode_record_valid) SetConsoleMode(key_mode_record.input, key_mode_record.found_mode);
  return FALSE;
}

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

std::int64_t performance_ticks() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

std::int64_t performance_ticks_per_second() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
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

enum class Refill { got_bytes, nothing_now, ended };

}  // namespace

struct Console::Platform {
  // After a refill found nothing, the next one waits for this many polls or
  // this much time, whichever comes first: the poll must stay nearly free
  // while still seeing a key within milliseconds at any poll rate.
  static constexpr int kPollsBetweenRefills = 256;
  static constexpr int kPollsBetweenClockReads = 8;
  static constexpr std::int64_t kRefillsPerSecond = 500;

  Platform(int input_fd, int output_fd)
      : input(handle_of(input_fd)),
        output(handle_of(output_fd)),
        input_kind(input_kind_of(input)),
        output_is_console(is_console(output)),
        ticks_between_refills(performance_ticks_per_second() / kRefillsPerSecond),
        input_ended(input_kind == InputKind::no_keys) {
    if (input_kind == InputKind::pipe && pipe_cannot_be_peeked(input)) {
      pipe_reader = std::make_unique<PipeReader>(input);
    }
  }

  void write_out(std::string_view bytes) {
    if (bytes.empty() || output == INVALID_HANDLE_VALUE) return;
    utf8_to_utf16(bytes, wide_out);
    if (output_is_console) {
      write_all_to_console(output, wide_out);
    } else {
      utf16_to_cp866_lines(wide_out, narrow_out);
      write_all_to_file(output, narrow_out);
    }
  }

  bool has_byte() const { return next < end; }
  unsigned char take_byte() {
    const auto byte = static_cast<unsigned char>(buffer[next++]);
    if (next == end) refill_at_once = true;
    return byte;
  }

  bool refill_due() {
    if (refill_at_once) return true;
    ++polls_since_refill;
    if (polls_since_refill >= kPollsBetweenRefills) return true;
    if (polls_since_refill % kPollsBetweenClockReads != 0) return false;
    return performance_ticks() - last_refill_ticks >= ticks_between_refills;
  }

  void note_empty_refill() {
    refill_at_once = false;
    polls_since_refill = 0;
    last_refill_ticks = performance_ticks();
  }

  // The next key pressed at the console, or -1; other events are dropped.
  int take_console_key() {
    INPUT_RECORD record{};
    DWORD count = 0;
    while (PeekConsoleInputW(input, &record, 1, &count) && count == 1) {
      if (!ReadConsoleInputW(input, &record, 1, &count) || count != 1) break;
      if (is_key_press(record)) {
        refill_at_once = true;  // keys typed ahead come one a poll
        return record.Event.KeyEvent.uChar.UnicodeChar;
      }
    }
    return -1;
  }

  // Takes what is waiting in a pipe or a file, without blocking.
  Refill refill_if_waiting() {
    if (pipe_reader) return from_pipe_reader(pipe_reader->take(buffer, sizeof buffer, false));
    DWORD wanted = sizeof buffer;
    if (input_kind == InputKind::pipe) {
      DWORD available = 0;
      if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) return end_input();
      if (available == 0) return Refill::nothing_now;
      if (available < wanted) wanted = available;
    }
    DWORD count = 0;
    if (!ReadFile(input, buffer, wanted, &count, nullptr)) return end_input();
    if (count > 0) return store(count);
    return input_kind == InputKind::pipe ? Refill::nothing_now : end_input();
  }

  // Waits for the bytes of a pipe or a file.
  Refill refill_blocking() {
    if (pipe_reader) return from_pipe_reader(pipe_reader->take(buffer, sizeof buffer, true));
    for (;;) {
      DWORD count = 0;
      if (!ReadFile(input, buffer, sizeof buffer, &count, nullptr)) return end_input();
      if (count > 0) return store(count);
      // An empty write reads as 0 bytes from a pipe without ending it.
      if (input_kind != InputKind::pipe || !pipe_is_open()) return end_input();
    }
  }

  bool pipe_is_open() {
    DWORD available = 0;
    return PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr) != 0;
  }

  Refill from_pipe_reader(long count) {
    if (count > 0) return store(static_cast<DWORD>(count));
    return count == 0 ? Refill::nothing_now : end_input();
  }

  Refill store(DWORD count) {
    next = 0;
    end = count;
    return Refill::got_bytes;
  }
  Refill end_input() {
    input_ended = true;
    return Refill::ended;
  }

  struct LineRead {
    bool complete = false;  // false when the input ended first
    bool empty = true;
  };

  LineRead read_line() {
    if (input_kind == InputKind::console) return read_console_line();
    return read_buffered_line();
  }

  // Consumes one line of a pipe or a file, in pieces when it is longer than
  // the buffer; a lone CR before the LF counts as empty.
  LineRead read_buffered_line() {
    LineRead line;
    std::size_t length = 0;
    bool first_is_cr = false;
    for (;;) {
      if (!has_byte()) {
        if (input_ended || refill_blocking() != Refill::got_bytes) return line;
        continue;
      }
      const char byte = buffer[next++];
      if (byte == '\n') break;
      if (length == 0) first_is_cr = byte == '\r';
      if (length < 2) ++length;
    }
    if (!has_byte()) refill_at_once = true;
    line.complete = true;
    line.empty = length == 0 || (length == 1 && first_is_cr);
    return line;
  }

  // Consumes one typed line, in pieces when it is longer than the buffer. A
  // line opened by Ctrl-Z, the console's end of input, ends only this wait;
  // so does Ctrl-C, which breaks off the read.
  LineRead read_console_line() {
    LineRead line;
    bool first_piece = true;
    bool only_line_ends = true;
    for (;;) {
      DWORD count = 0;
      const auto size = static_cast<DWORD>(std::size(typed));
      if (!ReadConsoleW(input, typed, size, &count, nullptr) || count == 0) return line;
      const std::wstring_view piece(typed, count);
      if (first_piece && piece.front() == L'\x1a') return line;
      first_piece = false;
      only_line_ends = only_line_ends && piece.find_first_not_of(L"\r\n") == piece.npos;
      if (piece.back() == L'\n') break;
    }
    line.complete = true;
    line.empty = only_line_ends;
    return line;
  }

  // Lines are read with the console's own editing and echo, also in the
  // middle of key mode or when the console was found without them.
  void begin_line_mode() {
    line_mode_set = input_kind == InputKind::console && GetConsoleMode(input, &mode_before_lines);
    if (line_mode_set) {
      SetConsoleMode(input, mode_before_lines | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                                ENABLE_PROCESSED_INPUT);
    }
  }
  void end_line_mode() {
    if (line_mode_set) SetConsoleMode(input, mode_before_lines);
  }

  const HANDLE input;
  const HANDLE output;
  const InputKind input_kind;
  const bool output_is_console;
  const std::int64_t ticks_between_refills;
  bool in_key_mode = false;
  DWORD found_mode = 0;  // the console's own input mode, given back after key mode
  bool line_mode_set = false;
  DWORD mode_before_lines = 0;

  // Kept between lines: the search loop writes without allocating.
  std::wstring wide_out;
  std::string narrow_out;

  std::unique_ptr<PipeReader> pipe_reader;  // only for a pipe that cannot be peeked
  bool input_ended;
  bool refill_at_once = true;  // the buffer was just emptied: look at once
  int polls_since_refill = 0;
  std::int64_t last_refill_ticks = 0;
  std::size_t next = 0;  // first byte not yet taken
  std::size_t end = 0;   // one past the last byte held
  char buffer[4096];
  wchar_t typed[512];
};

Console::Console(int input_fd, int output_fd)
    : platform_(std::make_unique<Platform>(input_fd, output_fd)) {}

Console::~Console() { end_key_mode(); }

// The texts are held in UTF-8 and counted by code point; the output converts them.
Encoding Console::text_encoding() { return Encoding::utf8; }

void Console::write_out(std::string_view bytes) { platform_->write_out(bytes); }

// A key at the console is its UTF-16 character; a byte of a pipe or a file is itself.
int Console::poll_key() {
  Platform& platform = *platform_;
  if (platform.has_byte()) return platform.take_byte();
  if (platform.input_ended || !platform.refill_due()) return -1;
  if (platform.input_kind == InputKind::console) {
    if (const int key = platform.take_console_key(); key >= 0) return key;
  } else if (platform.refill_if_waiting() == Refill::got_bytes) {
    return platform.take_byte();
  }
  if (!platform.input_ended) platform.note_empty_refill();
  return -1;
}

void Console::wait_for_line() {
  platform_->begin_line_mode();
  platform_->read_line();
  platform_->end_line_mode();
}

void Console::pause(std::string_view prompt) {
  platform_->begin_line_mode();
  for (;;) {
    line(prompt);
    const Platform::LineRead typed = platform_->read_line();
    if (!typed.complete || typed.empty) break;
  }
  platform_->end_line_mode();
}

void Console::begin_key_mode() {
  Platform& platform = *platform_;
  if (platform.in_key_mode || platform.input_kind != InputKind::console) return;
  assert(!key_mode_record_valid && "one console in key mode at a time");
  DWORD found = 0;
  if (!GetConsoleMode(platform.input, &found)) return;
  platform.found_mode = found;

  key_mode_record.input = platform.input;
  key_mode_record.found_mode = found;
  key_mode_record_valid = true;
  SetConsoleCtrlHandler(restore_console_mode, TRUE);
  SetConsoleMode(platform.input, found & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
  platform.in_key_mode = true;
}

void Console::end_key_mode() {
  Platform& platform = *platform_;
  if (!platform.in_key_mode) return;
  SetConsoleMode(platform.input, platform.found_mode);
  SetConsoleCtrlHandler(restore_console_mode, FALSE);
  key_mode_record_valid = false;
  platform.in_key_mode = false;
}

}  // namespace genopt
