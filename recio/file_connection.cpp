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

// Reads until the first LF, more than a record's worth of bytes, or the end.
void FileConnection::decide_record_end() {
  for (;;) {
    const std::string_view seen(begin_, size_t(end_ - begin_));
    if (seen.find('\n') != std::string_view::npos || seen.size() > MAX_RECORD_LENGTH + 1 || !refill()) break;
  }
  record_end_ = record_end_for(std::string_view(begin_, size_t(end_ - begin_)));
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
  size_t scanned = 0;
  for (;;) {
    if (split_record(begin_, end_, record, record_end_, scanned)) return checked_length(record);
    scanned = size_t(end_ - begin_);
    // Too long already (one more byte may be the CR of a CR LF): the record
    // is not gathered any further.
    if (scanned > MAX_RECORD_LENGTH + 1) return io_status(IoError::record_too_long);
    if (!refill()) break;
  }
  if (read_failed_) return READ_FAILURE;
  if (begin_ == end_) return IO_END;
  record = std::string_view(begin_, size_t(end_ - begin_));  // last line, no LF
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
