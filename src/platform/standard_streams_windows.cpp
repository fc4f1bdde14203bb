// Standard streams on Windows. There is no SIGPIPE to ignore: a write to a
// closed pipe just fails.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>

#include "platform/standard_streams.h"

namespace genopt {
namespace {

bool is_missing(HANDLE handle) { return handle == nullptr || handle == INVALID_HANDLE_VALUE; }

// Puts the NUL device behind a missing standard handle and behind its CRT
// descriptor, which the console takes its handle from.
void open_null_device_for(DWORD standard_handle, int fd) {
  if (!is_missing(GetStdHandle(standard_handle))) return;
  const bool reading = fd == 0;
  const HANDLE null_device =
      CreateFileW(L"NUL", reading ? GENERIC_READ : GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (null_device == INVALID_HANDLE_VALUE) return;
  SetStdHandle(standard_handle, null_device);
  const int opened = _open_osfhandle(reinterpret_cast<intptr_t>(null_device),
                                     (reading ? _O_RDONLY : _O_WRONLY) | _O_BINARY);
  if (opened < 0 || opened == fd) return;
  _dup2(opened, fd);
  _close(opened);  // closes null_device too: the standard handle becomes the copy
  SetStdHandle(standard_handle, reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
}

void write_all(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const auto size = static_cast<DWORD>(bytes.size());
    if (!WriteFile(handle, bytes.data(), size, &written, nullptr) || written == 0) return;
    bytes.remove_prefix(written);
  }
}

}  // namespace

void prepare_standard_streams() {
  open_null_device_for(STD_INPUT_HANDLE, 0);
  open_null_device_for(STD_OUTPUT_HANDLE, 1);
  open_null_device_for(STD_ERROR_HANDLE, 2);
}

// Lines end in CR LF, the platform's convention.
namespace {

// Lines end in CR LF on Windows.
void write_lines(DWORD standard_handle, std::string_view text) {
  const HANDLE handle = GetStdHandle(standard_handle);
  if (is_missing(handle)) return;
  while (!text.empty()) {
    const std::size_t line_end = text.find('\n');
    if (line_end == text.npos) return write_all(handle, text);
    write_all(handle, text.substr(0, line_end));
    write_all(handle, "\r\n");
    text.remove_prefix(line_end + 1);
  }
}

}  // namespace

void write_to_standard_error(std::string_view text) { write_lines(STD_ERROR_HANDLE, text); }

void write_to_standard_output(std::string_view text) { write_lines(STD_OUTPUT_HANDLE, text); }

}  // namespace genopt
