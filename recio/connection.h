// One connected unit: the file handle or memory it reads and writes, its
// buffers and its position. Internal to the record I/O layer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "recio/io_error.h"

namespace zirel {

class Connection {
public:
  // A file already opened on `fd`. `owns_fd`: closed on disconnect; `seekable`:
  // a regular file that can be repositioned and cut.
  Connection(std::string name, int fd, bool read_only, bool owns_fd, bool seekable);
  // Memory: records read from `bytes`, or appended to `*sink`.
  Connection(std::string name, std::string_view bytes);
  Connection(std::string name, std::string* sink);
  ~Connection();  // closes without reporting; disconnect() reports
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& name() const { return name_; }
  bool same_file(int fd_of_other) const;

  // The next input record, CR LF or LF removed; valid until the next call.
  // IO_END when there is none, else IO_OK or an error number.
  IoStatus next_record(std::string_view& record);
  // Appends one record and its CR LF. IO_OK or an error number.
  IoStatus write_record(std::string_view record);
  // Pushes buffered output to the file (after every statement on the console).
  IoStatus flush();
  IoStatus end_statement() { return flush_each_statement_ ? flush() : IO_OK; }
  // Back to the first record.
  IoStatus rewind();
  // Flushes and closes the handle; the first failure is returned.
  IoStatus disconnect();

  // Assembly space for an output record, reused from record to record.
  std::vector<char>& record_space() { return record_space_; }

private:
  enum class Mode { idle, reading, writing };
  IoStatus start_writing();
  bool refill();

  std::string name_;
  int fd_ = -1;
  bool read_only_ = false;
  bool owns_fd_ = false;
  bool seekable_ = false;
  bool flush_each_statement_ = false;
  Mode mode_ = Mode::idle;
  // Input: unread bytes are [begin_, end_); file_pos_ is the handle's offset.
  std::vector<char> in_buf_;
  const char* begin_ = nullptr;
  const char* end_ = nullptr;
  bool source_done_ = false;
  bool read_failed_ = false;
  off_t file_pos_ = 0;
  std::string_view memory_in_;
  bool memory_input_ = false;
  // Output.
  std::vector<char> out_buf_;
  size_t out_len_ = 0;
  std::string* sink_ = nullptr;
  bool sink_rewound_ = false;  // the next write starts the sink afresh
  std::vector<char> record_space_;
};

// A statement on a unit that nothing is connected to: resolved as an open failure.
IoStatus not_connected(int32_t unit, Branches branches);

}  // namespace zirel
