// The form template as the Win32 dialog manager reads it: an extended dialog
// template (DLGTEMPLATEEX, version 1) built in memory from the one template
// table, so that the Win32 form and the Qt form are drawn from the same data
// and cannot drift apart.
#pragma once

#include "dialog/form_template.h"

#include <cstdint>
#include <vector>

namespace zirel {

// The template's bytes, DWORD-aligned as DialogBoxIndirectParamW needs them.
// The table leaves WS_CHILD and WS_VISIBLE implied; here every control has
// them. An icon static's text is the name of its icon resource.
std::vector<std::uint32_t> dialog_template_image(const DialogTemplate& form);

}  // namespace zirel
