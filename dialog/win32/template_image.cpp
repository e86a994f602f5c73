// Layout of DLGTEMPLATEEX and DLGITEMTEMPLATEEX as documented for the Win32
// dialog manager: a header, the font when DS_SETFONT is set, then one item
// per control, each starting on a DWORD boundary. Strings are UTF-16 and
// end with a NUL; 0 for the menu and the class means none and the default.
#include "dialog/win32/template_image.h"

#include "dialog/win32/wide_text.h"

#include <string_view>

namespace zirel {
namespace {

class TemplateWriter {
 public:
  void word(std::uint16_t w) { words_.push_back(w); }
  void dword(std::uint32_t d) {
    word(std::uint16_t(d & 0xFFFFu));
    word(std::uint16_t(d >> 16));
  }
  void coordinate(int v) { word(std::uint16_t(std::int16_t(v))); }
  void text(std::string_view utf8) {
    for (wchar_t c : to_wide(utf8)) word(std::uint16_t(c));
    word(0);
  }
  void align() {
    if (words_.size() % 2) word(0);
  }
  std::vector<std::uint32_t> image() {
    align();
    std::vector<std::uint32_t> out(words_.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = words_[2 * i] | std::uint32_t(words_[2 * i + 1]) << 16;
    return out;
  }

 private:
  std::vector<std::uint16_t> words_;
};

void write_header(TemplateWriter& w, const DialogTemplate& form) {
  w.word(1);       // dlgVer
  w.word(0xFFFF);  // signature: the extended format
  w.dword(0);      // helpID
  w.dword(form.ex_style);
  w.dword(form.style);
  w.word(std::uint16_t(form.controls.size()));
  w.coordinate(form.x);
  w.coordinate(form.y);
  w.coordinate(form.width);
  w.coordinate(form.height);
  w.word(0);  // no menu
  w.word(0);  // the dialog manager's own window class
  w.text(form.title);
  if (form.style & DS_SETFONT) {
    w.word(std::uint16_t(form.font.point_size));
    w.word(std::uint16_t(form.font.weight));
    w.word(std::uint16_t((form.font.italic ? 1 : 0) | (form.font.charset << 8)));
    w.text(form.font.face);
  }
}

void write_item(TemplateWriter& w, const ControlTemplate& c) {
  w.align();
  w.dword(0);  // helpID
  w.dword(c.ex_style);
  w.dword(c.style | WS_CHILD | WS_VISIBLE);
  w.coordinate(c.x);
  w.coordinate(c.y);
  w.coordinate(c.width);
  w.coordinate(c.height);
  w.dword(std::uint32_t(c.id));
  w.text(c.window_class);
  w.text(c.text);
  w.word(0);  // no creation data
}

}  // namespace

std::vector<std::uint32_t> dialog_template_image(const DialogTemplate& form) {
  TemplateWriter w;
  write_header(w, form);
  for (const ControlTemplate& c : form.controls) write_item(w, c);
  return w.image();
}

}  // namespace zirel
