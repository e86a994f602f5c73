#include "recio/unit.h"

#include <cstdio>
#include <stdexcept>

#include "recio/file_connection.h"
#include "recio/memory_connection.h"

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

}  // namespace

UnitTable::UnitTable() {
  connect(CONSOLE_UNIT,
          std::make_unique<FileConnection>("stdout", platform::standard_output(), false, false, false));
}

UnitTable::~UnitTable() {
  // At program end nobody can take a report any more; say it on stderr.
  for (Slot& s : slots_) {
    if (IoStatus st = s.connection->disconnect()) {
      std::string line = "zirel: severe (" + std::to_string(st) + "): " +
                         io_message(st, s.unit, s.connection->name()) + "\n";
      std::fwrite(line.data(), 1, line.size(), stderr);
    }
  }
}

Connection* UnitTable::find(int32_t unit) const {
  for (const Slot& s : slots_)
    if (s.unit == unit) return s.connection.get();
  return nullptr;
}

bool UnitTable::is_read_only(int32_t unit) const {
  const Connection* c = find(unit);
  return c != nullptr && c->read_only();
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
  const platform::OpenedFile opened = platform::open_file(
      name, replace ? platform::OpenMode::create
            : read_only ? platform::OpenMode::read_only : platform::OpenMode::read_write);
  if (!opened.file.valid()) return fail(opened.error);
  if (Connection* current = find(unit)) {
    if (current->name() == name || current->is_file(platform::identity_of(opened.file))) {
      platform::close_file(opened.file);  // already connected to this file: keep its position
      return IO_OK;
    }
  }
  // UTF-16 text cannot be read as records: refused here, where the caller
  // reports an open failure with its message, rather than at the first read.
  if (!replace && opened.regular) {
    char first[2];
    const int64_t n = platform::read_some(opened.file, first, sizeof first);
    const bool utf16 = n == 2 && starts_as_utf16(std::string_view(first, 2));
    if (n < 0 || !platform::seek_to(opened.file, 0) || utf16) {
      platform::close_file(opened.file);
      return fail(utf16 ? IoError::utf16_text : IoError::open_failure);
    }
  }
  // Emptied only now, so that reopening a connected file never loses it. A
  // device or a pipe (/dev/null, a terminal) has nothing to empty.
  if (replace && opened.regular && !platform::cut_at(opened.file, 0)) {
    platform::close_file(opened.file);
    return fail(IoError::open_failure);
  }
  connect(unit, std::make_unique<FileConnection>(std::move(name), opened.file, read_only, true,
                                                 opened.regular));
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

IoStatus UnitTable::flush(int32_t unit, Branches branches) {
  if (Connection* c = find(unit))
    if (IoStatus st = c->flush()) return resolve_io_status(st, branches, unit, c->name());
  return IO_OK;
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
void flush_unit(int32_t unit) { units().flush(unit); }

}  // namespace zirel
