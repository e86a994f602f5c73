// The form's eleven edit fields, described once: the control, the setting it edits,
// the format it is shown in and its name in messages. Start-up shows the settings
// through this table and the Run command reads them back through it, so a field
// cannot be shown from one setting and read into another.
#pragma once

#include "filtering/run_settings.h"

#include <array>
#include <string>
#include <string_view>

namespace zirel {

struct FormField {
  int id;                 // the edit control
  std::string_view name;  // in "INVALID NUMBER IN <name> FIELD"
  std::string_view format;  // how start-up shows the setting: "(F6.4)", or "(I3)" truncated
  float& (*setting)(RunSettings&);  // what the field edits

  float value(RunSettings s) const { return setting(s); }
  // Shown as a whole number: an axis component, truncated toward zero.
  bool integer() const { return format.find('I') != std::string_view::npos; }
};

// In the order the form fills them and the Run command reads them.
extern const std::array<FormField, 11> FORM_FIELDS;

// The 10 characters the field shows for its setting; a value too wide for the
// format shows as asterisks.
std::string displayed_text(const FormField& field, const RunSettings& settings);

}  // namespace zirel
