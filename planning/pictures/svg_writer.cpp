#include "svg_writer.h"

#include "planning/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "recio/platform.h"

namespace zirel::planning {

std::string svg_number(double value, int decimals) { return trimmed_text(value, decimals); }

std::string svg_escape(std::string_view text) {
  std::string out;
  for (char c : well_formed_utf8(text)) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

void svg_text(SvgDocument& svg, double x, double y, std::string_view text, const TextStyle& style) {
  static constexpr const char* ANCHORS[] = {"start", "middle", "end"};
  std::string attributes = " x=\"" + svg_number(x) + "\" y=\"" + svg_number(y) + "\" font-size=\"" +
                           svg_number(style.size) + "\"";
  if (style.anchor != Anchor::Start)
    attributes += std::string(" text-anchor=\"") + ANCHORS[static_cast<int>(style.anchor)] + "\"";
  if (style.bold)
    attributes += " font-weight=\"bold\"";
  if (style.italic)
    attributes += " font-style=\"italic\"";
  const std::string escaped = svg_escape(text);
  if (style.halo)
    svg.body += "<text" + attributes + " fill=\"#fff\" stroke=\"#fff\" stroke-width=\"3\" stroke-linejoin=\"round\">" +
                escaped + "</text>\n";
  svg.body += "<text" + attributes + " fill=\"" + std::string(style.fill) + "\">" + escaped + "</text>\n";
}

void svg_circle(SvgDocument& svg, double x, double y, double r, std::string_view fill, std::string_view stroke,
                double stroke_width) {
  svg.body += "<circle cx=\"" + svg_number(x) + "\" cy=\"" + svg_number(y) + "\" r=\"" + svg_number(r) +
              "\" fill=\"" + std::string(fill) + "\"";
  if (stroke != "none")
    svg.body += " stroke=\"" + std::string(stroke) + "\" stroke-width=\"" + svg_number(stroke_width) + "\"";
  svg.body += "/>\n";
}

void svg_line(SvgDocument& svg, double x1, double y1, double x2, double y2, std::string_view stroke, double width,
              std::string_view dash) {
  svg.body += "<line x1=\"" + svg_number(x1) + "\" y1=\"" + svg_number(y1) + "\" x2=\"" + svg_number(x2) +
              "\" y2=\"" + svg_number(y2) + "\" stroke=\"" + std::string(stroke) + "\" stroke-width=\"" +
              svg_number(width) + "\"";
  if (!dash.empty())
    svg.body += " stroke-dasharray=\"" + std::string(dash) + "\"";
  svg.body += "/>\n";
}

void svg_rect(SvgDocument& svg, double x, double y, double w, double h, std::string_view fill,
              std::string_view stroke, double stroke_width) {
  svg.body += "<rect x=\"" + svg_number(x) + "\" y=\"" + svg_number(y) + "\" width=\"" + svg_number(w) +
              "\" height=\"" + svg_number(h) + "\" fill=\"" + std::string(fill) + "\"";
  if (stroke != "none")
    svg.body += " stroke=\"" + std::string(stroke) + "\" stroke-width=\"" + svg_number(stroke_width) + "\"";
  svg.body += "/>\n";
}

void svg_path(SvgDocument& svg, std::string_view d, std::string_view fill, std::string_view stroke,
              double stroke_width, std::string_view extra) {
  svg.body += "<path d=\"" + std::string(d) + "\" fill=\"" + std::string(fill) + "\"";
  if (stroke != "none")
    svg.body += " stroke=\"" + std::string(stroke) + "\" stroke-width=\"" + svg_number(stroke_width) + "\"";
  if (!extra.empty())
    svg.body += " " + std::string(extra);
  svg.body += "/>\n";
}

double text_width(std::string_view text, double size) {
  double em = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) == 0x80)
      continue;  // continuation byte of a UTF-8 character
    em += c == ' ' || c == '.' || c == ',' || c == '(' || c == ')' || c == '[' || c == ']' ? 0.35 : 0.62;
  }
  return em * size;
}

std::string svg_finish(const SvgDocument& svg) {
  const std::string w = svg_number(svg.width), h = svg_number(svg.height);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w +
         " " + h + "\" font-family=\"DejaVu Sans, Liberation Sans, Arial, Helvetica, sans-serif\">\n"
         "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n" + svg.body + "</svg>\n";
}

bool write_svg_file(const SvgDocument& svg, const std::string& path, std::string& error) {
  std::ofstream out(platform::utf8_path(path), std::ios::binary | std::ios::trunc);
  if (!out) {
    error = "cannot create " + path;
    return false;
  }
  const std::string text = svg_finish(svg);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace zirel::planning
