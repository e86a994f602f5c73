#include "planning/symmetry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <gemmi/symmetry.hpp>

namespace zirel::planning {

struct SymmetryTables {
  const gemmi::SpaceGroup* group;
  gemmi::GroupOps ops;
  gemmi::ReciprocalAsu asu;

  explicit SymmetryTables(const gemmi::SpaceGroup* sg) : group(sg), ops(sg->operations()), asu(sg) {}
};

namespace {

gemmi::Op::Miller to_gemmi(const Miller& m) { return {{m.h, m.k, m.l}}; }

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos)
    return {};
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

std::string without_blanks(std::string_view text) {
  std::string s(text);
  s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; }), s.end());
  return s;
}

// gemmi keeps rotations scaled by Op::DEN and acting on coordinates (x' = R x);
// indices transform with the transpose, h' = h R.
HklRotation hkl_rotation(const gemmi::Op& op) {
  HklRotation r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      r.m[i][j] = op.rot[j][i] / gemmi::Op::DEN;
  return r;
}

// The words of the Hermann-Mauguin symbol, "P 1 21/c 1" -> {P, 1, 21/c, 1}.
std::vector<std::string> symbol_words(const char* hm) {
  std::vector<std::string> words;
  std::string_view s(hm);
  while (!s.empty()) {
    const auto start = s.find_first_not_of(' ');
    if (start == std::string_view::npos)
      break;
    s.remove_prefix(start);
    const auto end = std::min(s.find(' '), s.size());
    words.emplace_back(s.substr(0, end));
    s.remove_prefix(end);
  }
  return words;
}

// The setting where the Laue class alone does not fix the asymmetric unit.
std::string setting_of(const gemmi::SpaceGroup& sg) {
  const std::string laue = sg.laue_str();
  const std::vector<std::string> words = symbol_words(sg.hm);
  if (laue == "2/m" && words.size() == 4) {
    for (int axis = 0; axis < 3; ++axis)
      if (words[1 + axis] != "1")
        return std::string("unique axis ") + "abc"[axis];
  }
  if (sg.ext == 'R')
    return "rhombohedral axes";
  if (laue == "-3m")
    return words.size() == 4 && words[2] == "1" ? "-31m" : "-3m1";
  if (sg.ext == 'H')
    return "hexagonal axes";
  if (sg.ext == '1' || sg.ext == '2')
    return std::string("origin choice ") + sg.ext;
  return {};
}

Symmetry symmetry_of(const gemmi::SpaceGroup& sg, bool from_laue_class) {
  Symmetry s;
  s.tables = std::make_shared<const SymmetryTables>(&sg);
  s.laue_class = sg.laue_str();
  s.point_group = from_laue_class ? s.laue_class : sg.point_group_hm();
  s.setting = setting_of(sg);
  s.from_laue_class = from_laue_class;
  s.space_group_number = from_laue_class ? 0 : sg.number;
  s.centrosymmetric = s.tables->ops.is_centrosymmetric();
  for (const gemmi::Op& op : s.tables->ops.sym_ops) {
    const HklRotation r = hkl_rotation(op);
    if (std::find(s.rotations.begin(), s.rotations.end(), r) == s.rotations.end())
      s.rotations.push_back(r);
  }
  const std::string setting = s.setting.empty() ? "" : ", " + s.setting;
  if (from_laue_class)
    s.name = "Laue class " + s.laue_class + setting;
  else
    s.name = "space group " + sg.xhm() + " (" + std::to_string(sg.number) + "), Laue class " +
             s.laue_class + setting;
  return s;
}

// A primitive centrosymmetric group of each Laue class and setting: its symmetry
// is the Laue class's, and it has no systematic absences.
struct LaueEntry {
  const char* symbol;  // as typed, without blanks
  const char* group;   // gemmi's name of the representative group
};
constexpr LaueEntry LAUE_CLASSES[] = {
    {"-1", "P -1"},         {"2/m", "P 1 2/m 1"},    {"2/m:b", "P 1 2/m 1"},   {"12/m1", "P 1 2/m 1"},
    {"2/m:c", "P 1 1 2/m"}, {"112/m", "P 1 1 2/m"},  {"2/m:a", "P 2/m 1 1"},   {"2/m11", "P 2/m 1 1"},
    {"mmm", "P m m m"},     {"4/m", "P 4/m"},        {"4/mmm", "P 4/m m m"},   {"-3", "P -3"},
    {"-3:H", "P -3"},       {"-3:R", "R -3:R"},      {"-3m1", "P -3 m 1"},     {"-31m", "P -3 1 m"},
    {"-3m:R", "R -3 m:R"},  {"6/m", "P 6/m"},        {"6/mmm", "P 6/m m m"},   {"m-3", "P m -3"},
    {"m3", "P m -3"},       {"m-3m", "P m -3 m"},    {"m3m", "P m -3 m"},
};

}  // namespace

