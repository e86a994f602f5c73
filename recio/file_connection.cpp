#include "recio/file_connection.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zirel {

namespace {

// Large buffers: a whole reflection file passes in a few dozen system calls.
constexpr size_t INPUT_BUFFER = 1 << 20;
constexpr size_t OUTPUT_BUFFER = 1 << 18;

// A failing read has no condition of its own; it is a failure of the file system.
constexpr IoStatus READ_FAILURE = io_status(IoError::open_failure);

bool write_all(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    data += n;
    size -= size_t(n);
  }
  return true;
}

}  // namespace

FileConnection::FileConnection(std::string name, int fd, bool read_only, bool owns_fd, bool seekable)
    : Connection(std::move(name)), fd_(fd), read_only_(read_only), owns_fd_(owns_fd), seekable_(seekable) {}

FileConnection::~FileConnection() { disconnect(); }

bool FileConnection::same_file(int other) const {
  struct stat a, b;
  if (fd_ < 0 || ::fstat(fd_, &a) != 0 || ::fstat(other, &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Moves the unread bytes to the front and reads more; false at end or failure.
bool FileConnection::refill() {
  if (source_done_ || fd_ < 0) return false;
  size_t unread = size_t(end_ - begin_);
  if (in_buf_.empty()) in_buf_.resize(INPUT_BUFFER);
  if (unread > 0 && begin_ != in_buf_.data()) std::memmove(in_buf_.data(), begin_, unread);
  if (unread == in_buf_.size()) in_buf_.resize(in_buf_.size() * 2);  // a very long record
  for (;;) {
    ssize_t n = ::read(fd_, in_buf_.data() + unread, in_buf_.size() - unread);
    if (n < 0 && errno == EINTR) continue;
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
}

IoStatus FileConnection::next_record(std::string_view& record) {
  if (mode_ == Mode::writing) {
    if (IoStatus st = flush()) return st;
    // Nothing follows the records just written.
    begin_ = end_ = nullptr;
    source_done_ = true;
  }
  mode_ = Mode::reading;
  size_t scanned = 0;
  for (;;) {
    if (split_record(begin_, end_, record, scanned)) return IO_OK;
    scanned = size_t(end_ - begin_);
    if (!refill()) break;
  }
  if (read_failed_) return READ_FAILURE;
  if (begin_ == end_) return IO_END;
  record = std::string_view(begin_, size_t(end_ - begin_));  // last line, no LF
  begin_ = end_;
  return IO_OK;
}

// A sequential write makes its record the last one: the file is cut where
// the first write after reading, opening or rewinding begins.
IoStatus FileConnection::start_writing() {
  if (read_only_) return io_status(IoError::permission_denied);
  if (seekable_) {
    off_t position = file_pos_ - (end_ - begin_);
    if (::lseek(fd_, position, SEEK_SET) < 0 || ::ftruncate(fd_, position) != 0)
      return io_status(IoError::write_failure);
    file_pos_ = position;
  }
  begin_ = end_ = nullptr;
  source_done_ = false;
  mode_ = Mode::writing;
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
    if (!write_all(fd_, record.data(), record.size()) || !write_all(fd_, "\r\n", 2))
      return io_status(IoError::write_failure);
    file_pos_ += off_t(need);
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
  if (!write_all(fd_, out_buf_.data(), len)) return io_status(IoError::write_failure);
  file_pos_ += off_t(len);
  return IO_OK;
}

IoStatus FileConnection::rewind() {
  IoStatus st = mode_ == Mode::writing ? flush() : IO_OK;
  mode_ = Mode::idle;
  read_failed_ = false;
  begin_ = end_ = nullptr;
  source_done_ = false;
  if (seekable_) {
    if (::lseek(fd_, 0, SEEK_SET) < 0 && st == IO_OK) st = READ_FAILURE;
    file_pos_ = 0;
  }
  return st;
}

IoStatus FileConnection::disconnect() {
  IoStatus st = flush();
  if (fd_ >= 0 && owns_fd_) {
    if (::close(fd_) != 0 && st == IO_OK && errno != EINTR) st = io_status(IoError::write_failure);
  }
  fd_ = -1;
  return st;
}

}  // namespace zirel
