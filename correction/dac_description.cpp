#include "correction/dac_description.h"

#include <algorithm>
#include <sstream>
#include <toml++/toml.h>

namespace zirel::correction {

namespace {

constexpr const char* SIDES[] = {"piston", "cylinder"};
constexpr const char* PARTS[] = {"anvil", "seat", "backing_plate"};
// Parts of the chamber between the culets: one each, never per side.
const std::vector<std::string> CHAMBER_KEYS{
    "gasket.material", "gasket.density_g_cm3", "gasket.thickness_mm", "gasket.hole_diameter_mm", "gasket.opaque",
    "crystal.shape", "crystal.lies_on", "crystal.diameter_mm", "crystal.thickness_mm", "crystal.edge_a_mm",
    "crystal.edge_b_mm", "crystal.edge_c_mm", "crystal.angle_deg", "crystal.material", "crystal.density_g_cm3",
    "crystal.offset_x_mm", "crystal.offset_y_mm"};

const std::vector<std::string>& part_keys(std::string_view part) {
  static const std::vector<std::string> anvil{"material", "density_g_cm3", "height_mm"};
  static const std::vector<std::string> seat{"material", "opening_deg"};
  static const std::vector<std::string> plate{"material", "density_g_cm3", "thickness_mm", "opening_deg"};
  return part == "anvil" ? anvil : part == "seat" ? seat : plate;
}

std::string where(const toml::node& node, const std::string& source) {
  const auto& s = node.source();
  if (s.begin.line == 0)
    return "";
  return source + ":" + std::to_string(s.begin.line) + ": ";
}

struct Reader {
  const toml::table& root;
  const std::string& source;
  std::string error;

  // The node of part.key on `side`, or of the common part, whichever is given.
  const toml::node* find(std::string_view side, std::string_view part, std::string_view key) const {
    if (const auto* n = root.at_path(std::string(side) + "." + std::string(part) + "." + std::string(key)).node())
      return n;
    return root.at_path(std::string(part) + "." + std::string(key)).node();
  }
  bool has_part(std::string_view side, std::string_view part) const {
    return root.at_path(std::string(side) + "." + std::string(part)).is_table() ||
           root.at_path(std::string(part)).is_table();
  }
  static std::string name(std::string_view side, std::string_view part, std::string_view key, const toml::node* n,
                          const toml::table& root) {
    const bool own = root.at_path(std::string(side) + "." + std::string(part) + "." + std::string(key)).node() == n;
    return (own ? std::string(side) + "." : std::string()) + std::string(part) + "." + std::string(key);
  }

  bool number(std::string_view side, std::string_view part, std::string_view key, const char* unit,
              double low, double high, bool low_inclusive, std::optional<double>& out) {
    const toml::node* n = find(side, part, key);
    if (!n)
      return true;
    const auto v = n->value<double>();  // an integer is a number too
    const std::string key_name = name(side, part, key, n, root);
    if (!v || n->is_boolean()) {
      error = where(*n, source) + "key " + key_name + " must be a number (" + unit + ")";
      return false;
    }
    const bool low_ok = low_inclusive ? *v >= low : *v > low;
    if (!(low_ok && *v <= high)) {
      std::ostringstream m;
      m << where(*n, source) << "key " << key_name << " = " << *v << " " << unit << ": must be "
        << (low_inclusive ? "at least " : "above ") << low << " and at most " << high;
      error = m.str();
      return false;
    }
    out = *v;
    return true;
  }
  bool text(std::string_view side, std::string_view part, std::string_view key, std::string& out) {
    const toml::node* n = find(side, part, key);
    if (!n)
      return true;
    const auto v = n->value<std::string>();
    if (!n->is_string() || !v || v->empty()) {
      error = where(*n, source) + "key " + name(side, part, key, n, root) +
              " must be a chemical formula in quotes, e.g. \"C\" or \"WC\"";
      return false;
    }
    out = *v;
    return true;
  }

  // A key of the chamber ("gasket.thickness_mm"); a missing one leaves `out` as it was.
  bool chamber_number(const std::string& key, const char* unit, double low, double high, bool low_inclusive,
                      std::optional<double>& out) {
    const toml::node* n = root.at_path(key).node();
    if (!n)
      return true;
    const auto v = n->value<double>();
    if (!v || n->is_boolean()) {
      error = where(*n, source) + "key " + key + " must be a number (" + unit + ")";
      return false;
    }
    const bool low_ok = low_inclusive ? *v >= low : *v > low;
    if (!(low_ok && *v <= high)) {
      std::ostringstream m;
      m << where(*n, source) << "key " << key << " = " << *v << " " << unit << ": must be "
        << (low_inclusive ? "at least " : "above ") << low << " and at most " << high;
      error = m.str();
      return false;
    }
    out = *v;
    return true;
  }
  bool chamber_text(const std::string& key, std::string& out, const std::vector<std::string>& allowed = {}) {
    const toml::node* n = root.at_path(key).node();
    if (!n)
      return true;
    const auto v = n->value<std::string>();
    const bool ok = n->is_string() && v && !v->empty() &&
                    (allowed.empty() || std::find(allowed.begin(), allowed.end(), *v) != allowed.end());
    if (!ok) {
      std::string choices;
      for (const auto& a : allowed)
        choices += (choices.empty() ? "\"" : " or \"") + a + "\"";
      error = where(*n, source) + "key " + key +
              (allowed.empty() ? " must be a chemical formula in quotes, e.g. \"Fe\" or \"SiO2\""
                               : " must be " + choices);
      return false;
    }
    out = *v;
    return true;
  }
  // A required length of the chamber, in (0, 100] mm.
  bool chamber_length(const std::string& key, const std::string& what, double& out) {
    std::optional<double> v;
    if (!chamber_number(key, "mm", 0, 100, false, v))
      return false;
    if (!v) {
      error = source + ": " + what + " needs " + key.substr(key.find('.') + 1);
      return false;
    }
    out = *v;
    return true;
  }

