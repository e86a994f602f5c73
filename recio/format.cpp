#include "recio/format.h"

#include <stdexcept>

namespace zirel {

namespace {

// Walks the format text; every fault names the text and the column.
struct FormatParser {
  std::string_view text;
  size_t pos = 0;

  [[noreturn]] void fail(const char* what) const {
    throw std::logic_error("malformed record format \"" + std::string(text) + "\" at position " +
                           std::to_string(pos + 1) + ": " + what);
  }
  void skip_blanks() {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  }
  bool at_digit() const { return pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; }
  char peek() {
    skip_blanks();
    return pos < text.size() ? text[pos] : '\0';
  }
  // Unsigned number, blanks allowed between the digits as in the format text.
  int32_t number(const char* what) {
    skip_blanks();
    if (!at_digit()) fail(what);
    int64_t n = 0;
    while (at_digit()) {
      n = n * 10 + (text[pos++] - '0');
      if (n > 1'000'000) fail("number too large");
      skip_blanks();
    }
    return static_cast<int32_t>(n);
  }
};

}  // namespace

RecordFormat::RecordFormat(std::string_view text) : text_(text) {
  FormatParser p{text_};
  if (p.peek() != '(') p.fail("expected '('");
  ++p.pos;
  bool need_separator = false;  // after an item, before the next: ',' or '/'
  for (;;) {
    char c = p.peek();
    if (c == '\0') p.fail("missing ')'");
    if (c == ')') {
      if (!need_separator && !items_.empty() && items_.back().kind != EditKind::next_record)
        p.fail("',' before ')'");
      ++p.pos;
      break;
    }
    if (c == ',') {
      if (!need_separator) p.fail("unexpected ','");
      need_separator = false;
      ++p.pos;
      continue;
    }
    if (c == '/') {
      items_.push_back({EditKind::next_record});
      need_separator = false;
      ++p.pos;
      continue;
    }
    if (need_separator) p.fail("expected ',' or ')'");
    if (c == '\'' || c == '"') {
      size_t start = literals_.size();
      char quote = c;
      ++p.pos;
      for (;;) {
        if (p.pos >= text_.size()) p.fail("unterminated literal");
        char ch = text_[p.pos++];
        if (ch == quote) {
          if (p.pos < text_.size() && text_[p.pos] == quote) {
            literals_ += quote;
            ++p.pos;
            continue;
          }
          break;
        }
        literals_ += ch;
      }
      EditItem item{EditKind::literal};
      item.width = static_cast<int32_t>(literals_.size() - start);
      item.literal_offset = static_cast<uint32_t>(start);
      items_.push_back(item);
      need_separator = true;
      continue;
    }
    int32_t repeat = 1;
    if (p.at_digit()) {
      repeat = p.number("expected a repeat count");
      if (repeat == 0) p.fail("repeat count of zero");
    }
    c = p.peek();
    EditItem item{EditKind::integer};
    if (c == 'I' || c == 'i') {
      ++p.pos;
      item.width = p.number("expected a width after I");
    } else if (c == 'F' || c == 'f') {
      ++p.pos;
      item.kind = EditKind::real;
      item.width = p.number("expected a width after F");
      if (p.peek() != '.') p.fail("expected '.' after the width of F");
      ++p.pos;
      char d = p.peek();
      if (d == 'd' || d == 'D') {
        ++p.pos;
        int32_t k = p.number("expected the number of a decimals source after d");
        if (k < 1 || k > DECIMALS_SOURCES) p.fail("decimals source out of range (1 to 4)");
        item.decimals_source = static_cast<int8_t>(k - 1);
      } else {
        item.decimals = p.number("expected the decimals of F");
      }
    } else if (c == 'A' || c == 'a') {
      ++p.pos;
      item.kind = EditKind::text;
      if (p.at_digit()) p.fail("A takes no width: it writes the whole value");
    } else if (c == 'T' || c == 't') {
      ++p.pos;
      char r = p.peek();
      if (r != 'R' && r != 'r') p.fail("only TRn is supported among the T items");
      ++p.pos;
      item.kind = EditKind::skip;
      item.width = p.number("expected a column count after TR");
      if (repeat != 1) p.fail("TR takes no repeat count");
    } else {
      p.fail("unknown edit descriptor");
    }
    if (item.kind != EditKind::skip && item.kind != EditKind::text && item.width == 0)
      p.fail("field width of zero");
    for (int32_t i = 0; i < repeat; ++i) items_.push_back(item);
    if (item.is_data()) data_items_ += repeat;
    need_separator = true;
  }
  if (p.peek() != '\0') p.fail("text after the closing ')'");
}

}  // namespace zirel
