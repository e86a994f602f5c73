#include <gtest/gtest.h>

#include <limits>
#include "filter_harness.h"
#include "filtering/status_texts.h"

namespace zirel {
namespace {

using test::cubic_settings;
using test::run_filter;

std::string padded(std::string text) {
  if (text.size() < STATUS_TEXT_LENGTH)
    text.resize(STATUS_TEXT_LENGTH, ' ');
  return text;
}

// A count keeps its five columns while it fits them; beyond, it takes the columns
// it needs instead of turning into *****.
TEST(StatusTexts, CountsTakeTheColumnsTheyNeed) {
  const CountMessage completed({"PROGRAM COMPLETED: ", " REFLECTIONS INPUT", " OUTPUT"});
  const CountMessage too_large({"PROGRAM COMPLETED: ", " REFLECTIONS INPUT", " OUTPUT", " TOO LARGE TO WRITE"});
  constexpr int32_t MAX = std::numeric_limits<int32_t>::max();
  struct Case {
    const CountMessage& message;
    std::initializer_list<int32_t> counts;
    std::string text;
  };
  const Case cases[] = {
      {completed, {49, 25}, "PROGRAM COMPLETED:    49 REFLECTIONS INPUT   25 OUTPUT"},
      {completed, {99999, 99999}, "PROGRAM COMPLETED: 99999 REFLECTIONS INPUT99999 OUTPUT"},
      {completed, {100000, 99999}, "PROGRAM COMPLETED: 100000 REFLECTIONS INPUT99999 OUTPUT"},
      {completed, {1000001, 250000}, "PROGRAM COMPLETED: 1000001 REFLECTIONS INPUT250000 OUTPUT"},
      {too_large, {MAX, MAX, MAX},
       "PROGRAM COMPLETED: 2147483647 REFLECTIONS INPUT2147483647 OUTPUT2147483647 TOO LARGE TO WRITE"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.message.text(c.counts), padded(c.text)) << c.text;
}

TEST(StatusTexts, RunOfMoreThan99999RecordsReportsItsTrueCounts) {
  std::string in;
  for (int i = 0; i < 100000; ++i)
    in += "   1   0   0   100.0     1.0\n";
  const RunSettings s = cubic_settings(InputKind::Shelx, OutputKind::Shelx);

  const auto done = run_filter(in + "   0   0   0     0.0     0.0\n", s, true);
  EXPECT_EQ(done.sink.texts.back(), padded("PROGRAM COMPLETED: 100001 REFLECTIONS INPUT100000 OUTPUT"));
  EXPECT_EQ(done.sink.texts[done.sink.texts.size() - 2], padded("PROCESSING REFLECTION 100000"));
  EXPECT_EQ(done.sink.texts[99998], padded("PROCESSING REFLECTION 99999"));

  const auto failed = run_filter(in + "   2   0   0   1x0.0     1.0\n", s);
  EXPECT_TRUE(failed.counts.run_failed);
  EXPECT_EQ(failed.sink.texts.back(), padded("  ERROR READING FILE AFTER LINE 100000"));
}

}  // namespace
}  // namespace zirel
