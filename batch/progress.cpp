#include "batch/progress.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace zirel::batch {

namespace {

// The clock is looked at once per this many records, so the per-record cost is a decrement.
constexpr int32_t RECORDS_PER_CLOCK_LOOK = 4096;
constexpr auto MIN_INTERVAL = std::chrono::milliseconds(100);

// Share of the index cube already scanned, from the generator's (h, k) row.
int percent_done(const GenerationState& g) {
  const int64_t side = 2 * int64_t(g.index_bound) + 1;
  const int64_t row = (int64_t(g.h) + g.index_bound) * side + (int64_t(g.k) + g.index_bound);
  return g.finished ? 100 : int(row * 100 / (side * side));
}

}  // namespace

ProgressReporter::ProgressReporter(bool terminal, const GenerationState* generator)
    : terminal_(terminal), generator_(generator), last_draw_(std::chrono::steady_clock::now()) {}

bool ProgressReporter::progress_due() {
  ++records_;
  if (terminal_ && --countdown_ == 0) {
    countdown_ = RECORDS_PER_CLOCK_LOOK;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_draw_ >= MIN_INTERVAL) {
      last_draw_ = now;
      draw();
    }
  }
  // The batch tool shows its own line (the count does not fit the status text's I5).
  return false;
}

void ProgressReporter::show_status(std::string_view text) {
  text_length_ = std::min(text.size(), text_.size());
  std::memcpy(text_.data(), text.data(), text_length_);
}

std::string_view ProgressReporter::final_text() const {
  std::string_view t(text_.data(), text_length_);
  const size_t end = t.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : t.substr(0, end + 1);
}

void ProgressReporter::draw() {
  char line[96] = "\rzirel-batch: ";
  char* p = line + std::strlen(line);
  char* end = line + sizeof line;
  p = std::to_chars(p, end, records_).ptr;
  const char* unit = " reflections";
  p = std::copy(unit, unit + std::strlen(unit), p);
  if (generator_ != nullptr) {
    *p++ = ' ';
    p = std::to_chars(p, end, percent_done(*generator_)).ptr;
    *p++ = '%';
  }
  std::fwrite(line, 1, size_t(p - line), stderr);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressReporter::clear() {
  if (drawn_)
    std::fputs("\r\033[K", stderr);
  drawn_ = false;
}

}  // namespace zirel::batch
