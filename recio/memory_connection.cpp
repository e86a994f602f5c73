#include "recio/memory_connection.h"

#include <utility>

namespace zirel {

MemoryInput::MemoryInput(std::string name, std::string_view bytes)
    : Connection(std::move(name)), bytes_(bytes), record_end_(record_end_for(bytes)),
      utf16_(starts_as_utf16(bytes)) {
  if (bytes_.starts_with(UTF8_BOM)) bytes_.remove_prefix(UTF8_BOM.size());
  begin_ = bytes_.data();
}

IoStatus MemoryInput::next_record(std::string_view& record) {
  if (utf16_) return io_status(IoError::utf16_text);
  const char* end = bytes_.data() + bytes_.size();
  // The LF of a CR LF, in a file whose records end at CR.
  if (record_end_ == '\r' && begin_ != bytes_.data() && begin_ != end && *begin_ == '\n' && begin_[-1] == '\r')
    ++begin_;
  if (begin_ == end) return IO_END;
  if (!split_record(begin_, end, record, record_end_)) {
    record = last_line(std::string_view(begin_, size_t(end - begin_)), record_end_);
    begin_ = end;
  }
  return checked_length(record);
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
