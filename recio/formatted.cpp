// Formatted statements: read_formatted, write_formatted, write_internal.
#include <cstring>
#include <stdexcept>

#include "recio/connection.h"
#include "recio/edit.h"
#include "recio/item_cursor.h"
#include "recio/statement.h"

namespace zirel {

namespace {

[[noreturn]] void mismatch(const RecordFormat& format) {
  throw std::logic_error("record I/O: an item does not match its edit descriptor in " + format.text());
}

IoType type_of(const EditItem& item) {
  return item.kind == EditKind::integer ? IoType::integer : IoType::real;
}

// Walks the format for one statement, reading and writing alike, and hands
// each item to `step`:
//   step.data(item)        a data descriptor; the cursor is at the element it transfers
//   step.position(item)    TRn or a literal
//   step.new_record()      a slash, or reversion: items remain at the end of the
//                          format, which then starts again on a new record
// Each returns IO_OK or a condition, which ends the statement. The statement is
// complete at the first data descriptor met after the last element.
template <class Step>
IoStatus walk_format(const RecordFormat& format, ItemCursor& cur, Step& step) {
  for (;;) {
    for (const EditItem& item : format.items()) {
      IoStatus st;
      if (item.is_data()) {
        if (cur.done()) return IO_OK;
        if (cur.type() != type_of(item)) mismatch(format);
        st = step.data(item);
        if (st == IO_OK) cur.advance();
      } else if (item.kind == EditKind::next_record) {
        st = step.new_record();
      } else {
        st = step.position(item);
      }
      if (st != IO_OK) return st;
    }
    if (cur.done()) return IO_OK;
    if (format.data_items() == 0)
      throw std::logic_error("record I/O: items left but no data descriptor in " + format.text());
    if (IoStatus st = step.new_record()) return st;
  }
}

// An input record and whether it holds a comma at all: most hold none, and
// then no field needs to be searched for one.
struct InRecord {
  std::string_view text;
  bool commas = false;
  void set(std::string_view t) {
    text = t;
    commas = !t.empty() && std::memchr(t.data(), ',', t.size()) != nullptr;
  }
};

// The next w columns of the record from `column`; the record reads as if padded
// with blanks, and a comma ends the field early.
std::string_view take_field(const InRecord& record, size_t& column, size_t width) {
  size_t size = record.text.size();
  size_t start = column < size ? column : size;
  size_t stop = column + width < size ? column + width : size;
  if (record.commas) {
    for (size_t i = start; i < stop; ++i) {
      if (record.text[i] == ',') {
        column = i + 1;
        return record.text.substr(start, i - start);
      }
    }
  }
  column += width;
  return record.text.substr(start, stop - start);
}

// Fills the items from fields of the unit's records.
class FieldReader {
public:
  FieldReader(Connection& c, const RecordFormat& format, ItemCursor& cur)
      : connection_(c), format_(format), cur_(cur) {}

  // A statement starts on a new record.
  IoStatus start() { return new_record(); }

  IoStatus data(const EditItem& item) {
    // Decimals are supplied only to writes; a read takes them from the field.
    if (item.decimals_source >= 0) mismatch(format_);
    std::string_view field = take_field(record_, column_, size_t(item.width));
    // Parsed aside: a variable whose field is bad keeps its old value.
    if (item.kind == EditKind::integer) {
      int32_t value;
      if (!parse_integer_field(field, value)) return io_status(IoError::input_conversion);
      cur_.integer_target() = value;
    } else {
      float value;
      if (!parse_real_field(field, item.decimals, value)) return io_status(IoError::input_conversion);
      cur_.real_target() = value;
    }
    return IO_OK;
  }
  IoStatus position(const EditItem& item) {
    column_ += size_t(item.width);
    return IO_OK;
  }
  IoStatus new_record() {
    std::string_view text;
    IoStatus st = connection_.next_record(text);
    if (st == IO_OK) record_.set(text);
    column_ = 0;
    return st;
  }

private:
  Connection& connection_;
  const RecordFormat& format_;
  ItemCursor& cur_;
  InRecord record_;
  size_t column_ = 0;
};

// A record being formatted, in the unit's reusable space or a caller's buffer.
class OutRecord {
public:
  // The unit's space only grows; its first length_ characters are the record.
  explicit OutRecord(std::vector<char>& space) : space_(&space) {}
  explicit OutRecord(std::span<char> fixed) : fixed_(fixed) {}

