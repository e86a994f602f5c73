// The two memory connections: internal units in all but name, reached through
// unit numbers so that the program's statements run on them unchanged (tests,
// benchmarks and fuzzing drive the reflection run this way).
#pragma once

#include <string>
#include <string_view>

#include "recio/connection.h"

namespace zirel {

// Records read from bytes the caller keeps alive; writing is refused as on a
// read-only file.
class MemoryInput final : public Connection {
public:
  MemoryInput(std::string name, std::string_view bytes);

  bool read_only() const override { return true; }

  IoStatus next_record(std::string_view& record) override;
  IoStatus write_record(std::string_view record) override;
  IoStatus rewind() override;

private:
  std::string_view bytes_;
  const char* begin_;  // unread bytes are [begin_, end of bytes_)
  char record_end_;
  bool utf16_;  // refused at the first read
};

// Every record written is appended, with its CR LF, to the caller's string.
// Nothing can be read back: reading is always at the end.
class MemorySink final : public Connection {
public:
  MemorySink(std::string name, std::string* sink);

  IoStatus next_record(std::string_view& record) override;
  IoStatus write_record(std::string_view record) override;
  IoStatus rewind() override;

private:
  std::string* sink_;
  bool rewound_ = false;  // the next write starts the string afresh
};

}  // namespace zirel