bool Symmetry::is_absent(const Miller& hkl) const {
  return tables->ops.is_systematically_absent(to_gemmi(hkl));
}

bool Symmetry::in_asu(const Miller& hkl) const { return tables->asu.is_in(to_gemmi(hkl)); }

bool Symmetry::is_centric(const Miller& hkl) const {
  return tables->ops.is_reflection_centric(to_gemmi(hkl));
}

double symmetry_misfit(const Symmetry& symmetry, const MetricTensor& g_star) {
  double scale = 0.0;
  for (int i = 0; i < 3; ++i)
    scale = std::max(scale, std::fabs(static_cast<double>(g_star.m[i][i])));
  if (!(scale > 0.0))
    return 0.0;
  // d is the same for h and h' = R h for every h exactly when R^T G* R = G*.
  double misfit = 0.0;
  for (const HklRotation& r : symmetry.rotations)
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        double rotated = 0.0;
        for (int p = 0; p < 3; ++p)
          for (int q = 0; q < 3; ++q)
            rotated += r.m[p][i] * static_cast<double>(g_star.m[p][q]) * r.m[q][j];
        misfit = std::max(misfit, std::fabs(rotated - static_cast<double>(g_star.m[i][j])) / scale);
      }
  return misfit;
}

std::string cell_conditions(const Symmetry& symmetry) {
  const std::string& laue = symmetry.laue_class;
  if (laue == "-1")
    return "any cell";
  if (laue == "2/m") {
    const char axis = symmetry.setting.empty() ? 'b' : symmetry.setting.back();
    const std::string right = axis == 'a' ? "beta = gamma" : axis == 'c' ? "alpha = beta" : "alpha = gamma";
    return right + " = 90";
  }
  if (laue == "mmm")
    return "alpha = beta = gamma = 90";
  if (laue == "4/m" || laue == "4/mmm")
    return "a = b, alpha = beta = gamma = 90";
  if (symmetry.setting == "rhombohedral axes")
    return "a = b = c, alpha = beta = gamma";
  if (laue == "m-3" || laue == "m-3m")
    return "a = b = c, alpha = beta = gamma = 90";
  return "a = b, alpha = beta = 90, gamma = 120";
}

std::optional<Symmetry> symmetry_of_space_group(std::string_view name, const UnitCell& cell,
                                                std::string& refusal) {
  const std::string text = trimmed(name);
  // P2_1/c and P2(1)/c are common ways of writing the screw axis of P21/c.
  std::string plain = text;
  plain.erase(std::remove_if(plain.begin(), plain.end(), [](char c) { return c == '_' || c == '(' || c == ')'; }),
              plain.end());
  const gemmi::SpaceGroup* sg = nullptr;
  int number = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (!text.empty() && ec == std::errc() && end == text.data() + text.size()) {
    // gemmi also knows CCP4's numbers of other settings (1014, ...); take the 230 alone.
    if (number >= 1 && number <= 230)
      sg = &gemmi::get_spacegroup_reference_setting(number);
  } else if (!text.empty()) {
    sg = gemmi::find_spacegroup_by_name(plain, cell.alpha, cell.gamma);
  }
  if (sg == nullptr) {
    refusal = "unknown space group \"" + text + "\": " + std::string(SPACE_GROUP_HINT);
    return std::nullopt;
  }
  return symmetry_of(*sg, false);
}

std::optional<Symmetry> symmetry_of_laue_class(std::string_view symbol, std::string& refusal) {
  const std::string text = without_blanks(symbol);
  std::string key = text;
  // The setting letters are upper case wherever they are typed.
  for (char& c : key)
    if (c == 'h' || c == 'r')
      c = static_cast<char>(c - 'a' + 'A');
  for (const LaueEntry& entry : LAUE_CLASSES)
    if (key == entry.symbol)
      return symmetry_of(gemmi::get_spacegroup_by_name(entry.group), true);
  if (key == "-3m" || key == "-3m:H")
    refusal = "Laue class \"" + text + "\" needs its setting: -3m1 or -31m (or -3m:R for rhombohedral axes)";
  else
    refusal = "unknown Laue class \"" + text + "\": " + std::string(LAUE_CLASS_HINT);
  return std::nullopt;
}

}  // namespace zirel::planning
