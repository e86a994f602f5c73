#include "recio/memory_connection.h"

#include <utility>

namespace zirel {

MemoryInput::MemoryInput(std::string name, std::string_view bytes)
    : Connection(std::move(name)), bytes_(bytes), begin_(bytes.data()) {}

IoStatus MemoryInput::next_record(std::string_view& record) {
  const char* end = bytes_.data() + bytes_.size();
  if (begin_ == end) return IO_END;
  if (!split_record(begin_, end, record)) {
    record = std::string_view(begin_, size_t(end - begin_));  // last line, no LF
    begin_ = end;
  }
  return IO_OK;
}

IoStatus MemoryInput::write_record(std::string_view) {
  return io_status(IoError::permission_denied);
}

IoStatus MemoryInput::rewind() {
  begin_ = bytes_.data();
  return IO_OK;
}

MemorySink::MemorySink(std::string name, std::string* sink) : Connection(std::move(name)), sink_(sink) {}

IoStatus MemorySink::next_record(std::string_view&) { return IO_END; }

IoStatus MemorySink::write_record(std::string_view record) {
  if (std::exchange(rewound_, false)) sink_->clear();
  sink_->append(record);
  sink_->append("\r\n", 2);
  return IO_OK;
}

IoStatus MemorySink::rewind() {
  rewound_ = true;
  return IO_OK;
}

}  // namespace zirel
