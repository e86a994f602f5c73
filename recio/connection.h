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
  // Connected for reading only: every write is refused.
  virtual bool read_only() const { return false; }
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

// What ends a record, decided from the whole file (or, for a pipe, from its
// first mebibyte): LF, unless CRs not followed by LF outnumber the LFs, as in
// old Mac text, also after an editor or `echo >>` has added one LF at its end.
// A stray CR in a file with LF line ends stays in its record.
class LineEndTally {
public:
  void add(std::string_view bytes) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    if (cr_pending_ && p != end && *p != '\n') ++lone_cr_;
    if (p != end) cr_pending_ = false;
    for (const char* c = p; c != end; ++c) lf_ += *c == '\n';
    while (p != end) {
      auto* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)));
      if (cr == nullptr) break;
      if (cr + 1 == end)
        cr_pending_ = true;
      else if (cr[1] != '\n')
        ++lone_cr_;
      p = cr + 1;
    }
  }
  char record_end() const { return lone_cr_ + (cr_pending_ ? 1 : 0) > lf_ ? '\r' : '\n'; }

private:
  int64_t lf_ = 0;
  int64_t lone_cr_ = 0;
  bool cr_pending_ = false;  // the bytes so far end in CR
};

inline char record_end_for(std::string_view bytes) {
  LineEndTally tally;
  tally.add(bytes);
  return tally.record_end();
}

// The UTF-8 byte-order mark some Windows editors put at the start of a text file.
inline constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

// Whether a file starting with `first` is UTF-16 text: its byte-order mark, or
// (without one) an ASCII character beside a zero byte, as no text file of the
// field begins.
inline bool starts_as_utf16(std::string_view first) {
  if (first.size() < 2) return false;
  const auto b0 = static_cast<unsigned char>(first[0]), b1 = static_cast<unsigned char>(first[1]);
  if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF)) return true;
  auto ascii = [](unsigned char c) { return (c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n'; };
  return (ascii(b0) && b1 == 0) || (b0 == 0 && ascii(b1));
}

// Splits the record at the front of [begin, end) off: up to `record_end`, and
// with LF every CR before it dropped (a file converted twice ends its lines in
// CR CR LF). False when no record end is left (the bytes may be a last line
// without one, or the start of a record not yet read).
// The first `scanned` bytes are known to hold no record end.
inline bool split_record(const char*& begin, const char* end, std::string_view& record,
                         char record_end = '\n', size_t scanned = 0) {
  const char* from = begin + scanned;
  auto* at = static_cast<const char*>(from >= end ? nullptr : std::memchr(from, record_end, size_t(end - from)));
  if (at == nullptr) return false;
  const char* stop = at;
  if (record_end == '\n')
    while (stop > begin && stop[-1] == '\r') --stop;
  record = std::string_view(begin, size_t(stop - begin));
  begin = at + 1;
  return true;
}

// A last line without a record end: in a file whose records end at CR, the
// LF an editor added at the very end is no part of it.
inline std::string_view last_line(std::string_view rest, char record_end) {
  if (record_end == '\r' && !rest.empty() && rest.back() == '\n') rest.remove_suffix(1);
  return rest;
}

// A record read whole: too long, or fine.
inline IoStatus checked_length(std::string_view record) {
  return record.size() > MAX_RECORD_LENGTH ? io_status(IoError::record_too_long) : IO_OK;
}

// A statement on a unit that nothing is connected to: resolved as an open failure.
IoStatus not_connected(int32_t unit, Branches branches);

}  // namespace zirel