  bool gasket(std::optional<GasketDescription>& out) {
    if (!root.at_path("gasket").is_table())
      return true;
    GasketDescription g;
    if (const toml::node* n = root.at_path("gasket.opaque").node()) {
      if (!n->is_boolean()) {
        error = where(*n, source) + "key gasket.opaque must be true or false";
        return false;
      }
      g.opaque = *n->value<bool>();
    }
    if (!chamber_length("gasket.thickness_mm", "the gasket", g.layer.thickness_mm) ||
        !chamber_length("gasket.hole_diameter_mm", "the gasket", g.hole_diameter_mm) ||
        !chamber_text("gasket.material", g.layer.material))
      return false;
    std::optional<double> rho;
    if (!chamber_number("gasket.density_g_cm3", "g/cm3", 0, 100, false, rho))
      return false;
    if (!g.opaque && (g.layer.material.empty() || !rho)) {
      error = source + ": the gasket needs material and density_g_cm3 (or opaque = true)";
      return false;
    }
    g.layer.density_g_cm3 = rho.value_or(0);
    out = g;
    return true;
  }

  bool crystal(std::optional<CrystalDescription>& out) {
    if (!root.at_path("crystal").is_table())
      return true;
    CrystalDescription c;
    std::string shape = "plate";
    if (!chamber_text("crystal.shape", shape, {"plate", "box"}) ||
        !chamber_text("crystal.lies_on", c.lies_on, {"piston", "cylinder"}))
      return false;
    if (c.lies_on.empty()) {
      error = source + ": the crystal needs lies_on, the culet it lies on: \"piston\" or \"cylinder\"";
      return false;
    }
    c.form = shape == "box" ? CrystalForm::box : CrystalForm::plate;
    if (c.form == CrystalForm::plate) {
      if (!chamber_length("crystal.diameter_mm", "a plate crystal", c.diameter_mm) ||
          !chamber_length("crystal.thickness_mm", "a plate crystal", c.thickness_mm))
        return false;
    } else {
      std::optional<double> angle;
      if (!chamber_length("crystal.edge_a_mm", "a box crystal", c.edge_a_mm) ||
          !chamber_length("crystal.edge_b_mm", "a box crystal", c.edge_b_mm) ||
          !chamber_length("crystal.edge_c_mm", "a box crystal", c.edge_c_mm) ||
          !chamber_number("crystal.angle_deg", "degrees", -360, 360, true, angle))
        return false;
      c.angle_deg = angle.value_or(0);
    }
    std::optional<double> rho, ox, oy;
    if (!chamber_text("crystal.material", c.material) ||
        !chamber_number("crystal.density_g_cm3", "g/cm3", 0, 100, false, rho) ||
        !chamber_number("crystal.offset_x_mm", "mm", -100, 100, true, ox) ||
        !chamber_number("crystal.offset_y_mm", "mm", -100, 100, true, oy))
      return false;
    if (c.material.empty() != !rho) {
      error = source + ": the crystal's own absorption needs both material and density_g_cm3";
      return false;
    }
    c.density_g_cm3 = rho.value_or(0);
    c.offset_x_mm = ox.value_or(0);
    c.offset_y_mm = oy.value_or(0);
    out = c;
    return true;
  }

