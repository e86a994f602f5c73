// Units: small integers naming files that stay connected until closed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "recio/io_error.h"

namespace zirel {

// The console. The default output unit of write_list is the same connection.
constexpr int32_t CONSOLE_UNIT = 6;
constexpr int32_t DEFAULT_OUTPUT_UNIT = CONSOLE_UNIT;

class Connection;  // what a unit is connected to: a file or memory (connection.h)

// Unit number -> connection. The program uses one process-wide table (units());
// tests may make their own and pass it to the statement overloads.
class UnitTable {
public:
  UnitTable();   // unit 6 is connected to standard output
  ~UnitTable();  // closes every unit still connected; files are kept
  UnitTable(const UnitTable&) = delete;
  UnitTable& operator=(const UnitTable&) = delete;

  // `file` may be blank-padded: trailing blanks are not part of the name.
  // status "OLD" (must exist) or "REPLACE" (created or emptied); access "READ"
  // for read-only, anything else (usually empty) for read-write. Keywords are
  // case-insensitive; an unknown one throws std::logic_error. Opening a unit
  // already connected to the same file keeps the connection and its position;
  // connected to another file, the old one is closed first.
  IoStatus open(int32_t unit, std::string_view file, std::string_view status,
                std::string_view access = {}, Branches branches = {});
  // Flushes and disconnects, keeping the file. An unconnected unit: nothing.
  void close(int32_t unit);
  // Back to the first record; the next write cuts the file behind its record.
  void rewind(int32_t unit);
  // Puts the records written so far into the file, the unit staying connected.
  // An unconnected unit: nothing.
  IoStatus flush(int32_t unit, Branches branches = {});
  void close_all();

  bool is_connected(int32_t unit) const { return find(unit) != nullptr; }
  // Connected for reading only (access "READ", or bytes in memory to read).
  bool is_read_only(int32_t unit) const;
  // The connected file's name ("" when not connected).
  std::string_view file_name(int32_t unit) const;

  // Connects `unit` to bytes in memory for reading (not copied; they must
  // outlive the connection), or to a string that receives every record written.
  // Same record and statement code as files; for tests, benchmarks and fuzzing.
  void connect_memory_input(int32_t unit, std::string_view bytes,
                            std::string_view name = "memory");
  void connect_memory_output(int32_t unit, std::string& sink,
                             std::string_view name = "memory");

  Connection* find(int32_t unit) const;

private:
  struct Slot {
    int32_t unit;
    std::unique_ptr<Connection> connection;
  };
  void connect(int32_t unit, std::unique_ptr<Connection> connection);
  std::vector<Slot> slots_;
};

// The process-wide table; its units are closed at program end.
UnitTable& units();

IoStatus open_unit(int32_t unit, std::string_view file, std::string_view status,
                   std::string_view access = {}, Branches branches = {});
void close_unit(int32_t unit);
void rewind_unit(int32_t unit);
void flush_unit(int32_t unit);

}  // namespace zirel
