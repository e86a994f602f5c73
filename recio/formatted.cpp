// Formatted statements: read_formatted, write_formatted, write_internal.
#include <cstring>
#include <stdexcept>

#include "recio/connection.h"
#include "recio/edit.h"
#include "recio/item_cursor.h"
#include "recio/statement.h"

namespace zirel {

namespace {

constexpr IoStatus CONVERSION = static_cast<IoStatus>(IoError::input_conversion);
constexpr IoStatus OVERFLOW = static_cast<IoStatus>(IoError::record_overflow);

[[noreturn]] void mismatch(const RecordFormat& format) {
  throw std::logic_error("record I/O: an item does not match its edit descriptor in " + format.text());
}

void check_reversion(const RecordFormat& format) {
  if (format.data_items() == 0)
    throw std::logic_error("record I/O: items left but no data descriptor in " + format.text());
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

IoStatus next_record(Connection& c, InRecord& record) {
  std::string_view text;
  IoStatus st = c.next_record(text);
  if (st == IO_OK) record.set(text);
  return st;
}

IoStatus read_items(Connection& c, const RecordFormat& format, ItemCursor& cur) {
  InRecord record;
  if (IoStatus st = next_record(c, record)) return st;
  size_t column = 0;
  for (;;) {
    for (const EditItem& item : format.items()) {
      switch (item.kind) {
        case EditKind::integer: {
          if (cur.done()) return IO_OK;
          if (cur.type() != IoType::integer) mismatch(format);
          std::string_view field = take_field(record, column, size_t(item.width));
          int32_t value;
          if (!parse_integer_field(field, value)) return CONVERSION;
          cur.integer_target() = value;
          cur.advance();
          break;
        }
        case EditKind::real: {
          if (cur.done()) return IO_OK;
          if (cur.type() != IoType::real || item.decimals_source >= 0) mismatch(format);
          std::string_view field = take_field(record, column, size_t(item.width));
          float value;
          if (!parse_real_field(field, item.decimals, value)) return CONVERSION;
          cur.real_target() = value;
          cur.advance();
          break;
        }
        case EditKind::skip:
        case EditKind::literal: column += size_t(item.width); break;
        case EditKind::next_record:
          if (IoStatus st = next_record(c, record)) return st;
          column = 0;
          break;
      }
    }
    if (cur.done()) return IO_OK;
    check_reversion(format);
    if (IoStatus st = next_record(c, record)) return st;  // the format starts again
    column = 0;
  }
}

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

// Formats the items; `emit` receives each finished record but the last,
// which stays in `out`. `emit` returns IO_OK or an error number.
template <class Emit>
IoStatus write_items(OutRecord& out, const RecordFormat& format, ItemCursor& cur,
                     const DecimalsSource& decimals, Emit&& emit) {
  for (;;) {
    for (const EditItem& item : format.items()) {
      switch (item.kind) {
        case EditKind::integer: {
          if (cur.done()) return IO_OK;
          if (cur.type() != IoType::integer) mismatch(format);
          char* at = out.field(size_t(item.width));
          if (at == nullptr) return OVERFLOW;
          format_integer_field({at, size_t(item.width)}, cur.integer());
          cur.advance();
          break;
        }
        case EditKind::real: {
          if (cur.done()) return IO_OK;
          if (cur.type() != IoType::real) mismatch(format);
          int d = item.decimals_source >= 0 ? decimals.value[size_t(item.decimals_source)] : item.decimals;
          if (d < 0) throw std::logic_error("record I/O: negative decimals supplied for " + format.text());
          char* at = out.field(size_t(item.width));
          if (at == nullptr) return OVERFLOW;
          format_real_field({at, size_t(item.width)}, d, cur.real());
          cur.advance();
          break;
        }
        case EditKind::skip: out.skip(size_t(item.width)); break;
        case EditKind::literal: {
          char* at = out.field(size_t(item.width));
          if (at == nullptr) return OVERFLOW;
          std::memcpy(at, format.literal(item).data(), size_t(item.width));
          break;
        }
        case EditKind::next_record:
          if (IoStatus st = emit(out.text())) return st;
          out.restart();
          break;
      }
    }
    if (cur.done()) return IO_OK;
    check_reversion(format);
    if (IoStatus st = emit(out.text())) return st;
    out.restart();
  }
}

}  // namespace

IoStatus read_formatted(UnitTable& table, int32_t unit, const RecordFormat& format,
                        IoList items, Branches branches) {
  Connection* c = table.find(unit);
  if (c == nullptr) return not_connected(unit, branches);
  ItemCursor cur(items.items());
  IoStatus st = read_items(*c, format, cur);
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
  ItemCursor cur(items.items());
  auto emit = [c](std::string_view record) { return c->write_record(record); };
  IoStatus st = write_items(out, format, cur, decimals, emit);
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
  ItemCursor cur(items.items());
  // A text buffer is a single record: starting another one overflows it.
  auto emit = [](std::string_view) { return OVERFLOW; };
  IoStatus st = write_items(out, format, cur, decimals, emit);
  out.pad();
  return st == IO_OK ? IO_OK : resolve_io_status(st, branches, INTERNAL_UNIT, INTERNAL_WRITE_NAME);
}

}  // namespace zirel