  bool side(std::string_view side_name, DacSide& s) {
    s.name = std::string(side_name);
    std::optional<double> v;
    s.anvil.material = "C";  // diamond, the usual anvil
    s.anvil.density_g_cm3 = 3.515;
    if (!text(side_name, "anvil", "material", s.anvil.material))
      return false;
    if (!number(side_name, "anvil", "density_g_cm3", "g/cm3", 0, 100, false, v))
      return false;
    if (v)
      s.anvil.density_g_cm3 = *v;
    v.reset();
    if (!number(side_name, "anvil", "height_mm", "mm", 0, 100, false, v))
      return false;
    if (!v) {
      error = source + ": the " + std::string(side_name) +
              " anvil has no height: give [anvil] height_mm = 1.6 (or --anvil-height 1.6)";
      return false;
    }
    s.anvil.thickness_mm = *v;

    std::optional<double> seat_opening, plate_opening;
    if (!text(side_name, "seat", "material", s.seat_material))
      return false;
    if (!number(side_name, "seat", "opening_deg", "degrees", 0, 90, false, seat_opening))
      return false;
    if (has_part(side_name, "backing_plate")) {
      Layer plate;
      if (!text(side_name, "backing_plate", "material", plate.material))
        return false;
      v.reset();
      if (!number(side_name, "backing_plate", "density_g_cm3", "g/cm3", 0, 100, false, v))
        return false;
      std::optional<double> t;
      if (!number(side_name, "backing_plate", "thickness_mm", "mm", 0, 1000, true, t))
        return false;
      if (!number(side_name, "backing_plate", "opening_deg", "degrees", 0, 90, false, plate_opening))
        return false;
      if (plate.material.empty() || !v || !t) {
        error = source + ": the " + std::string(side_name) +
                " backing plate needs material, density_g_cm3 and thickness_mm";
        return false;
      }
      plate.density_g_cm3 = *v;
      plate.thickness_mm = *t;
      s.backing_plate = plate;
    }
    if (seat_opening && plate_opening)
      s.opening_deg = std::min(*seat_opening, *plate_opening);
    else if (seat_opening)
      s.opening_deg = seat_opening;
    else
      s.opening_deg = plate_opening;
    return true;
  }
};

// Every key of the file is one the reader knows; else the first unknown one, with its line.
std::string unknown_key(const toml::table& root, const std::string& source) {
  const auto& known = known_dac_keys();
  std::string found;
  auto visit = [&](auto&& self, const toml::table& t, const std::string& prefix) -> void {
    for (const auto& [k, node] : t) {
      if (!found.empty())
        return;
      const std::string key = prefix + std::string(k.str());
      if (const auto* sub = node.as_table()) {
        self(self, *sub, key + ".");
        continue;
      }
      if (std::find(known.begin(), known.end(), key) == known.end())
        found = where(node, source) + "unknown key " + key + " (the keys: " +
                [&] {
                  std::string all;
                  for (const auto& n : known)
                    if (n.find('.') == n.rfind('.') || n.rfind("piston", 0) == 0)
                      all += (all.empty() ? "" : ", ") + n;
                  return all;
                }() + ", and the same under cylinder.)";
    }
  };
  visit(visit, root, "");
  return found;
}

bool apply_override(toml::table& root, const KeyOverride& o, std::string& error) {
  toml::table value_table;
  try {
    value_table = toml::parse("v = " + o.value);
  } catch (const toml::parse_error&) {
    value_table = toml::table{{"v", o.value}};  // a bare word: a formula or a side's name
  }
  toml::table* t = &root;
  std::string_view rest = o.key;
  for (std::size_t dot; (dot = rest.find('.')) != std::string_view::npos; rest.remove_prefix(dot + 1)) {
    const std::string part(rest.substr(0, dot));
    auto [it, inserted] = t->insert(part, toml::table{});
    t = it->second.as_table();
    if (!t) {
      error = o.origin + ": key " + o.key + ": " + part + " is not a table";
      return false;
    }
  }
  t->insert_or_assign(std::string(rest), *value_table.get("v"));
  return true;
}

}  // namespace

const std::vector<std::string>& known_dac_keys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> k{"plus_side"};
    for (const char* part : PARTS)
      for (const auto& key : part_keys(part))
        k.push_back(std::string(part) + "." + key);
    for (const char* side : SIDES)
      for (const char* part : PARTS)
        for (const auto& key : part_keys(part))
          k.push_back(std::string(side) + "." + part + "." + key);
    k.insert(k.end(), CHAMBER_KEYS.begin(), CHAMBER_KEYS.end());
    return k;
  }();
  return keys;
}

DacRead read_dac_description(const std::string& text, const std::string& source,
                             const std::vector<KeyOverride>& overrides) {
  DacRead out;
  toml::table root;
  try {
    root = toml::parse(text, source);
  } catch (const toml::parse_error& e) {
    out.error = source + ":" + std::to_string(e.source().begin.line) + ": " + std::string(e.description());
    return out;
  }
  for (const auto& o : overrides)
    if (!apply_override(root, o, out.error))
      return out;
  if (out.error = unknown_key(root, source); !out.error.empty())
    return out;

  std::string plus = "piston";
  if (const auto* n = root.get("plus_side")) {
    const auto v = n->value<std::string>();
    if (!n->is_string() || (*v != "piston" && *v != "cylinder")) {
      out.error = where(*n, source) + "key plus_side must be \"piston\" or \"cylinder\"";
      return out;
    }
    plus = *v;
  }
  Reader reader{root, source, {}};
  DacDescription dac;
  if (!reader.side(plus, dac.plus) || !reader.side(plus == "piston" ? "cylinder" : "piston", dac.minus) ||
      !reader.gasket(dac.gasket) || !reader.crystal(dac.crystal)) {
    out.error = reader.error;
    return out;
  }
  out.dac = dac;
  return out;
}

}  // namespace zirel::correction
