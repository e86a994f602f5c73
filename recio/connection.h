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
#include "recio/platform.h"

namespace zirel {

class Connection {
public:
  explicit Connection(std::string name) : name_(std::move(name)) {}
  virtual ~Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& name() const { return name_; }
  // Whether this is the file with that identity (reached by another name).
  virtual bool is_file(const platform::FileIdentity&) const { return false; }

  // The next input record, CR LF or LF removed (CR, in a file whose records
  // end at CR); valid until the next call. IO_END when there is none, else
  // IO_OK or an error number: record_too_long past MAX_RECORD_LENGTH.
  virtual IoStatus next_record(std::string_view& record) = 0;
  // Appends one record and its CR LF. IO_OK or an error number.
  virtual IoStatus write_record(std::string_view record) = 0;
  // Called after every statement: output that someone may be watching is
  // pushed out now.
  virtual IoStatus end_statement() { return IO_OK; }
  // Pushes buffered output out now, the unit staying connected.
  virtual IoStatus flush() { return IO_OK; }
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

// Longest input record. Text records of this program are a few dozen
// characters; a "line" of more than a mebibyte is no text (a binary file,
// /dev/zero) and is refused as an input error instead of being gathered
// without end.
inline constexpr size_t MAX_RECORD_LENGTH = size_t(1) << 20;

// What ends a record: LF (a CR before it is dropped), or CR alone in a file
// that holds CR but no LF at all (old Mac text). `bytes` are the file's first
// bytes: up to its first LF, or more than MAX_RECORD_LENGTH + 1 of them, or
// all of it. A stray CR in a file with LF line ends stays in its record.
inline char record_end_for(std::string_view bytes) {
  if (bytes.find('\n') != std::string_view::npos) return '\n';
  return bytes.find('\r') != std::string_view::npos ? '\r' : '\n';
}

// Splits the record at the front of [begin, end) off: up to `record_end`, and
// with LF a CR before it dropped. False when no record end is left (the bytes
// may be a last line without one, or the start of a record not yet read).
// The first `scanned` bytes are known to hold no record end.
inline bool split_record(const char*& begin, const char* end, std::string_view& record,
                         char record_end = '\n', size_t scanned = 0) {
  const char* from = begin + scanned;
  auto* at = static_cast<const char*>(from >= end ? nullptr : std::memchr(from, record_end, size_t(end - from)));
  if (at == nullptr) return false;
  const char* stop = (record_end == '\n' && at > begin && at[-1] == '\r') ? at - 1 : at;
  record = std::string_view(begin, size_t(stop - begin));
  begin = at + 1;
  return true;
}

// A record read whole: too long, or fine.
inline IoStatus checked_length(std::string_view record) {
  return record.size() > MAX_RECORD_LENGTH ? io_status(IoError::record_too_long) : IO_OK;
}

// A statement on a unit that nothing is connected to: resolved as an open failure.
IoStatus not_connected(int32_t unit, Branches branches);

}  // namespace zirel
