#include "recio/platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

std::filesystem::path zirel::platform::utf8_path(const std::string& name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
bool is_separator(char c) { return c == '\\' || c == '/'; }

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// "X:\" or "X:/": a drive's folder, where files live.
bool starts_with_drive(std::string_view path) {
  return path.size() >= 3 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' &&
         is_separator(path[2]);
}

}  // namespace

// The reserved names and how Windows finds them in a path: Microsoft, "Naming
// Files, Paths, and Namespaces" (learn.microsoft.com/windows/win32/fileio/naming-a-file).
bool zirel::platform::is_windows_device_name(std::string_view name) {
  // \\.\ (the Win32 device namespace) and \\?\ name devices, pipes and volumes,
  // unless a drive's path or a share (UNC\) follows. Behind \\?\ a name is taken
  // as it stands, so there a file may be called nul.
  if (name.size() >= 4 && is_separator(name[0]) && is_separator(name[1]) && (name[2] == '.' || name[2] == '?') &&
      is_separator(name[3])) {
    const std::string_view rest = name.substr(4);
    const bool share = rest.size() >= 4 && equal_ignoring_case(rest.substr(0, 3), "unc") && is_separator(rest[3]);
    if (!starts_with_drive(rest) && !share) return true;
    if (name[2] == '?') return false;
  }
  size_t start = name.size();
  while (start > 0 && !is_separator(name[start - 1])) --start;
  std::string_view last = name.substr(start);
  if (start == 0 && last.size() >= 2 && last[1] == ':') last.remove_prefix(2);  // "C:nul"
  // The device's name ends at the first dot or colon; blanks before them do not count.
  last = last.substr(0, std::min(last.find('.'), last.find(':')));
  while (!last.empty() && last.back() == ' ') last.remove_suffix(1);
  for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"})
    if (equal_ignoring_case(last, device)) return true;
  if (last.size() < 4) return false;
  const std::string_view stem = last.substr(0, 3), number = last.substr(3);
  if (!equal_ignoring_case(stem, "com") && !equal_ignoring_case(stem, "lpt")) return false;
  if (number.size() == 1) return number[0] >= '1' && number[0] <= '9';
  // Superscript one, two and three in UTF-8.
  return number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
}

bool zirel::platform::is_device_or_fifo(const std::string& name) {
#ifdef _WIN32
  if (is_windows_device_name(name)) return true;
#endif
  std::error_code error;
  const std::filesystem::file_status s = std::filesystem::status(utf8_path(name), error);
  return !error && std::filesystem::exists(s) && !std::filesystem::is_regular_file(s) &&
         !std::filesystem::is_directory(s);
}

std::string zirel::platform::utf8_name(const std::filesystem::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

namespace zirel::platform {

namespace {

HANDLE handle_of(FileHandle file) { return reinterpret_cast<HANDLE>(file.value); }
FileHandle file_of(HANDLE handle) { return {reinterpret_cast<std::intptr_t>(handle)}; }

// ReadFile and WriteFile take at most a DWORD; stay well below it.
constexpr size_t LARGEST_TRANSFER = size_t(1) << 30;

// UTF-8 -> UTF-16 for the wide API; false for bytes that are no UTF-8.
bool to_wide(std::string_view text, std::wstring& wide) {
  wide.clear();
  if (text.empty()) return true;
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
  if (n <= 0) return false;
  wide.resize(size_t(n));
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), wide.data(), n) == n;
}

std::string to_utf8(const wchar_t* wide) {
  int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string text(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), n, nullptr, nullptr);
  text.pop_back();  // the terminating null
  return text;
}

// Longer than a path or a name in it may be: Windows then says only that it
// cannot find the path.
bool too_long(const std::wstring& name) {
  if (name.size() >= MAX_PATH) return true;
  size_t part = 0;
  for (wchar_t c : name) {
    part = c == L'\\' || c == L'/' ? 0 : part + 1;
    if (part > 255) return true;
  }
  return false;
}

IoError open_error(DWORD error, const std::wstring& name) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return too_long(name) ? IoError::file_name_error : IoError::file_not_found;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return IoError::permission_denied;
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_BAD_UNIT:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DEV_NOT_EXIST: return IoError::no_such_device;
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY: return IoError::file_name_error;
    default: return IoError::open_failure;
  }
}

// Shared the way a POSIX file is: others may read, write, rename or delete it
// meanwhile. A null security descriptor: child processes do not inherit it.
HANDLE create_file(const std::wstring& name, DWORD access, DWORD disposition, DWORD flags) {
  return CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, disposition, flags, nullptr);
}

}  // namespace

OpenedFile open_file(const std::string& name, OpenMode mode) {
  OpenedFile opened;
  std::wstring wide;
  if (!to_wide(name, wide)) {
    opened.error = IoError::file_name_error;
    return opened;
  }
  const DWORD access = mode == OpenMode::read_only ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  HANDLE h = create_file(wide, access, mode == OpenMode::create ? OPEN_ALWAYS : OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL);
  if (h == INVALID_HANDLE_VALUE) {
    opened.error = open_error(GetLastError(), wide);
    return opened;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(h);
    opened.error = IoError::permission_denied;
    return opened;
  }
  opened.file = file_of(h);
  opened.regular = GetFileType(h) == FILE_TYPE_DISK;
  return opened;
}