  // Room for `width` columns at the column pointer; nullptr past a fixed buffer.
  char* field(size_t width) {
    size_t stop = column_ + width;
    char* base;
    if (space_ != nullptr) {
      if (space_->size() < stop) space_->resize(stop < 256 ? 256 : 2 * stop);
      base = space_->data();
    } else {
      if (stop > fixed_.size()) return nullptr;
      base = fixed_.data();
    }
    if (column_ > length_) std::memset(base + length_, ' ', column_ - length_);
    char* at = base + column_;
    column_ = stop;
    if (stop > length_) length_ = stop;
    return at;
  }
  void skip(size_t columns) { column_ += columns; }
  std::string_view text() const {
    return std::string_view(space_ != nullptr ? space_->data() : fixed_.data(), length_);
  }
  void restart() {
    column_ = length_ = 0;
  }
  // The rest of a fixed buffer is blank.
  void pad() {
    if (space_ == nullptr) std::memset(fixed_.data() + length_, ' ', fixed_.size() - length_);
  }

private:
  std::vector<char>* space_ = nullptr;
  std::span<char> fixed_;
  size_t column_ = 0, length_ = 0;
};

// Formats the items into `out`. Each finished record but the last goes to
// `emit` (IO_OK or an error number); the last stays in `out`.
template <class Emit>
class FieldWriter {
public:
  FieldWriter(OutRecord& out, const RecordFormat& format, const ItemCursor& cur,
              const DecimalsSource& decimals, Emit& emit)
      : out_(out), format_(format), cur_(cur), decimals_(decimals), emit_(emit) {}

  IoStatus data(const EditItem& item) {
    const bool integer = item.kind == EditKind::integer;
    const int d = integer ? 0 : decimals_of(item);
    char* at = out_.field(size_t(item.width));
    if (at == nullptr) return io_status(IoError::record_overflow);
    std::span<char> field(at, size_t(item.width));
    if (integer)
      format_integer_field(field, cur_.integer());
    else
      format_real_field(field, d, cur_.real());
    return IO_OK;
  }
  IoStatus position(const EditItem& item) {
    if (item.kind == EditKind::skip) {
      out_.skip(size_t(item.width));
      return IO_OK;
    }
    char* at = out_.field(size_t(item.width));
    if (at == nullptr) return io_status(IoError::record_overflow);
    std::memcpy(at, format_.literal(item).data(), size_t(item.width));
    return IO_OK;
  }
  IoStatus new_record() {
    IoStatus st = emit_(out_.text());
    out_.restart();
    return st;
  }

private:
  int decimals_of(const EditItem& item) const {
    if (item.decimals_source < 0) return item.decimals;
    int d = decimals_.value[size_t(item.decimals_source)];
    if (d < 0) throw std::logic_error("record I/O: negative decimals supplied for " + format_.text());
    return d;
  }

  OutRecord& out_;
  const RecordFormat& format_;
  const ItemCursor& cur_;
  const DecimalsSource& decimals_;
  Emit& emit_;
};

template <class Emit>
IoStatus write_items(OutRecord& out, const RecordFormat& format, IoList items,
                     const DecimalsSource& decimals, Emit emit) {
  ItemCursor cur(items.items());
  FieldWriter<Emit> writer(out, format, cur, decimals, emit);
  return walk_format(format, cur, writer);
}

}  // namespace

IoStatus read_formatted(UnitTable& table, int32_t unit, const RecordFormat& format,
                        IoList items, Branches branches) {
  Connection* c = table.find(unit);
  if (c == nullptr) return not_connected(unit, branches);
  ItemCursor cur(items.items());
  FieldReader reader(*c, format, cur);
  IoStatus st = reader.start();
  if (st == IO_OK) st = walk_format(format, cur, reader);
  return st == IO_OK ? IO_OK : resolve_io_status(st, branches, unit, c->name());
}

IoStatus read_formatted(int32_t unit, const RecordFormat& format, IoList items, Branches branches) {
  return read_formatted(units(), unit, format, items, branches);
}

IoStatus write_formatted(UnitTable& table, int32_t unit, const RecordFormat& format,
                         IoList items, DecimalsSource decimals, Branches branches) {
  Connection* c = table.find(unit);
  if (c == nullptr) return not_connected(unit, branches);
  OutRecord out(c->record_space());
  auto emit = [c](std::string_view record) { return c->write_record(record); };
  IoStatus st = write_items(out, format, items, decimals, emit);
  if (st == IO_OK) st = c->write_record(out.text());
  if (st == IO_OK) st = c->end_statement();
  return st == IO_OK ? IO_OK : resolve_io_status(st, branches, unit, c->name());
}

IoStatus write_formatted(int32_t unit, const RecordFormat& format, IoList items,
                         DecimalsSource decimals, Branches branches) {
  return write_formatted(units(), unit, format, items, decimals, branches);
}

IoStatus write_internal(std::span<char> buffer, const RecordFormat& format, IoList items,
                        DecimalsSource decimals, Branches branches) {
  OutRecord out(buffer);
  // A text buffer is a single record: starting another one overflows it.
  auto emit = [](std::string_view) { return io_status(IoError::record_overflow); };
  IoStatus st = write_items(out, format, items, decimals, emit);
  out.pad();
  return st == IO_OK ? IO_OK : resolve_io_status(st, branches, INTERNAL_UNIT, INTERNAL_WRITE_NAME);
}

}  // namespace zirel
