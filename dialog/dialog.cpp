// The DLG operations: stored values, the deferred-update rule and click
// dispatch. Everything runs on the thread that runs the form.
#include "dialog/dialog.h"

#include "dialog/form_screen.h"

#include <algorithm>

namespace zirel {
namespace {

DialogRecord* g_notifying = nullptr;  // record whose notification is being processed
DialogRecord* g_modal = nullptr;      // record being shown modally

constexpr std::size_t MAX_TEMPLATE_TEXT = 255;

// Saves and restores the notifying record, so notifications may nest.
class NotificationScope {
 public:
  explicit NotificationScope(DialogRecord& dlg) : saved_(g_notifying) { g_notifying = &dlg; }
  ~NotificationScope() { g_notifying = saved_; }
  NotificationScope(const NotificationScope&) = delete;
  NotificationScope& operator=(const NotificationScope&) = delete;

 private:
  DialogRecord* saved_;
};

bool is_clickable(ControlKind k) {
  return k == ControlKind::push_button || k == ControlKind::check_box || k == ControlKind::radio_button;
}

bool has_check(ControlKind k) { return k == ControlKind::check_box || k == ControlKind::radio_button; }

// The selectors the logical and the text operations accept; an edit box's
// text is its contents, so it has no separate caption.
bool logical_selector(int selector) { return selector == ATTR_DEFAULT || selector == ATTR_ENABLED; }
bool text_selector(ControlKind k, int selector) {
  return selector == ATTR_DEFAULT || (selector == ATTR_TEXT && k != ControlKind::edit_box);
}

// Brings an entry in step with the screen before it is set or read, so the
// attributes the call does not name stay current.
void sync_from_screen(DialogRecord& dlg, std::size_t i) {
  if (dlg.window && !dlg.controls[i].pending) dlg.window->read_back(i);
}

void mark_changed(DialogRecord& dlg, std::size_t i) {
  dlg.controls[i].pending = true;
  dlg.changes_pending = true;
  if (dlg.window && g_notifying != &dlg) DLGREFRESH(dlg);
}

std::string_view strip_trailing_blanks(std::string_view s) {
  auto end = s.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : s.substr(0, end + 1);
}

void default_push_handler(DialogRecord& dlg, int id, int) {
  dlg.return_value = id;
  DLGEXIT(dlg);
}

void call_form_handler(DialogRecord& dlg, int event) {
  NotificationScope scope(dlg);
  DialogHandler handler = dlg.form_handler;  // a handler may rebind itself
  if (handler) handler(dlg, dlg.template_id, event);
}

// Radio groups run from a radio button to the next item with WS_GROUP; the
// first button of each group starts checked.
void assign_radio_groups(DialogRecord& dlg, std::span<const ControlTemplate> controls) {
  std::size_t i = 0;
  while (i < controls.size()) {
    if (dlg.controls[i].kind != ControlKind::radio_button) {
      ++i;
      continue;
    }
    std::size_t last = i;
    while (last + 1 < controls.size() && !(controls[last + 1].style & WS_GROUP)) ++last;
    for (std::size_t k = i; k <= last; ++k) {
      ControlEntry& e = dlg.controls[k];
      if (e.kind != ControlKind::radio_button) continue;
      e.group_first = int(i);
      e.group_last = int(last);
      e.checked = k == i;
    }
    i = last + 1;
  }
}

std::string_view button_style_name(std::uint32_t type) {
  switch (type) {
    case BS_CHECKBOX: return "BS_CHECKBOX";
    case BS_USERBUTTON: return "BS_USERBUTTON";
    case BS_PUSHBOX: return "BS_PUSHBOX";
    case BS_OWNERDRAW: return "BS_OWNERDRAW";
    default: return "<unknown>";
  }
}

}  // namespace

std::optional<std::size_t> find_entry(const DialogRecord& dlg, int id) {
  for (std::size_t i = 0; i < dlg.controls.size(); ++i) {
    if (dlg.controls[i].id == id) {
      if (dlg.controls[i].shared_id) return std::nullopt;
      return i;
    }
  }
  return std::nullopt;
}

std::optional<ControlKind> control_kind(const ControlTemplate& c) {
  if (c.window_class == "STATIC") return ControlKind::static_text;
  if (c.window_class == "EDIT") return ControlKind::edit_box;
  if (c.window_class != "BUTTON") return std::nullopt;
  switch (c.style & BS_TYPEMASK) {
    case BS_GROUPBOX: return ControlKind::group_box;
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON: return ControlKind::push_button;
    case BS_AUTOCHECKBOX: return ControlKind::check_box;
    case BS_AUTORADIOBUTTON:
    case BS_RADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE: return ControlKind::radio_button;
    default: return std::nullopt;
  }
}

std::string invalid_style_message(const ControlTemplate& c) {
  if (control_kind(c)) return {};
  std::string_view style = c.window_class == "BUTTON" ? button_style_name(c.style & BS_TYPEMASK) : "<unknown>";
  return "Invalid style " + std::string(style) + " used for control " + std::to_string(c.id);
}

DialogRecord* notifying_record() { return g_notifying; }
DialogRecord* modal_record() { return g_modal; }

bool DLGLOAD(int template_id, DialogRecord& dlg) {
  if (dlg.window) return false;  // a form on screen cannot be reloaded under it
  const DialogTemplate* t = find_dialog_template(template_id);
  if (!t) return false;
  DialogRecord loaded;
  loaded.template_id = template_id;
  for (const ControlTemplate& c : t->controls) {
    std::optional<ControlKind> kind = control_kind(c);
    if (!kind) dialog_runtime_error(invalid_style_message(c));
    ControlEntry e;
    e.kind = *kind;
    e.id = c.id;
    e.enabled = !(c.style & WS_DISABLED);
    e.text = std::string(c.text.substr(0, MAX_TEMPLATE_TEXT));
    e.checked = *kind == ControlKind::check_box;  // the template cannot say; start ticked
    if (*kind == ControlKind::push_button) e.on_click = default_push_handler;
    loaded.controls.push_back(std::move(e));
  }
  assign_radio_groups(loaded, t->controls);
  for (ControlEntry& e : loaded.controls) {
    e.shared_id = std::count_if(loaded.controls.begin(), loaded.controls.end(),
                                [&](const ControlEntry& o) { return o.id == e.id; }) > 1;
  }
  ControlEntry form;
  form.kind = ControlKind::form;
  form.id = template_id;
  form.text = std::string(t->title);
  loaded.controls.push_back(std::move(form));
  dlg = std::move(loaded);
  return true;
}

bool DLGBINDSUB(DialogRecord& dlg, int id, DialogHandler handler, std::optional<int> event) {
  std::optional<std::size_t> i = find_entry(dlg, id);
  if (!i) return false;
  ControlEntry& e = dlg.controls[*i];
  if (e.kind == ControlKind::form) {
    dlg.form_handler = std::move(handler);
    return true;
  }
  if (!is_clickable(e.kind) || (event && *event != EVENT_CLICKED)) return false;
  e.on_click = std::move(handler);
  return true;
}

bool DLGPUTLOG(DialogRecord& dlg, int id, int value, int selector) {
  std::optional<std::size_t> i = find_entry(dlg, id);
  if (!i || !logical_selector(selector)) return false;
  bool on = value & 1;
  ControlEntry& e = dlg.controls[*i];
  sync_from_screen(dlg, *i);
  if (selector == ATTR_ENABLED || !has_check(e.kind)) {
    e.enabled = on;
  } else {
    if (on && e.kind == ControlKind::radio_button) {
      for (int k = e.group_first; k <= e.group_last; ++k) {
        ControlEntry& other = dlg.controls[std::size_t(k)];
        if (other.kind != ControlKind::radio_button || std::size_t(k) == *i) continue;
        sync_from_screen(dlg, std::size_t(k));
        other.checked = false;
        other.pending = true;
      }
    }
    e.checked = on;
  }
  mark_changed(dlg, *i);
  return true;
}

bool DLGPUTCHAR(DialogRecord& dlg, int id, std::string_view text, int selector) {
  std::optional<std::size_t> i = find_entry(dlg, id);
  if (!i) return false;
  ControlEntry& e = dlg.controls[*i];
  if (!text_selector(e.kind, selector)) return false;
  sync_from_screen(dlg, *i);
  e.text = std::string(strip_trailing_blanks(text));
  if (e.kind == ControlKind::edit_box) e.insertion_point = std::min(e.insertion_point, int(e.text.size()));
  mark_changed(dlg, *i);
  return true;
}

bool DLGFETCHLOG(DialogRecord& dlg, int id, bool& out, int selector) {
  std::optional<std::size_t> i = find_entry(dlg, id);
  if (!i || !logical_selector(selector)) return false;
  sync_from_screen(dlg, *i);
  const ControlEntry& e = dlg.controls[*i];
  out = (selector == ATTR_DEFAULT && has_check(e.kind)) ? e.checked : e.enabled;
  return true;
}

bool DLGFETCHCHAR(DialogRecord& dlg, int id, std::span<char> out, int selector) {
  std::optional<std::size_t> i = find_entry(dlg, id);
  if (!i) return false;
  if (!text_selector(dlg.controls[*i].kind, selector)) return false;
  sync_from_screen(dlg, *i);
  const std::string& text = dlg.controls[*i].text;
  std::size_t n = std::min(text.size(), out.size());
  std::copy_n(text.begin(), n, out.begin());
  std::fill(out.begin() + std::ptrdiff_t(n), out.end(), ' ');
  return true;
}

void DLGREFRESH(DialogRecord& dlg, bool all_controls) {
  if (!dlg.window) return;
  dlg.updating_screen = true;
  for (std::size_t i = 0; i < dlg.controls.size(); ++i) {
    ControlEntry& e = dlg.controls[i];
    if (e.shared_id) continue;
    if (all_controls || e.pending) dlg.window->push(i);
    e.pending = false;
  }
  dlg.updating_screen = false;
  dlg.changes_pending = false;
}

void dispatch_click(DialogRecord& dlg, std::size_t index) {
  if (dlg.updating_screen || index >= dlg.controls.size()) return;
  const ControlEntry& e = dlg.controls[index];
  if (!is_clickable(e.kind) || !e.on_click) return;
  {
    NotificationScope scope(dlg);
    DialogHandler handler = e.on_click;  // a handler may rebind itself
    handler(dlg, e.id, EVENT_CLICKED);
  }
  DLGREFRESH(dlg);
}

bool can_show(const DialogRecord& dlg) {
  return find_dialog_template(dlg.template_id) && !dlg.controls.empty() && !dlg.window;
}

DialogRecord* owner_record() {
  if (g_modal && g_modal->window) return g_modal;
  if (g_notifying && g_notifying->window) return g_notifying;
  return nullptr;
}

ModalScope::ModalScope(DialogRecord& dlg) : saved_(g_modal) { g_modal = &dlg; }
ModalScope::~ModalScope() { g_modal = saved_; }

void form_shown(DialogRecord& dlg, FormScreen& screen) {
  dlg.window = &screen;
  DLGREFRESH(dlg, true);
  call_form_handler(dlg, EVENT_INIT);
  DLGREFRESH(dlg);
}

void form_closed(DialogRecord& dlg) {
  dlg.window = nullptr;
  call_form_handler(dlg, EVENT_DESTROY);
}

void DLGEXIT(DialogRecord& dlg) {
  FormScreen* form = dlg.window;
  if (!form) return;
  // Pending entries hold values newer than the screen; reading them back
  // would lose what a handler set just before closing.
  for (std::size_t i = 0; i < dlg.controls.size(); ++i) {
    if (!dlg.controls[i].shared_id && !dlg.controls[i].pending) form->read_back(i);
  }
  dlg.window = nullptr;
  form->end(dlg.return_value);
}

void DLGRELEASE(DialogRecord& dlg) {
  DLGEXIT(dlg);
  dlg = DialogRecord{};
}

}  // namespace zirel