int64_t read_some(FileHandle file, char* data, size_t size) {
  DWORD got = 0;
  if (!ReadFile(handle_of(file), data, DWORD(size < LARGEST_TRANSFER ? size : LARGEST_TRANSFER), &got, nullptr)) {
    DWORD error = GetLastError();
    return error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return int64_t(got);
}

bool write_all(FileHandle file, const char* data, size_t size) {
  while (size > 0) {
    DWORD put = 0;
    if (!WriteFile(handle_of(file), data, DWORD(size < LARGEST_TRANSFER ? size : LARGEST_TRANSFER), &put, nullptr) ||
        put == 0)
      return false;
    data += put;
    size -= put;
  }
  return true;
}

bool seek_to(FileHandle file, int64_t position) {
  LARGE_INTEGER to;
  to.QuadPart = position;
  return SetFilePointerEx(handle_of(file), to, nullptr, FILE_BEGIN) != 0;
}

bool cut_at(FileHandle file, int64_t position) {
  return seek_to(file, position) && SetEndOfFile(handle_of(file)) != 0;
}

bool close_file(FileHandle file) { return CloseHandle(handle_of(file)) != 0; }

FileIdentity identity_of(FileHandle file) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle_of(file), &info)) return {};
  return {info.dwVolumeSerialNumber, (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow, true};
}

bool same_file(const std::string& a, const std::string& b) {
  std::wstring wide_a, wide_b;
  if (!to_wide(a, wide_a) || !to_wide(b, wide_b)) return false;
  // No access asked for: enough to read the identity, also of a folder.
  HANDLE ha = create_file(wide_a, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (ha == INVALID_HANDLE_VALUE) return false;
  HANDLE hb = create_file(wide_b, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  bool same = hb != INVALID_HANDLE_VALUE && identity_of(file_of(ha)) == identity_of(file_of(hb));
  if (hb != INVALID_HANDLE_VALUE) CloseHandle(hb);
  CloseHandle(ha);
  return same;
}

FileHandle standard_output() { return file_of(GetStdHandle(STD_OUTPUT_HANDLE)); }

namespace {

UINT code_page_before = 0;
void restore_console_code_page() { SetConsoleOutputCP(code_page_before); }

}  // namespace

void console_shows_utf8() {
  DWORD mode = 0;
  if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) &&
      !GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode))
    return;  // redirected: the bytes go out as they are
  const UINT before = GetConsoleOutputCP();
  if (before == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) return;
  // The console is the command prompt's: it gets its code page back when the
  // program ends, so that what runs after is shown as before.
  if (code_page_before == 0) {
    code_page_before = before;
    std::atexit(restore_console_code_page);
  }
}

void binary_standard_streams() {
  for (FILE* stream : {stdout, stderr}) {
    std::fflush(stream);
    _setmode(_fileno(stream), _O_BINARY);
  }
  console_shows_utf8();
}

bool standard_error_is_terminal() {
  HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(console, &mode)) return false;
  // Consoles before Windows 10 would print the escape sequence as it stands.
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

Utf8Arguments::Utf8Arguments(int argc, char** argv) {
  int count = 0;
  if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) text_.push_back(to_utf8(wide[i]));
    LocalFree(wide);
  } else {
    text_.assign(argv, argv + argc);
  }
  for (std::string& arg : text_) pointers_.push_back(arg.data());
  pointers_.push_back(nullptr);
}

}  // namespace zirel::platform

#else  // Linux and other POSIX systems

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zirel::platform {

namespace {

int fd_of(FileHandle file) { return int(file.value); }

IoError open_error(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR: return IoError::file_not_found;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return IoError::permission_denied;
    case ENXIO:
    case ENODEV: return IoError::no_such_device;
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP: return IoError::file_name_error;
    default: return IoError::open_failure;
  }
}

FileIdentity identity(const struct stat& info) { return {uint64_t(info.st_dev), uint64_t(info.st_ino), true}; }

}  // namespace

OpenedFile open_file(const std::string& name, OpenMode mode) {
  OpenedFile opened;
  const int flags = O_CLOEXEC | (mode == OpenMode::create      ? O_RDWR | O_CREAT
                                 : mode == OpenMode::read_only ? O_RDONLY
                                                               : O_RDWR);
  int fd;
  do fd = ::open(name.c_str(), flags, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    opened.error = open_error(errno);
    return opened;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    opened.error = IoError::permission_denied;
    return opened;
  }
  opened.file.value = fd;
  opened.regular = S_ISREG(info.st_mode);
  return opened;
}

int64_t read_some(FileHandle file, char* data, size_t size) {
  for (;;) {
    ssize_t n = ::read(fd_of(file), data, size);
    if (n >= 0 || errno != EINTR) return n < 0 ? -1 : int64_t(n);
  }
}

bool write_all(FileHandle file, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd_of(file), data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
  }
  return true;
}

bool seek_to(FileHandle file, int64_t position) { return ::lseek(fd_of(file), off_t(position), SEEK_SET) >= 0; }

bool cut_at(FileHandle file, int64_t position) {
  return seek_to(file, position) && ::ftruncate(fd_of(file), off_t(position)) == 0;
}

// A close interrupted by a signal has still released the descriptor.
bool close_file(FileHandle file) { return ::close(fd_of(file)) == 0 || errno == EINTR; }

FileIdentity identity_of(FileHandle file) {
  struct stat info;
  return ::fstat(fd_of(file), &info) == 0 ? identity(info) : FileIdentity{};
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && identity(sa) == identity(sb);
}

FileHandle standard_output() { return {STDOUT_FILENO}; }

void binary_standard_streams() {}

void console_shows_utf8() {}

bool standard_error_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }

Utf8Arguments::Utf8Arguments(int argc, char** argv) : text_(argv, argv + argc) {
  for (std::string& arg : text_) pointers_.push_back(arg.data());
  pointers_.push_back(nullptr);
}

}  // namespace zirel::platform

#endif
