#pragma once
#include <string>
#include <string_view>

namespace zirel::planning {

// An SVG picture written as text, element by element. Numbers go through
// std::to_chars, so the file is the same under every locale.
struct SvgDocument {
  double width = 0, height = 0;
  std::string body;
};

// A number with at most `decimals` decimals and no trailing zeros ("12.5", "3").
std::string svg_number(double value, int decimals = 2);

// Text with &, < and > escaped.
std::string svg_escape(std::string_view text);

enum class Anchor { Start, Middle, End };

struct TextStyle {
  double size = 12;
  Anchor anchor = Anchor::Start;
  bool bold = false;
  bool italic = false;
  std::string_view fill = "#000";
  // A light outline behind the letters keeps a label readable over any colour.
  bool halo = false;
};

void svg_text(SvgDocument& svg, double x, double y, std::string_view text, const TextStyle& style = {});
void svg_circle(SvgDocument& svg, double x, double y, double r, std::string_view fill,
                std::string_view stroke = "none", double stroke_width = 1);
void svg_line(SvgDocument& svg, double x1, double y1, double x2, double y2, std::string_view stroke,
              double width = 1, std::string_view dash = "");
void svg_rect(SvgDocument& svg, double x, double y, double w, double h, std::string_view fill,
              std::string_view stroke = "none", double stroke_width = 1);
// A path from its "d" data; fill and stroke as given.
void svg_path(SvgDocument& svg, std::string_view d, std::string_view fill, std::string_view stroke = "none",
              double stroke_width = 1, std::string_view extra = "");

// Width of a label in the sans-serif face, roughly, for placing labels apart.
double text_width(std::string_view text, double size);

// The whole document, with the XML header, white background and a default font.
std::string svg_finish(const SvgDocument& svg);

// Writes the document; false with `error` set when the file cannot be written.
bool write_svg_file(const SvgDocument& svg, const std::string& path, std::string& error);

}  // namespace zirel::planning
