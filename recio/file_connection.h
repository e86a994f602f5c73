// A unit connected to a file: an external unit. Reads and writes go through
// large buffers, so a reflection file passes in a few dozen system calls.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "recio/connection.h"
#include "recio/platform.h"

namespace zirel {

class FileConnection final : public Connection {
public:
  // A file already opened. `owns_file`: closed on disconnect; `seekable`: a
  // regular file that can be repositioned and cut. Anything else (the console,
  // a pipe) is written through after every statement.
  FileConnection(std::string name, platform::FileHandle file, bool read_only, bool owns_file,
                 bool seekable);
  ~FileConnection() override;  // closes without reporting; disconnect() reports

  bool read_only() const override { return read_only_; }
  bool is_file(const platform::FileIdentity& identity) const override;
  IoStatus next_record(std::string_view& record) override;
  IoStatus write_record(std::string_view record) override;
  IoStatus end_statement() override { return seekable_ ? IO_OK : flush(); }
  IoStatus flush() override;
  IoStatus rewind() override;
  IoStatus disconnect() override;

private:
  enum class Mode { idle, reading, writing };
  IoStatus start_writing();
  bool refill();
  void decide_record_end();

  platform::FileHandle file_;
  bool read_only_;
  bool owns_file_;
  bool seekable_;
  Mode mode_ = Mode::idle;
  char record_end_ = 0;  // '\n' or '\r' once decided from the file's bytes
  bool after_cr_ = false;  // the last record ended at CR: an LF next belongs to it
  bool utf16_ = false;     // UTF-16 text: every read is refused
  // Input: unread bytes are [begin_, end_); file_pos_ is the handle's offset.
  std::vector<char> in_buf_;
  const char* begin_ = nullptr;
  const char* end_ = nullptr;
  bool source_done_ = false;
  bool read_failed_ = false;
  int64_t file_pos_ = 0;
  // Output waiting in out_buf_: its first out_len_ bytes.
  std::vector<char> out_buf_;
  size_t out_len_ = 0;
};

}  // namespace zirel
