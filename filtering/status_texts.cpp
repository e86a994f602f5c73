#include "filtering/status_texts.h"

#include <array>
#include <span>
#include "filtering/filter_run.h"
#include "recio/edit.h"
#include "recio/statement.h"

namespace zirel {

namespace {

constexpr int32_t COUNT_WIDTH = 5;
// Room for three counts of ten digits beside the longest message.
using StatusBuffer = std::array<char, 128>;

// I5 while the count fits; then as many columns as it needs.
int32_t count_width(int32_t count) {
  int32_t width = COUNT_WIDTH;
  while (!integer_fits(width, count))
    ++width;
  return width;
}

// Quotes a piece for a format text, doubling its quotes.
std::string quoted(const std::string& piece) {
  std::string q = "'";
  for (char c : piece) {
    q += c;
    if (c == '\'')
      q += c;
  }
  return q + "'";
}

const CountMessage& progress_message() {
  static const CountMessage m({"PROCESSING REFLECTION ", ""});
  return m;
}
const CountMessage& completed_message() {
  static const CountMessage m({"PROGRAM COMPLETED: ", " REFLECTIONS INPUT", " OUTPUT"});
  return m;
}
// Only when some accessible reflections could not be written: the file holds fewer
// than were found, and the text says so.
const CountMessage& completed_short_message() {
  static const CountMessage m(
      {"PROGRAM COMPLETED: ", " REFLECTIONS INPUT", " OUTPUT", " TOO LARGE TO WRITE"});
  return m;
}
const CountMessage& read_error_message() {
  static const CountMessage m({"  ERROR READING FILE AFTER LINE ", ""});
  return m;
}

}  // namespace

CountMessage::CountMessage(std::vector<std::string> pieces)
    : pieces_(std::move(pieces)),
      usual_(format_text(std::vector<int32_t>(pieces_.size() - 1, COUNT_WIDTH))) {}

std::string CountMessage::format_text(const std::vector<int32_t>& widths) const {
  std::string f = "(";
  for (size_t i = 0; i < pieces_.size(); ++i) {
    if (!pieces_[i].empty())
      f += quoted(pieces_[i]) + ",";
    if (i < widths.size())
      f += "I" + std::to_string(widths[i]) + ",";
  }
  f.back() = ')';
  return f;
}

std::string CountMessage::text(std::initializer_list<int32_t> counts) const {
  std::vector<int32_t> widths;
  bool usual = true;
  for (int32_t c : counts) {
    widths.push_back(count_width(c));
    usual = usual && widths.back() == COUNT_WIDTH;
  }
  StatusBuffer buffer;
  const std::span<const int32_t> values(counts.begin(), counts.size());
  if (usual)
    write_internal(buffer, usual_, {values});
  else
    write_internal(buffer, RecordFormat(format_text(widths)), {values});
  std::string_view t(buffer.data(), buffer.size());
  const size_t end = t.find_last_not_of(' ') + 1;
  return std::string(t.substr(0, std::max(end, STATUS_TEXT_LENGTH)));
}

void CountMessage::show(StatusSink& status, std::initializer_list<int32_t> counts) const {
  status.show_status(text(counts));
}

void show_progress(StatusSink& status, int32_t records_read) {
  progress_message().show(status, {records_read});
}

void show_completed(StatusSink& status, const FilterCounts& c) {
  if (c.too_large > 0)
    completed_short_message().show(status, {c.records_read, c.reflections_output, c.too_large});
  else
    completed_message().show(status, {c.records_read, c.reflections_output});
}

std::string stray_cr_warning(const FilterCounts& c) {
  static const CountMessage m({"", " RECORDS HOLD A STRAY CR: FIRST AT LINE ", ""});
  std::string t = m.text({c.stray_cr, c.first_stray_cr_line});
  t.erase(t.find_last_not_of(' ') + 1);
  return t;
}

void show_read_error(StatusSink& status, int32_t records_read) {
  read_error_message().show(status, {records_read});
}

}  // namespace zirel
