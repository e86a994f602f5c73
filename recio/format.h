// A record format, parsed once from its text and reused by every statement.
//
// Notation: items separated by commas, blanks ignored outside quotes:
//   Iw       integer in w columns            (3I4 repeats it three times)
//   Fw.d     real in w columns, d decimals   (2F10.5)
//   Fw.dK    real whose decimals are supplied when the statement runs:
//            K = 1..4 picks DecimalsSource::value[K-1], e.g. (3I4,TR1,F7.d1,TR1,F7.d2)
//   A        characters written as they stand, as many as the value has (output only)
//   TRn      move n columns to the right
//   /        end the record and start the next (no comma needed around it)
//   'text'   literal text, copied on output; '' inside stands for one quote
// The whole text must be enclosed in parentheses. Repeat counts are expanded
// when the format is parsed, so a statement walks a flat list of items.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zirel {

enum class EditKind : uint8_t { integer, real, text, skip, next_record, literal };

struct EditItem {
  EditKind kind;
  int32_t width = 0;        // I, F: field width; TR: columns to skip; literal: its length; A: 0
  int32_t decimals = 0;     // F with constant decimals
  int8_t decimals_source = -1;  // F.dK: K-1; -1 when the decimals are constant
  uint32_t literal_offset = 0;  // literal: start in RecordFormat::literals()
  bool is_data() const { return kind == EditKind::integer || kind == EditKind::real || kind == EditKind::text; }
};

constexpr int DECIMALS_SOURCES = 4;

class RecordFormat {
public:
  // Parses `text`. A malformed text is a programming error: throws
  // std::logic_error naming the text and the 1-based position of the fault.
  explicit RecordFormat(std::string_view text);

  const std::vector<EditItem>& items() const { return items_; }
  std::string_view literal(const EditItem& item) const {
    return std::string_view(literals_).substr(item.literal_offset, item.width);
  }
  const std::string& text() const { return text_; }
  int data_items() const { return data_items_; }

private:
  std::string text_;
  std::string literals_;
  std::vector<EditItem> items_;
  int data_items_ = 0;
};

}  // namespace zirel
