#include "recio/unit.h"

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "recio/file_connection.h"
#include "recio/memory_connection.h"

// Windows has no close-on-exec flag (its handles are not inherited unless
// asked), and opens files in text mode unless told otherwise, which would
// turn every CR LF written into CR CR LF.
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_BINARY
#define O_BINARY 0
#endif

namespace zirel {

namespace {

std::string_view trim_trailing_blanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool keyword_is(std::string_view given, std::string_view keyword) {
  given = trim_trailing_blanks(given);
  if (given.size() != keyword.size()) return false;
  for (size_t i = 0; i < given.size(); ++i) {
    char c = given[i];
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (c != keyword[i]) return false;
  }
  return true;
}

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

}  // namespace

UnitTable::UnitTable() {
  connect(CONSOLE_UNIT, std::make_unique<FileConnection>("stdout", STDOUT_FILENO, false, false, false));
}

UnitTable::~UnitTable() {
  // At program end nobody can take a report any more; say it on stderr.
  for (Slot& s : slots_) {
    if (IoStatus st = s.connection->disconnect()) {
      std::string line = "zirel: severe (" + std::to_string(st) + "): " +
                         io_message(st, s.unit, s.connection->name()) + "\n";
      (void)!::write(STDERR_FILENO, line.data(), line.size());
    }
  }
}

Connection* UnitTable::find(int32_t unit) const {
  for (const Slot& s : slots_)
    if (s.unit == unit) return s.connection.get();
  return nullptr;
}

std::string_view UnitTable::file_name(int32_t unit) const {
  Connection* c = find(unit);
  return c != nullptr ? std::string_view(c->name()) : std::string_view();
}

void UnitTable::connect(int32_t unit, std::unique_ptr<Connection> connection) {
  close(unit);
  slots_.push_back({unit, std::move(connection)});
}

IoStatus UnitTable::open(int32_t unit, std::string_view file, std::string_view status,
                         std::string_view access, Branches branches) {
  bool replace = keyword_is(status, "REPLACE");
  if (!replace && !keyword_is(status, "OLD"))
    throw std::logic_error("open_unit: status must be OLD or REPLACE, not \"" + std::string(status) + "\"");
  bool read_only = keyword_is(access, "READ");
  if (!read_only && !trim_trailing_blanks(access).empty() && !keyword_is(access, "READWRITE"))
    throw std::logic_error("open_unit: access must be READ or READWRITE, not \"" + std::string(access) + "\"");

  std::string name(trim_trailing_blanks(file));
  auto fail = [&](IoError e) {
    return resolve_io_status(io_status(e), {.err = branches.err}, unit, name);
  };
  if (name.empty() || name.find('\0') != std::string::npos) return fail(IoError::file_name_error);

  // "REPLACE" needs write access to empty the file, even for a read-only unit.
  int flags = O_CLOEXEC | O_BINARY | (replace ? O_RDWR | O_CREAT : read_only ? O_RDONLY : O_RDWR);
  int fd = ::open(name.c_str(), flags, 0666);
  if (fd < 0) return fail(open_error(errno));
  struct stat info;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return fail(IoError::permission_denied);
  }
  if (Connection* current = find(unit)) {
    if (current->name() == name || current->same_file(fd)) {
      ::close(fd);  // already connected to this file: keep its position
      return IO_OK;
    }
  }
  // Emptied only now, so that reopening a connected file never loses it.
  if (replace && ::ftruncate(fd, 0) != 0) {
    int err = errno;
    ::close(fd);
    return fail(open_error(err));
  }
  connect(unit, std::make_unique<FileConnection>(std::move(name), fd, read_only, true,
                                                 S_ISREG(info.st_mode)));
  return IO_OK;
}

void UnitTable::close(int32_t unit) {
  for (auto it = slots_.begin(); it != slots_.end(); ++it) {
    if (it->unit != unit) continue;
    std::unique_ptr<Connection> c = std::move(it->connection);
    slots_.erase(it);
    // The unit is disconnected before a failure is reported, so a handler
    // that throws leaves the table consistent.
    if (IoStatus st = c->disconnect()) {
      std::string name = c->name();
      c.reset();
      resolve_io_status(st, {}, unit, name);
    }
    return;
  }
}

void UnitTable::rewind(int32_t unit) {
  if (Connection* c = find(unit))
    if (IoStatus st = c->rewind()) resolve_io_status(st, {}, unit, c->name());
}

void UnitTable::close_all() {
  while (!slots_.empty()) close(slots_.back().unit);
}

void UnitTable::connect_memory_input(int32_t unit, std::string_view bytes, std::string_view name) {
  connect(unit, std::make_unique<MemoryInput>(std::string(name), bytes));
}

void UnitTable::connect_memory_output(int32_t unit, std::string& sink, std::string_view name) {
  connect(unit, std::make_unique<MemorySink>(std::string(name), &sink));
}

IoStatus not_connected(int32_t unit, Branches branches) {
  return resolve_io_status(io_status(IoError::open_failure), branches, unit, "(unit not connected)");
}

UnitTable& units() {
  static UnitTable table;
  return table;
}

IoStatus open_unit(int32_t unit, std::string_view file, std::string_view status,
                   std::string_view access, Branches branches) {
  return units().open(unit, file, status, access, branches);
}

void close_unit(int32_t unit) { units().close(unit); }
void rewind_unit(int32_t unit) { units().rewind(unit); }

}  // namespace zirel
