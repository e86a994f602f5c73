#include "section.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include "planning/index_bounds.h"
#include <unordered_set>

namespace zirel::planning {

namespace {

constexpr char LETTERS[] = {'h', 'k', 'l'};

int& index_of(Miller& m, int i) { return i == 0 ? m.h : i == 1 ? m.k : m.l; }

std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == ',' || text[i] == '\t'))
      ++i;
    const size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != ',' && text[i] != '\t')
      ++i;
    if (i > start)
      out.push_back(text.substr(start, i - start));
  }
  return out;
}

struct MillerHash {
  size_t operator()(const Miller& m) const {
    return (static_cast<size_t>(m.h + 2048) << 24) ^ (static_cast<size_t>(m.k + 2048) << 12) ^
           static_cast<size_t>(m.l + 2048);
  }
};

}  // namespace

std::optional<SectionPlane> parse_section_plane(std::string_view text, std::string& error) {
  const std::vector<std::string_view> w = words(text);
  error = "--plane: '" + std::string(text) +
          "' is not a layer; write two of h, k, l in their places and a number in the third, "
          "as \"h k 0\", \"h 0 l\", \"0 k l\" or \"h k 2\"";
  if (w.size() != 3)
    return std::nullopt;
  std::optional<SectionPlane> plane;
  for (int i = 0; i < 3; ++i) {
    if (w[i].size() == 1 && (w[i][0] == LETTERS[i] || w[i][0] == LETTERS[i] - 32))
      continue;
    int value = 0;
    const auto r = std::from_chars(w[i].data(), w[i].data() + w[i].size(), value);
    if (plane || r.ec != std::errc() || r.ptr != w[i].data() + w[i].size())
      return std::nullopt;
    plane = SectionPlane{i, value};
  }
  if (plane)
    error.clear();
  return plane;
}

std::string section_plane_name(const SectionPlane& plane) {
  std::string name;
  for (int i = 0; i < 3; ++i) {
    if (i)
      name += ' ';
    name += i == plane.fixed ? std::to_string(plane.value) : std::string(1, LETTERS[i]);
  }
  return name;
}

Section make_section(const SectionInput& in) {
  Section out;
  out.plane = in.plane;
  const int p = (in.plane.fixed + 1) % 3, q = (in.plane.fixed + 2) % 3;
  const int first = std::min(p, q), second = std::max(p, q);  // h before k before l
  auto basis = [&](int i) {
    Vec3d e{0, 0, 0};
    e[i] = 1;
    return in.frame->reciprocal_vector(e);
  };
  const Vec3d e1 = normalized(basis(first));
  const Vec3d b2 = basis(second);
  const Vec3d e2 = normalized({b2[0] - dot(b2, e1) * e1[0], b2[1] - dot(b2, e1) * e1[1], b2[2] - dot(b2, e1) * e1[2]});
  const Vec3d normal = cross(e1, e2);
  auto in_layer = [&](const Vec3d& v) { return std::array<double, 2>{dot(v, e1), dot(v, e2)}; };

  out.first_axis = in_layer(basis(first));
  out.second_axis = in_layer(basis(second));
  const Vec3d offset = scaled(basis(in.plane.fixed), in.plane.value);
  out.origin_row = in_layer(offset);
  const double distance = std::fabs(dot(offset, normal));
  const double reach = 1 / in.d_min;
  out.limit_radius = distance < reach ? std::sqrt(reach * reach - distance * distance) : 0;

  const Vec3d u = normalized(in.axis_cartesian);
  const std::array<double, 2> a = in_layer(u);
  const double along = std::hypot(a[0], a[1]);
  out.axis_normal = along < 1e-6;
  if (!out.axis_normal)
    out.axis = {a[0] / along, a[1] / along};

  std::unordered_set<Miller, MillerHash> measured(in.measured.begin(), in.measured.end());
  // |index along a free axis| <= |direct edge| / d for every reflection of spacing d.
  auto bound = [&](int i) {
    Vec3d e{0, 0, 0};
    e[i] = 1;
    return clamped_index(norm(in.frame->direct_vector(e)) * reach, 0, INDEX_LIMIT) + 1;
  };
  const int n1 = bound(first), n2 = bound(second);
  for (int i = -n1; i <= n1; ++i)
    for (int j = -n2; j <= n2; ++j) {
      Miller m;
      index_of(m, in.plane.fixed) = in.plane.value;
      index_of(m, first) = i;
      index_of(m, second) = j;
      if (m == Miller{})
        continue;
      const Vec3 hkl{float(m.h), float(m.k), float(m.l)};
      if (d_spacing(in.run->metric, hkl) < in.d_min)
        continue;
      SectionPoint point;
      point.hkl = m;
      const auto xy = in_layer(in.frame->reciprocal_vector({double(m.h), double(m.k), double(m.l)}));
      point.x = xy[0];
      point.y = xy[1];
      if (in.absent && in.absent(m))
        point.status = SectionStatus::Absent;
      else if (is_accessible(*in.run, m.h, m.k, m.l) == Accessibility::Accessible)
        point.status = SectionStatus::Accessible;
      point.measured = measured.count(m) > 0;
      ++out.counts[static_cast<int>(point.status)];
      out.measured += point.measured;
      out.points.push_back(point);
    }
  return out;
}

}  // namespace zirel::planning
