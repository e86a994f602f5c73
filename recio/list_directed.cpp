// List-directed statements: read_list, read_internal_list, write_list.
#include <algorithm>

#include "recio/connection.h"
#include "recio/edit.h"
#include "recio/item_cursor.h"
#include "recio/statement.h"

namespace zirel {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool ends_token(char c) { return is_blank(c) || c == ',' || c == '/'; }

// Stores one value token into the current variable.
IoStatus store(std::string_view token, ItemCursor& cur) {
  if (cur.type() == IoType::integer) {
    int32_t v;
    if (!parse_list_integer(token, v)) return io_status(IoError::input_conversion);
    cur.integer_target() = v;
  } else {
    float v;
    if (!parse_list_real(token, v)) return io_status(IoError::input_conversion);
    cur.real_target() = v;
  }
  cur.advance();
  return IO_OK;
}

// Reads values for the items from the records that `next` supplies, starting
// with a new one. The rest of the last record used is left unread.
template <class NextRecord>
IoStatus read_values(NextRecord&& next, ItemCursor& cur) {
  std::string_view rec;
  if (IoStatus st = next(rec)) return st;
  size_t pos = 0;
  bool comma_pending = false;  // a value was read; one comma after it is its separator
  // Moves to the next non-blank character, taking records as needed.
  auto skip_blanks = [&]() -> IoStatus {
    for (;;) {
      while (pos < rec.size() && is_blank(rec[pos])) ++pos;
      if (pos < rec.size()) return IO_OK;
      if (IoStatus st = next(rec)) return st;
      pos = 0;
    }
  };
  while (!cur.done()) {
    if (IoStatus st = skip_blanks()) return st;
    if (comma_pending && rec[pos] == ',') {
      comma_pending = false;
      ++pos;
      if (IoStatus st = skip_blanks()) return st;
    }
    comma_pending = false;
    char c = rec[pos];
    if (c == '/') return IO_OK;  // the remaining variables keep their values
    if (c == ',') {              // a null value
      ++pos;
      cur.advance();
      continue;
    }
    size_t start = pos;
    while (pos < rec.size() && !ends_token(rec[pos])) ++pos;
    std::string_view token = rec.substr(start, pos - start);
    if (token.find_first_of("()'\"") != std::string_view::npos) return io_status(IoError::list_syntax);
    size_t star = token.find('*');
    int32_t repeat = 1;
    if (star != std::string_view::npos) {
      // "*****" (an overflowed field) is no number at all; "0*" is a bad repeat.
      std::string_view count = token.substr(0, star);
      if (count.empty() || count.find_first_not_of("0123456789") != std::string_view::npos)
        return io_status(IoError::input_conversion);
      if (!parse_list_integer(count, repeat) || repeat < 1) return io_status(IoError::list_syntax);
      token.remove_prefix(star + 1);
      if (token.find('*') != std::string_view::npos) return io_status(IoError::list_syntax);
    }
    for (int32_t k = 0; k < repeat && !cur.done(); ++k) {
      if (token.empty()) {
        cur.advance();  // r* alone: r null values
      } else if (IoStatus st = store(token, cur)) {
        return st;
      }
    }
    comma_pending = true;
  }
  return IO_OK;
}

}  // namespace

IoStatus read_list(UnitTable& table, int32_t unit, IoList items, Branches branches) {
  Connection* c = table.find(unit);
  if (c == nullptr) return not_connected(unit, branches);
  ItemCursor cur(items.items());
  IoStatus st = read_values([c](std::string_view& rec) { return c->next_record(rec); }, cur);
  return st == IO_OK ? IO_OK : resolve_io_status(st, branches, unit, c->name());
}

IoStatus read_list(int32_t unit, IoList items, Branches branches) {
  return read_list(units(), unit, items, branches);
}

IoStatus read_internal_list(std::string_view buffer, IoList items, Branches branches) {
  bool taken = false;
  auto next = [&](std::string_view& rec) {
    if (taken) return IO_END;
    taken = true;
    rec = buffer;
    return IO_OK;
  };
  ItemCursor cur(items.items());
  IoStatus st = read_values(next, cur);
  return st == IO_OK ? IO_OK
                     : resolve_io_status(st, branches, INTERNAL_UNIT, INTERNAL_LIST_READ_NAME);
}

void write_list(UnitTable& table, std::string_view text) {
  Connection* c = table.find(DEFAULT_OUTPUT_UNIT);
  if (c == nullptr) {
    not_connected(DEFAULT_OUTPUT_UNIT, {});
    return;
  }
  // The record begins with one blank (list-directed output's carriage control).
  std::vector<char>& space = c->record_space();
  if (space.size() < text.size() + 1) space.resize(text.size() + 1);
  space[0] = ' ';
  std::copy(text.begin(), text.end(), space.begin() + 1);
  IoStatus st = c->write_record(std::string_view(space.data(), text.size() + 1));
  if (st == IO_OK) st = c->end_statement();
  if (st != IO_OK) resolve_io_status(st, {}, DEFAULT_OUTPUT_UNIT, c->name());
}

void write_list(std::string_view text) { write_list(units(), text); }

}  // namespace zirel
