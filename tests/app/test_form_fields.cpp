// The table of the form's edit fields: every control once, in the order the form
// is filled, each editing a setting of its own, and each display format showing
// what reading the field back gives.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include "app/form_fields.h"
#include "dialog/form_template.h"
#include "filtering/settings_records.h"
#include "recio/recio.h"

namespace zirel {
namespace {

// The fields in the form's order, with what the defaults show in each: right
// justified in 10 characters, the rest blank.
TEST(FormFields, EveryControlOnceInOrderWithItsDefault) {
  const struct {
    int id;
    const char* name;
    const char* shows;
  } expected[] = {
      {IDC_WAVELENGTH, "WAVELENGTH", "0.7093    "}, {IDC_PSI_MAX, "PSI MAX", "40.000    "},
      {IDC_CELL_A, "CELL A", "   5.00000"},        {IDC_CELL_B, "CELL B", "   5.00000"},
      {IDC_CELL_C, "CELL C", "   5.00000"},        {IDC_CELL_ALPHA, "CELL ALPHA", "  90.00000"},
      {IDC_CELL_BETA, "CELL BETA", "  90.00000"},  {IDC_CELL_GAMMA, "CELL GAMMA", "  90.00000"},
      {IDC_AXIS_U, "AXIS U", "  0       "},        {IDC_AXIS_V, "AXIS V", "  0       "},
      {IDC_AXIS_W, "AXIS W", "  1       "},
  };
  ASSERT_EQ(FORM_FIELDS.size(), std::size(expected));
  RunSettings defaults;
  set_default_settings(defaults);
  std::set<int> ids;
  for (size_t i = 0; i < FORM_FIELDS.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(FORM_FIELDS[i].id, expected[i].id);
    EXPECT_EQ(FORM_FIELDS[i].name, expected[i].name);
    EXPECT_EQ(displayed_text(FORM_FIELDS[i], defaults), expected[i].shows);
    EXPECT_TRUE(ids.insert(FORM_FIELDS[i].id).second);
  }
}

// Writing one field's setting changes no other field's.
TEST(FormFields, EachEditsASettingOfItsOwn) {
  for (const FormField& field : FORM_FIELDS) {
    SCOPED_TRACE(field.name);
    RunSettings s;
    set_default_settings(s);
    const RunSettings before = s;
    field.setting(s) = 123.25f;
    EXPECT_EQ(field.value(s), 123.25f);
    for (const FormField& other : FORM_FIELDS) {
      if (&other != &field) {
        EXPECT_EQ(other.value(s), other.value(before)) << other.name;
      }
    }
  }
}

// What a field shows reads back as the setting to the format's last decimal (an
// axis component truncated toward zero), and a value too wide for the format shows
// as asterisks, which the Run command refuses.
TEST(FormFields, FormatsRoundTrip) {
  const struct {
    int id;
    float value;
    const char* shows;  // nullptr: any number that reads back within the format
    double read_back;
  } cases[] = {
      {IDC_WAVELENGTH, 0.71073f, "0.7107    ", 0.7107}, {IDC_WAVELENGTH, 9.99994f, "9.9999    ", 9.9999},
      {IDC_WAVELENGTH, 10.0f, "******    ", NAN},       {IDC_PSI_MAX, 37.5f, "37.500    ", 37.5},
      {IDC_PSI_MAX, 100.0f, "******    ", NAN},          {IDC_CELL_A, 7.512f, "   7.51200", 7.512},
      {IDC_CELL_C, 1234.56789f, nullptr, 1234.56789},     {IDC_CELL_BETA, 103.47f, " 103.47000", 103.47},
      {IDC_CELL_GAMMA, 10000.0f, "**********", NAN},      {IDC_AXIS_U, 2.7f, "  2       ", 2},
      {IDC_AXIS_V, -1.5f, " -1       ", -1},             {IDC_AXIS_W, 999.9f, "999       ", 999},
      {IDC_AXIS_W, -100.0f, "***       ", NAN},          {IDC_AXIS_U, 3e9f, "***       ", NAN},
  };
  for (const auto& c : cases) {
    const FormField* field = nullptr;
    for (const FormField& f : FORM_FIELDS)
      if (f.id == c.id) field = &f;
    ASSERT_NE(field, nullptr);
    SCOPED_TRACE(testing::Message() << field->name << " " << c.value);
    RunSettings s;
    set_default_settings(s);
    field->setting(s) = c.value;
    const std::string text = displayed_text(*field, s);
    if (c.shows) {
      EXPECT_EQ(text, c.shows);
    }
    float back = -7;
    const IoStatus read = read_internal_list(text, {back}, {.err = true, .end = true});
    if (std::isnan(c.read_back)) {
      EXPECT_NE(read, IO_OK);
    } else {
      ASSERT_EQ(read, IO_OK) << text;
      EXPECT_NEAR(back, c.read_back, 1e-4 * std::max(1.0, std::fabs(c.read_back))) << text;
    }
  }
}

}  // namespace
}  // namespace zirel
