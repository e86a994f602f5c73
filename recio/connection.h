// What a unit is connected to. The statements see one interface; behind it
// stand a file (file_connection.h) and the two memory kinds used by tests,
// benchmarks and fuzzing (memory_connection.h): bytes to read, or a string
// that collects the records written. Internal to the record I/O layer.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "recio/io_error.h"

namespace zirel {

class Connection {
public:
  explicit Connection(std::string name) : name_(std::move(name)) {}
  virtual ~Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& name() const { return name_; }
  // Whether this is the open file `fd` (reached by another name).
  virtual bool same_file(int fd) const { (void)fd; return false; }

  // The next input record, CR LF or LF removed; valid until the next call.
  // IO_END when there is none, else IO_OK or an error number.
  virtual IoStatus next_record(std::string_view& record) = 0;
  // Appends one record and its CR LF. IO_OK or an error number.
  virtual IoStatus write_record(std::string_view record) = 0;
  // Called after every statement: output that someone may be watching is
  // pushed out now.
  virtual IoStatus end_statement() { return IO_OK; }
  // Back to the first record; the next write cuts everything behind its record.
  virtual IoStatus rewind() = 0;
  // Flushes and releases what the connection holds; the first failure is returned.
  virtual IoStatus disconnect() { return IO_OK; }

  // Assembly space for an output record, reused from record to record.
  std::vector<char>& record_space() { return record_space_; }

private:
  std::string name_;
  std::vector<char> record_space_;
};

// Splits the record at the front of [begin, end) off: up to a LF, with a CR
// before it dropped. False when no LF is left (the bytes may be a last line
// without one, or the start of a record not yet read). The first `scanned`
// bytes are known to hold no LF.
inline bool split_record(const char*& begin, const char* end, std::string_view& record,
                         size_t scanned = 0) {
  const char* from = begin + scanned;
  auto* lf = static_cast<const char*>(from >= end ? nullptr : std::memchr(from, '\n', size_t(end - from)));
  if (lf == nullptr) return false;
  const char* stop = (lf > begin && lf[-1] == '\r') ? lf - 1 : lf;
  record = std::string_view(begin, size_t(stop - begin));
  begin = lf + 1;
  return true;
}

// A statement on a unit that nothing is connected to: resolved as an open failure.
IoStatus not_connected(int32_t unit, Branches branches);

}  // namespace zirel
