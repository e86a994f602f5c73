// simulate-rotation OUTPUT [COUNT]: a simulated rotation experiment written as SHELX
// records with direction cosines; with COUNT, the scan's records repeated (h k l and
// cosines unchanged) until there are COUNT of them, for the benchmark.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <vector>
#include "tests/correction/rotation_simulation.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: simulate-rotation OUTPUT [COUNT]\n";
    return 2;
  }
  std::vector<std::string> lines;
  zirel::simulation::Experiment e;
  zirel::simulation::simulate(e, [&](const zirel::simulation::Record& r) {
    // An intensity that varies with the reflection, so the output is not all alike.
    const double i = 100 + 9000.0 / (1 + r.h * r.h + r.k * r.k + r.l * r.l);
    lines.push_back(zirel::simulation::shelx_line(r, i, 0.02 * i + 3));
  });
  const long count = argc > 2 ? std::atol(argv[2]) : long(lines.size());
  std::ofstream out(argv[1], std::ios::binary);
  for (long n = 0; n < count; ++n)
    out << lines[std::size_t(n) % lines.size()] << '\n';
  out << "   0   0   0    0.00    0.00   0\n";
  out.flush();
  if (!out) {
    std::cerr << "simulate-rotation: cannot write " << argv[1] << "\n";
    return 4;
  }
  return 0;
}
