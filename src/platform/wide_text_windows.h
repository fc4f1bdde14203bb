#pragma once
// What the Windows platform files share: names in UTF-16 for the wide-character
// API, and Windows error codes told as the error numbers the rest of the
// program reports.

#include <windows.h>

#include <cerrno>
#include <string>
#include <string_view>

namespace genopt::windows {

// The program's names and texts are UTF-8; the wide API takes UTF-16.
inline std::wstring wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring converted(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, converted.data(), length);
  return converted;
}

// A name for the wide API, converted on the stack: the work file is opened
// at every evaluation, which must not allocate. Only a name too long for the
// stack buffer is held on the heap.
class WideName {
 public:
  explicit WideName(std::string_view utf8) {
    const int size = static_cast<int>(utf8.size());
    const int length = utf8.empty() ? 0
                                    : MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, short_,
                                                          static_cast<int>(short_size - 1));
    if (length > 0 || utf8.empty()) {
      short_[length] = L'\0';
      return;
    }
    long_ = wide(utf8);
  }
  const wchar_t* c_str() const { return long_.empty() ? short_ : long_.c_str(); }

 private:
  static constexpr std::size_t short_size = 1024;
  wchar_t short_[short_size];
  std::wstring long_;
};

// Names the system gives back, as the UTF-8 of the rest of the program.
inline std::string narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = static_cast<int>(utf16.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
  std::string converted(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, converted.data(), length, nullptr, nullptr);
  return converted;
}

// The error number whose text tells what a Windows error code means.
inline int error_number(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return EINVAL;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_PRIVILEGE_NOT_HELD:
      return EPERM;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return EIO;
  }
}

inline int last_error_number() { return error_number(GetLastError()); }

}  // namespace genopt::windows
