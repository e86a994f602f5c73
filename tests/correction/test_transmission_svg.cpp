// The correction's picture: a well-formed document with two panels, one dot per beam
// drawn, the circles that lie inside the opening, and the words of the legend.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>
#include "correction/pictures/transmission_svg.h"
#include "planning/pictures/colour_scale.h"

namespace zirel::correction {
namespace {

// Well-formedness by hand (no XML library in the build): every element closed in order,
// attribute values quoted, & only as an entity, no < in text. Returns "" or the fault.
std::string xml_fault(const std::string& s) {
  std::vector<std::string> open;
  std::size_t i = 0;
  if (s.rfind("<?xml", 0) != 0)
    return "no XML declaration";
  i = s.find("?>") + 2;
  while (i < s.size()) {
    if (s[i] == '&') {
      const std::size_t end = s.find(';', i);
      const std::string entity = end == std::string::npos ? "" : s.substr(i, end - i + 1);
      if (entity != "&amp;" && entity != "&lt;" && entity != "&gt;" && entity != "&quot;")
        return "bare & at " + std::to_string(i);
      i = end + 1;
      continue;
    }
    if (s[i] != '<') {
      ++i;
      continue;
    }
    const bool closing = s[i + 1] == '/';
    std::size_t j = i + (closing ? 2 : 1);
    std::size_t name_end = j;
    while (name_end < s.size() && (std::isalnum(static_cast<unsigned char>(s[name_end])) || s[name_end] == '-'))
      ++name_end;
    const std::string name = s.substr(j, name_end - j);
    if (name.empty())
      return "a tag without a name at " + std::to_string(i);
    // Attributes: name="value" pairs up to > or />.
    j = name_end;
    bool quoted = false;
    while (j < s.size() && (quoted || s[j] != '>')) {
      if (s[j] == '"')
        quoted = !quoted;
      else if (quoted && s[j] == '<')
        return "< inside an attribute at " + std::to_string(j);
      ++j;
    }
    if (j >= s.size())
      return "unclosed tag " + name;
    const bool empty = s[j - 1] == '/';
    if (closing) {
      if (open.empty() || open.back() != name)
        return "</" + name + "> closes " + (open.empty() ? std::string("nothing") : open.back());
      open.pop_back();
    } else if (!empty) {
      open.push_back(name);
    }
    i = j + 1;
  }
  return open.empty() ? "" : "unclosed " + open.back();
}

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++n;
  return n;
}

// The dots of one panel: the circles inside its group of beams.
std::vector<std::size_t> dots_per_panel(const std::string& svg) {
  std::vector<std::size_t> dots;
  for (std::size_t at = svg.find("<g class=\"beams\""); at != std::string::npos;
       at = svg.find("<g class=\"beams\"", at + 1))
    dots.push_back(count(svg.substr(at, svg.find("</g>", at) - at), "<circle"));
  return dots;
}

SideTransmission side(bool plus, double opening, double onset, std::size_t beams, int64_t seen) {
  SideTransmission s;
  s.plus = plus;
  s.opening_deg = opening;
  s.shadow_onset_deg = onset;
  s.step_deg = opening / 4;
  for (int ring = 0; ring < 4; ++ring) {
    s.ring_size.push_back(6 + 6 * ring);
    for (int j = 0; j < 6 + 6 * ring; ++j)
      s.transmission.push_back(0.7 - 0.1 * ring);
  }
  for (std::size_t b = 0; b < beams; ++b)
    s.beams.push_back({opening * (b % 10) / 10.0, 36.0 * b});
  s.beams_seen = seen;
  return s;
}

TEST(TransmissionPicture, IsWellFormedWithTwoPanelsAndADotPerBeam) {
  TransmissionMap map{side(true, 38, 29.4, 25, 25), side(false, 30, 66, 7, 9000)};
  const TransmissionPicture picture{&map, "Transmission of a single beam, wavelength 0.71073 Å",
                                    "anvils & gasket <Fe>", "+[0 0 1] side: piston", "−[0 0 1] side: cylinder"};
  const std::string svg = planning::svg_finish(draw_transmission(picture));
  EXPECT_EQ(xml_fault(svg), "");
  EXPECT_EQ(count(svg, "<g class=\"panel\">"), 2u);
  EXPECT_EQ(dots_per_panel(svg), (std::vector<std::size_t>{25, 7}));
  EXPECT_NE(svg.find("anvils &amp; gasket &lt;Fe&gt;"), std::string::npos);
  EXPECT_NE(svg.find("+[0 0 1] side: piston"), std::string::npos);
  EXPECT_NE(svg.find("opening 38°; gasket's shadow from 29.4°"), std::string::npos);
  EXPECT_NE(svg.find("gasket's shadow only beyond it, from 66°"), std::string::npos);
  EXPECT_NE(svg.find("25 measured beams"), std::string::npos);
  EXPECT_NE(svg.find("7 of 9000 measured beams drawn"), std::string::npos);
  // The onset's dashed circle on the + side only (on the - side it lies beyond the opening).
  EXPECT_EQ(count(svg, "stroke-dasharray=\"7 4\""), 1u + 1u);  // and the legend's sample
  // The scale spans the values drawn, 0.4 to 0.7, on round numbers.
  EXPECT_NE(svg.find(">0.4<"), std::string::npos);
  EXPECT_NE(svg.find(">0.7<"), std::string::npos);
  EXPECT_EQ(svg.find(">0.8<"), std::string::npos);
}

// Each ring is a disc in its common colour, and only the other cells are sectors on it;
// a sector is drawn with SVG's small arc, so a run of one colour is cut below 180 degrees.
TEST(TransmissionPicture, RingsAreDiscsAndRunsStayBelowHalfARing) {
  SideTransmission one;
  one.opening_deg = 20;
  one.step_deg = 10;
  one.ring_size = {6, 10};            // 60 and 36 degree cells
  one.transmission.assign(16, 0.5);   // all one colour
  TransmissionMap map{one, one};
  map.minus.plus = false;
  map.minus.transmission[0] = 0.2;    // ring 0 of the - side: one cell of another colour
  for (int j = 6; j < 11; ++j)
    map.minus.transmission[j] = 0.2;  // ring 1: half of it, 180 degrees in one run
  const std::string svg = planning::svg_finish(draw_transmission({&map, "t", "s", "+", "-"}));
  // The cells' paths (one per colour and panel, with a round line join), their sectors.
  std::vector<std::size_t> moves;
  for (std::size_t at = svg.find("<path "); at != std::string::npos; at = svg.find("<path ", at + 1)) {
    const std::string element = svg.substr(at, svg.find("/>", at) - at);
    if (element.find("stroke-linejoin=\"round\"") != std::string::npos)
      moves.push_back(count(element, "M"));
  }
  // + side: two discs and no sector. - side: ring 0's disc in 0.5 and its lone cell of
  // 0.2; ring 1 a tie whose disc takes the lower colour, 0.2, and whose 180 degrees of
  // 0.5 are two sectors (144 and 36 degrees).
  EXPECT_EQ(moves, (std::vector<std::size_t>{1, 2}));
  // The discs in 0.5, the top of the scale: both of the + side's and ring 0 of the - side.
  std::size_t discs = 0;
  for (std::size_t at = svg.find("<circle "); at != std::string::npos; at = svg.find("<circle ", at + 1))
    discs += svg.substr(at, svg.find("/>", at) - at).ends_with("fill=\"" + planning::viridis_hex(1) + "\"");
  EXPECT_EQ(discs, 3u);
}

TEST(TransmissionPicture, ACheckerThatFindsFaults) {
  EXPECT_NE(xml_fault("<?xml?><svg><g></svg>"), "");
  EXPECT_NE(xml_fault("<?xml?><svg>a & b</svg>"), "");
  EXPECT_EQ(xml_fault("<?xml?><svg><g a=\"1\"/><t>x &amp; y</t></svg>"), "");
}

}  // namespace
}  // namespace zirel::correction
