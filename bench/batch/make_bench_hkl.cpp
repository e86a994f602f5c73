// Writes N SHELX records (3I4,F8.2,F8.2) to standard output: every h k l of an index
// cube around the origin, h slowest, without 0 0 0, and intensities whose magnitudes
// step through every decade, so that the writer needs every decimal count (and the
// occasional negative value and oversized uncertainty).
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

char* field(char* p, int width, const char* text, const char* text_end) {
  const int pad = width - int(text_end - text);
  for (int i = 0; i < pad; ++i)
    *p++ = ' ';
  std::memcpy(p, text, size_t(text_end - text));
  return p + (text_end - text);
}

char* integer(char* p, int width, int v) {
  char t[16];
  return field(p, width, t, std::to_chars(t, t + sizeof t, v).ptr);
}

char* real(char* p, int width, double v) {
  char t[32];
  return field(p, width, t, std::to_chars(t, t + sizeof t, v, std::chars_format::fixed, 2).ptr);
}

}  // namespace

int main(int argc, char** argv) {
  long long n = 1000000;
  if (argc > 1)
    std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), n);
  int side = int(std::ceil(std::cbrt(double(n + 1))));
  const int lo = -(side / 2), hi = lo + side - 1;
  static const double DECADES[] = {0.5, 7.3, 42.0, 613.0, 2718.0, 31415.0};
  std::vector<char> buf(1 << 20);
  size_t used = 0;
  uint32_t seed = 12345;
  long long written = 0;
  for (int h = lo; h <= hi && written < n; ++h)
    for (int k = lo; k <= hi && written < n; ++k)
      for (int l = lo; l <= hi && written < n; ++l) {
        if (h == 0 && k == 0 && l == 0)
          continue;
        seed = seed * 1664525u + 1013904223u;
        const double scale = DECADES[written % 6];
        double i = scale * (1.0 + double(seed >> 20) / 4096.0);
        if (written % 17 == 0)
          i = -i / 10.0;
        const double sigma = written % 101 == 0 ? 99999.0 : std::sqrt(std::fabs(i)) + 0.37;
        char* p = buf.data() + used;
        p = integer(p, 4, h);
        p = integer(p, 4, k);
        p = integer(p, 4, l);
        p = real(p, 8, i);
        p = real(p, 8, sigma);
        *p++ = '\r';
        *p++ = '\n';
        used = size_t(p - buf.data());
        ++written;
        if (used > buf.size() - 64) {
          if (std::fwrite(buf.data(), 1, used, stdout) != used)
            return 1;
          used = 0;
        }
      }
  if (std::fwrite(buf.data(), 1, used, stdout) != used || std::fflush(stdout) != 0)
    return 1;
  return 0;
}
