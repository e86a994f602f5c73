#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

#include "recio/format.h"

namespace zirel {
namespace {

TEST(FormatTest, EveryFormatInUseParses) {
  struct { const char* text; int data_items; size_t items; } cases[] = {
      {"(3I3,F10.0,F6.0,F10.5,I5)", 7, 7},
      {"(3I4,F8.0,F8.0)", 5, 5},
      {"(3I3,TR1,F9.d1,TR1,F5.d2,F10.5,I5)", 7, 9},
      {"(3I4,TR1,F7.d1,TR1,F7.d2)", 5, 7},
      {"(6F10.5)", 6, 6}, {"(2F10.5)", 2, 2}, {"(I5,3F10.5)", 4, 4}, {"(2I5)", 2, 2},
      {"(F6.4)", 1, 1}, {"(F6.3)", 1, 1}, {"(F10.5)", 1, 1}, {"(I3)", 1, 1},
      {"('  ERROR READING FILE AFTER LINE ',I5)", 1, 2},
      {"('PROGRAM COMPLETED: ',I5,' REFLECTIONS INPUT',I5,' OUTPUT')", 2, 5},
      {"('PROCESSING REFLECTION ',I5)", 1, 2},
      {"('   Determinant of Metric tensor = ',F10.4/'   Program halted')", 1, 4},
      {"( 2 i 5 , f 6 . 3 )", 3, 3},
      {"(3I4,TR1,F7.d1,TR1,F7.d2,A)", 6, 8},
  };
  for (const auto& c : cases) {
    RecordFormat f(c.text);
    EXPECT_EQ(f.data_items(), c.data_items) << c.text;
    EXPECT_EQ(f.items().size(), c.items) << c.text;
  }
}

TEST(FormatTest, ItemsKeepTheirMeaning) {
  RecordFormat f("(3I3,TR1,F9.d1,TR1,F5.d2,F10.5,'it''s'/)");
  const auto& it = f.items();
  ASSERT_EQ(it.size(), 10u);
  EXPECT_EQ(it[0].kind, EditKind::integer);
  EXPECT_EQ(it[2].width, 3);
  EXPECT_EQ(it[3].kind, EditKind::skip);
  EXPECT_EQ(it[3].width, 1);
  EXPECT_EQ(it[4].kind, EditKind::real);
  EXPECT_EQ(it[4].width, 9);
  EXPECT_EQ(it[4].decimals_source, 0);
  EXPECT_EQ(it[6].decimals_source, 1);
  EXPECT_EQ(it[7].decimals, 5);
  EXPECT_EQ(it[7].decimals_source, -1);
  EXPECT_EQ(it[8].kind, EditKind::literal);
  EXPECT_EQ(f.literal(it[8]), "it's");
  EXPECT_EQ(it[9].kind, EditKind::next_record);
}

TEST(FormatTest, MalformedTextIsAProgrammingError) {
  const char* bad[] = {"3I4", "(3I4", "(3I4,)", "(,I4)", "(I)", "(F8)", "(F8.)",
                       "(X4)", "(I4 I4)", "('open)", "(I4))", "(F7.d5)", "(0I4)",
                       "(I0)", "(2TR1)", "(T5)", "(A5)", ""};
  for (const char* text : bad) EXPECT_THROW(RecordFormat{text}, std::logic_error) << text;
  try {
    RecordFormat f("(3I4,F8)");
  } catch (const std::logic_error& e) {
    EXPECT_EQ(std::string(e.what()),
              "malformed record format \"(3I4,F8)\" at position 8: expected '.' after the width of F");
  }
}

}  // namespace
}  // namespace zirel
