// The file layer on Windows: the wide-character API, so that every name is
// the Unicode name it is in the program, and share modes that let the model
// read, rewrite, and replace by rename a file that we hold open. Descriptors
// are the C runtime's, over the Windows handles.

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/files_reading.h"
#include "platform/wide_text_windows.h"
#include "text/messages.h"

namespace genopt::files {

namespace {

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

bool is_directory(std::string_view name) {
  const DWORD attributes = GetFileAttributesW(windows::wide(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A directory cannot be opened as a file; it is told as such, not as a refusal.
int open_error(std::string_view name) {
  const int error = windows::last_error_number();
  return error == EACCES && is_directory(name) ? EISDIR : error;
}

int open_descriptor(std::string_view name, DWORD access, int& error) {
  const HANDLE handle = CreateFileW(windows::WideName(name).c_str(), access, share_all, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = open_error(name);
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), 0);
  if (fd < 0) {
    error = EMFILE;
    CloseHandle(handle);
    return -1;
  }
  error = 0;
  return fd;
}

// Reads until the end of the file or until more than `limit` bytes are
// held; `beyond` tells whether the file went on beyond the limit.
int read_all(HANDLE handle, std::string& content, std::size_t limit, bool& beyond) {
  std::array<char, 65536> chunk;
  beyond = false;
  while (content.size() <= limit) {
    const std::size_t wanted = std::min(chunk.size(), limit + 1 - content.size());
    DWORD got = 0;
    if (!ReadFile(handle, chunk.data(), static_cast<DWORD>(wanted), &got, nullptr)) {
      return windows::last_error_number();
    }
    if (got == 0) return 0;
    content.append(chunk.data(), got);
  }
  content.resize(limit);
  beyond = true;
  return 0;
}

}  // namespace

int read_limited(std::string_view name, std::string& content, std::size_t limit, bool& beyond) {
  content.clear();
  const HANDLE handle = CreateFileW(windows::WideName(name).c_str(), GENERIC_READ, share_all,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return open_error(name);
  const int error =
      GetFileType(handle) == FILE_TYPE_PIPE ? ESPIPE : read_all(handle, content, limit, beyond);
  CloseHandle(handle);
  return error;
}

namespace {

int write_at(HANDLE handle, std::int64_t& offset, const char* bytes, std::size_t size) {
  while (size > 0) {
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(offset);
    place.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD done = 0;
    if (!WriteFile(handle, bytes, static_cast<DWORD>(size), &done, &place)) {
      return windows::last_error_number();
    }
    if (done == 0) return EIO;
    bytes += done;
    size -= done;
    offset += done;
  }
  return 0;
}

int cut_at(HANDLE handle, std::int64_t length) {
  if (GetFileType(handle) != FILE_TYPE_DISK) return 0;  // nothing to cut
  LARGE_INTEGER place{};
  place.QuadPart = length;
  if (!SetFilePointerEx(handle, place, nullptr, FILE_BEGIN) || !SetEndOfFile(handle)) {
    return windows::last_error_number();
  }
  return 0;
}

}  // namespace

int open_for_output(std::string_view name, int& error) {
  return open_descriptor(name, GENERIC_WRITE, error);
}

int open_for_update(std::string_view name, int& error) {
  return open_descriptor(name, GENERIC_READ | GENERIC_WRITE, error);
}

// Lines end in CR LF on Windows: each LF of the text is written as CR LF,
// through a buffer of fixed size, so that a flush allocates nothing.
int write_text_at(int fd, std::int64_t& offset, std::string_view text) {
  const HANDLE handle = handle_of(fd);
  std::array<char, 8192> converted;
  std::size_t used = 0;
  for (const char character : text) {
    if (used + 2 > converted.size()) {
      if (const int error = write_at(handle, offset, converted.data(), used); error != 0) {
        return error;
      }
      used = 0;
    }
    if (character == '\n') converted[used++] = '\r';
    converted[used++] = character;
  }
  if (const int error = write_at(handle, offset, converted.data(), used); error != 0) return error;
  return cut_at(handle, offset);
}

int write_bytes_at(int fd, std::int64_t& offset, std::string_view bytes) {
  const HANDLE handle = handle_of(fd);
  if (const int error = write_at(handle, offset, bytes.data(), bytes.size()); error != 0) {
    return error;
  }
  return cut_at(handle, offset);
}

// Even a handle that shares deletion keeps a rename from replacing its file.
bool held_file_blocks_rename() { return true; }

void close(int fd) {
  if (fd >= 0) _close(fd);
}

int remove(std::string_view name) {
  return DeleteFileW(windows::wide(name).c_str()) ? 0 : windows::last_error_number();
}

namespace {

// The directory's own full name, the same however it was reached.
std::wstring final_directory_name() {
  const HANDLE directory = CreateFileW(L".", FILE_READ_ATTRIBUTES, share_all, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (directory == INVALID_HANDLE_VALUE) return {};
  std::wstring name(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(directory, name.data(), MAX_PATH, 0);
  if (length >= MAX_PATH) {
    name.resize(length);
    length = GetFinalPathNameByHandleW(directory, name.data(), length, 0);
  }
  CloseHandle(directory);
  name.resize(length < name.size() ? length : 0);
  return name;
}

}  // namespace

DirectoryLock::~DirectoryLock() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

namespace {

// One name for the directory in the namespace of every session, so that runs
// of two users, or of a remote and a local session, see each other.
std::wstring mutex_name(std::wstring directory) {
  for (wchar_t& character : directory) {
    if (character == L'\\') character = L'/';  // a backslash would name a namespace
    if (character >= L'a' && character <= L'z') character = character - L'a' + L'A';
  }
  return L"Global\\genopt " + directory;
}

// A mutex that this user may not open is another user's run.
bool mutex_exists(const std::wstring& name) {
  const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
  if (mutex == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  CloseHandle(mutex);
  return true;
}

// The lock file shares nothing: while a run holds it open, every other open
// is refused, and the system deletes it when the run ends in any way.
HANDLE open_lock_file() {
  return CreateFileW(windows::wide(text::lock_file_name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                     nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                     nullptr);
}

// An open that reads: one that only asks for attributes passes any share mode.
bool lock_file_held() {
  const HANDLE file =
      CreateFileW(windows::wide(text::lock_file_name).c_str(), GENERIC_READ, share_all, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(file);
  return false;
}

}  // namespace

// A named mutex per directory, global to the machine. Where it cannot be
// made (this user may not make global names, or the directory's name is too
// long for one), the lock file stands in for it. Each kind of run
// takes its own hold first and then looks for the other kind, so that of two
// runs that start together at least one sees the other.
bool DirectoryLock::take() {
  const std::wstring directory = final_directory_name();
  if (directory.empty()) return refuse(windows::last_error_number());
  const std::wstring name = mutex_name(directory);
  if (const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str()); mutex != nullptr) {
    if (GetLastError() == ERROR_ALREADY_EXISTS || lock_file_held()) {
      CloseHandle(mutex);
      return refuse(0);
    }
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
    return true;
  }
  const HANDLE file = open_lock_file();
  if (file == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_SHARING_VIOLATION) return refuse(0);
    return refuse(windows::last_error_number());
  }
  if (mutex_exists(name)) {
    CloseHandle(file);
    return refuse(0);
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

namespace {

// The program's names use '/'; the system's own separator is the backslash.
std::wstring system_name(std::string_view name) {
  std::wstring converted = windows::wide(name);
  std::replace(converted.begin(), converted.end(), L'/', L'\\');
  return converted;
}

int result_of(BOOL done) { return done ? 0 : windows::last_error_number(); }

// A link is removed as it stands: what it leads to is never looked into.
int remove_system_tree(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? 0
               : windows::error_number(error);
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return result_of(DeleteFileW(path.c_str()));
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
      int error = 0;
      do {
        const std::wstring_view name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        error = remove_system_tree(path + L"\\" + entry.cFileName);
      } while (error == 0 && FindNextFileW(search, &entry));
      FindClose(search);
      if (error != 0) return error;
    }
  }
  return result_of(RemoveDirectoryW(path.c_str()));
}

std::wstring directory_of(const std::wstring& path) {
  const std::size_t last = path.find_last_of(L'\\');
  return last == std::wstring::npos ? L"." : path.substr(0, last);
}

}  // namespace

int make_directory(std::string_view name) {
  return result_of(CreateDirectoryW(system_name(name).c_str(), nullptr));
}

int remove_tree(std::string_view name) { return remove_system_tree(system_name(name)); }

// A symbolic link where the system allows one to be made without privileges
// (developer mode) and, elsewhere, a hard link for a file; a directory then
// cannot be linked.
int make_link(std::string_view target, std::string_view name) {
  const std::wstring link = system_name(name);
  const std::wstring relative_target = system_name(target);
  const std::wstring linked = directory_of(link) + L"\\" + relative_target;
  const DWORD attributes = GetFileAttributesW(linked.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return windows::last_error_number();
  const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  constexpr DWORD unprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  const DWORD flags = unprivileged | (directory ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
  // A system may answer yes and make nothing: the link must be there.
  if (CreateSymbolicLinkW(link.c_str(), relative_target.c_str(), flags) &&
      GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return 0;
  }
  if (directory) return EPERM;
  return result_of(CreateHardLinkW(link.c_str(), linked.c_str(), nullptr));
}

int list_directory(std::string_view name, std::vector<std::string>& names) {
  names.clear();
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW((system_name(name) + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return windows::last_error_number();
  do {
    const std::wstring_view found = entry.cFileName;
    if (found != L"." && found != L"..") names.push_back(windows::narrow(found));
  } while (FindNextFileW(search, &entry));
  const DWORD error = GetLastError();
  FindClose(search);
  return error == ERROR_NO_MORE_FILES ? 0 : windows::error_number(error);
}

}  // namespace genopt::files
