// Where Linux and Windows differ, and nowhere else. Files are named in UTF-8
// (on Windows passed to the wide API, so any name the user can type works),
// opened in binary mode (no CR LF translation, ever), not inherited by child
// processes, and told apart by their identity rather than their name.
// Standard output is binary, so the status line ends in LF on both systems.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "recio/io_error.h"

namespace zirel::platform {

// An open file: a descriptor on Linux, a HANDLE on Windows.
struct FileHandle {
  std::intptr_t value = -1;
  bool valid() const { return value != -1; }
};

enum class OpenMode {
  read_only,   // must exist
  read_write,  // must exist
  create,      // read-write, created when missing; an existing file is not emptied here
};

struct OpenedFile {
  FileHandle file;                           // invalid when the open failed
  IoError error = IoError::open_failure;     // why it failed
  bool regular = false;                      // a file on disk: can be repositioned and cut
};

// Opens `name` (UTF-8). A folder is refused as permission denied.
OpenedFile open_file(const std::string& name, OpenMode mode);
// Bytes read into `data`: > 0, 0 at the end of the file, -1 on failure.
int64_t read_some(FileHandle file, char* data, size_t size);
bool write_all(FileHandle file, const char* data, size_t size);
bool seek_to(FileHandle file, int64_t position);
// Makes `position` the end of the file and the handle's position.
bool cut_at(FileHandle file, int64_t position);
bool close_file(FileHandle file);

// What makes a file the same file under another name: device and inode, or
// volume serial number and file index.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool known = false;
  bool operator==(const FileIdentity& other) const {
    return known && other.known && volume == other.volume && index == other.index;
  }
};
FileIdentity identity_of(FileHandle file);
// Whether the two names (UTF-8) name one existing file; false when either is missing.
bool same_file(const std::string& a, const std::string& b);
// Whether `name` (UTF-8) is something other than a file or a folder: a
// device, a FIFO, a socket. Such a thing cannot be emptied and rewritten as a
// file, and opening a FIFO waits for its other end.
// On Windows also every name Windows takes for a device wherever it stands
// (is_windows_device_name): "NUL" and "nul.hkl" would swallow a run and report
// success, "COM1" would wait on a serial port.
bool is_device_or_fifo(const std::string& name);
// Whether Windows takes `name` (UTF-8) for a device rather than a file: a last
// part that is CON, PRN, AUX, NUL, COM1-9, LPT1-9 (or COM and LPT with a
// superscript 1, 2, 3), CONIN$ or CONOUT$, in any case and with any extension,
// trailing dots and spaces or ':'; or a path in the device namespace, \\.\ or
// \\?\, other than a drive's or a share's file. Decided from the text alone, so
// that it can be checked on every system.
bool is_windows_device_name(std::string_view name);
// A UTF-8 name as a path for the standard library's streams and file system
// calls (from a plain std::string, Windows would read it in the ANSI code page).
std::filesystem::path utf8_path(const std::string& name);
// And back: a path as UTF-8 text.
std::string utf8_name(const std::filesystem::path& path);

// Standard output for the console unit; what is written reaches it unchanged.
FileHandle standard_output();
// Puts the C and C++ streams on standard output and standard error in binary
// mode, so that a line a program prints ends in LF on both systems (a console
// shows it as a line all the same), and console_shows_utf8. Called first thing
// in main().
void binary_standard_streams();
// Messages are UTF-8. A Windows console shows bytes in its output code page
// (437, 850, 1252...), where a name such as "Prüfung.hkl" would turn into
// other letters: while the program runs, a console on standard output or
// standard error uses UTF-8, and gets its own code page back at the end.
// Redirected output is not touched: it stays UTF-8, byte for byte.
void console_shows_utf8();
// Whether standard error is a terminal that shows a progress line drawn with
// a carriage return and the "erase line" escape sequence.
bool standard_error_is_terminal();

// The program's arguments in UTF-8, as argc and argv for a parser. On
// Windows they are taken from the wide command line: argv itself holds them
// in the ANSI code page, which cannot hold every file name.
class Utf8Arguments {
public:
  Utf8Arguments(int argc, char** argv);
  Utf8Arguments(const Utf8Arguments&) = delete;  // argv points into text_
  Utf8Arguments& operator=(const Utf8Arguments&) = delete;
  int argc() const { return int(text_.size()); }
  char** argv() { return pointers_.data(); }  // ends with a null pointer, as main's does

private:
  std::vector<std::string> text_;
  std::vector<char*> pointers_;
};

}  // namespace zirel::platform
