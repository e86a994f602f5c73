// The filtering run's status texts: progress, completion and the read error.
// Each count has its five columns (I5) as long as it fits them; a larger count
// takes the columns it needs, so a run of a million records reports its true
// counts instead of asterisks, and a count that fits keeps the text unchanged.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>
#include "recio/format.h"

namespace zirel {

class StatusSink;
struct FilterCounts;

// Texts are 80 characters, blank-padded, or longer when wide counts need it.
inline constexpr std::size_t STATUS_TEXT_LENGTH = 80;

// A message of literal pieces with a count after each piece but the last:
//   {"PROGRAM COMPLETED: ", " REFLECTIONS INPUT", " OUTPUT"}
class CountMessage {
public:
  explicit CountMessage(std::vector<std::string> pieces);
  // The counts, in order, after the pieces; handed to `status`.
  void show(StatusSink& status, std::initializer_list<int32_t> counts) const;
  // The same text, blank-padded to at least STATUS_TEXT_LENGTH characters.
  std::string text(std::initializer_list<int32_t> counts) const;

private:
  std::string format_text(const std::vector<int32_t>& widths) const;
  std::vector<std::string> pieces_;
  RecordFormat usual_;  // every count in I5, parsed once
};

// "PROCESSING REFLECTION n"
void show_progress(StatusSink& status, int32_t records_read);
// "PROGRAM COMPLETED: n REFLECTIONS INPUT m OUTPUT", with "k TOO LARGE TO WRITE"
// when accessible reflections were left out.
void show_completed(StatusSink& status, const FilterCounts& counts);
// "n RECORDS HOLD A STRAY CR: FIRST AT LINE m", trailing blanks removed: the
// warning after a run with kept columns that left such records out.
std::string stray_cr_warning(const FilterCounts& counts);
// "  ERROR READING FILE AFTER LINE n"
void show_read_error(StatusSink& status, int32_t records_read);

}  // namespace zirel
