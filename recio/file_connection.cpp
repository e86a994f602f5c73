#include "recio/file_connection.h"

#include <cstring>
#include <utility>

namespace zirel {

namespace {

// Large buffers: a whole reflection file passes in a few dozen system calls.
constexpr size_t INPUT_BUFFER = 1 << 20;
constexpr size_t OUTPUT_BUFFER = 1 << 18;

// A failing read has no condition of its own; it is a failure of the file system.
constexpr IoStatus READ_FAILURE = io_status(IoError::open_failure);

}  // namespace

FileConnection::FileConnection(std::string name, platform::FileHandle file, bool read_only,
                               bool owns_file, bool seekable)
    : Connection(std::move(name)), file_(file), read_only_(read_only), owns_file_(owns_file),
      seekable_(seekable) {}

FileConnection::~FileConnection() { disconnect(); }

bool FileConnection::is_file(const platform::FileIdentity& identity) const {
  return file_.valid() && platform::identity_of(file_) == identity;
}

// Moves the unread bytes to the front and reads more; false at end or failure.
bool FileConnection::refill() {
  if (source_done_ || !file_.valid()) return false;
  size_t unread = size_t(end_ - begin_);
  if (in_buf_.empty()) in_buf_.resize(INPUT_BUFFER);
  if (unread > 0 && begin_ != in_buf_.data()) std::memmove(in_buf_.data(), begin_, unread);
  if (unread == in_buf_.size()) in_buf_.resize(in_buf_.size() * 2);  // a very long record
  int64_t n = platform::read_some(file_, in_buf_.data() + unread, in_buf_.size() - unread);
  begin_ = in_buf_.data();
  end_ = begin_ + unread;
  if (n <= 0) {
    source_done_ = true;
    read_failed_ = n < 0;
    return false;
  }
  end_ += n;
  file_pos_ += n;
  return true;
}

// Decides the record end from the whole file: a regular file is read through
// once and repositioned; of a pipe, what one buffer holds decides. A UTF-8
// byte-order mark at the start is skipped; UTF-16 text is refused at the
// first read.
void FileConnection::decide_record_end() {
  const bool at_start = file_pos_ == 0 && begin_ == end_;
  for (;;) {
    const std::string_view seen(begin_, size_t(end_ - begin_));
    if (seen.find('\n') != std::string_view::npos || seen.size() > MAX_RECORD_LENGTH + 1 || !refill()) break;
  }
  std::string_view seen(begin_, size_t(end_ - begin_));
  if (at_start) {
    utf16_ = starts_as_utf16(seen);
    if (seen.starts_with(UTF8_BOM)) {
      begin_ += UTF8_BOM.size();
      seen.remove_prefix(UTF8_BOM.size());
    }
  }
  LineEndTally tally;
  tally.add(seen);
  if (seekable_ && !source_done_) {
    std::vector<char> scratch(INPUT_BUFFER);
    int64_t n = 0;
    while ((n = platform::read_some(file_, scratch.data(), scratch.size())) > 0)
      tally.add(std::string_view(scratch.data(), size_t(n)));
    if (n < 0 || !platform::seek_to(file_, file_pos_)) read_failed_ = source_done_ = true;
  }
  record_end_ = tally.record_end();
}

IoStatus FileConnection::next_record(std::string_view& record) {
  if (mode_ == Mode::writing) {
    if (IoStatus st = flush()) return st;
    // Nothing follows the records just written.
    begin_ = end_ = nullptr;
    source_done_ = true;
  }
  mode_ = Mode::reading;
  if (record_end_ == 0) decide_record_end();
  if (utf16_) return io_status(IoError::utf16_text);
  if (after_cr_) {  // the LF of a CR LF, in a file whose records end at CR
    if (begin_ == end_) refill();
    if (begin_ != end_ && *begin_ == '\n') ++begin_;
    after_cr_ = false;
  }
  size_t scanned = 0;
  for (;;) {
    if (split_record(begin_, end_, record, record_end_, scanned)) {
      after_cr_ = record_end_ == '\r';
      return checked_length(record);
    }
    scanned = size_t(end_ - begin_);
    // Too long already (one more byte may be the CR of a CR LF): the record
    // is not gathered any further.
    if (scanned > MAX_RECORD_LENGTH + 1) return io_status(IoError::record_too_long);
    if (!refill()) break;
  }
  if (read_failed_) return READ_FAILURE;
  if (begin_ == end_) return IO_END;
  record = last_line(std::string_view(begin_, size_t(end_ - begin_)), record_end_);  // no record end
  begin_ = end_;
  return checked_length(record);
}

// A sequential write makes its record the last one: the file is cut where
// the first write after reading, opening or rewinding begins.
IoStatus FileConnection::start_writing() {
  if (read_only_) return io_status(IoError::permission_denied);
  if (seekable_) {
    int64_t position = file_pos_ - (end_ - begin_);
    if (!platform::cut_at(file_, position)) return io_status(IoError::write_failure);
    file_pos_ = position;
  }
  begin_ = end_ = nullptr;
  source_done_ = false;
  mode_ = Mode::writing;
  record_end_ = 0;  // what is read next was written with CR LF
  after_cr_ = false;
  return IO_OK;
}

IoStatus FileConnection::write_record(std::string_view record) {
  if (mode_ != Mode::writing)
    if (IoStatus st = start_writing()) return st;
  size_t need = record.size() + 2;
  if (out_buf_.empty()) out_buf_.resize(OUTPUT_BUFFER);
  if (out_len_ + need > out_buf_.size())
    if (IoStatus st = flush()) return st;
  if (need > out_buf_.size()) {  // longer than the whole buffer: straight out
    if (!platform::write_all(file_, record.data(), record.size()) || !platform::write_all(file_, "\r\n", 2))
      return io_status(IoError::write_failure);
    file_pos_ += int64_t(need);
    return IO_OK;
  }
  std::memcpy(out_buf_.data() + out_len_, record.data(), record.size());
  out_buf_[out_len_ + record.size()] = '\r';
  out_buf_[out_len_ + record.size() + 1] = '\n';
  out_len_ += need;
  return IO_OK;
}

IoStatus FileConnection::flush() {
  if (out_len_ == 0) return IO_OK;
  size_t len = out_len_;
  out_len_ = 0;  // a failed buffer is dropped, not retried at every statement
  if (!platform::write_all(file_, out_buf_.data(), len)) return io_status(IoError::write_failure);
  file_pos_ += int64_t(len);
  return IO_OK;
}

IoStatus FileConnection::rewind() {
  IoStatus st = mode_ == Mode::writing ? flush() : IO_OK;
  mode_ = Mode::idle;
  read_failed_ = false;
  record_end_ = 0;
  after_cr_ = false;
  utf16_ = false;
  begin_ = end_ = nullptr;
  source_done_ = false;
  if (seekable_) {
    if (!platform::seek_to(file_, 0) && st == IO_OK) st = READ_FAILURE;
    file_pos_ = 0;
  }
  return st;
}

IoStatus FileConnection::disconnect() {
  IoStatus st = flush();
  if (file_.valid() && owns_file_ && !platform::close_file(file_) && st == IO_OK)
    st = io_status(IoError::write_failure);
  file_ = {};
  return st;
}

}  // namespace zirel
