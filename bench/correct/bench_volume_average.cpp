// The cost of one volume average V(u_in, u_out), with its short cuts and closed forms
// (volume_average) and by the direct integration alone (volume_average_direct), for a
// 60 x 20 um plate in a 150 um hole of an 80 um gasket, beams within 40 degrees of
// the axis on opposite sides (as a DAC measures them).
//   build/default/bench/correct/bench_volume_average
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "correction/volume/geometry.h"
#include "correction/volume/volume_average.h"

namespace zirel::correction {
namespace {

PreparedVolume cell(bool opaque, double crystal_mu) {
  VolumeGeometry g;
  g.gasket = {true, opaque, 20, 0.08, 0.15};
  g.crystal.shape = CrystalShape::plate;
  g.crystal.diameter = 0.06;
  g.crystal.thickness = 0.02;
  g.crystal.mu = crystal_mu;
  g.crystal.offset_x = 0.01;
  return *prepare_volume(g).volume;
}

std::vector<Vec3> directions(int n, bool up, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> cos_theta(std::cos(40 * std::numbers::pi / 180), 1), phi(0, 2 * std::numbers::pi);
  std::vector<Vec3> out;
  for (int i = 0; i < n; ++i) {
    const double c = cos_theta(rng), s = std::sqrt(1 - c * c), f = phi(rng);
    out.push_back({s * std::cos(f), s * std::sin(f), up ? c : -c});
  }
  return out;
}

using Average = double (*)(const PreparedVolume&, const Vec3&, const Vec3&, const VolumeGrid&);

void run(benchmark::State& state, bool opaque, double crystal_mu, Average average = volume_average) {
  const PreparedVolume v = cell(opaque, crystal_mu);
  const std::vector<Vec3> in = directions(1000, true, 1), out = directions(1000, false, 2);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(average(v, in[i], out[i], VolumeGrid{}));
    i = (i + 1) % in.size();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_OpaqueGasket(benchmark::State& s) { run(s, true, 0); }
void BM_OpaqueGasketAbsorbingCrystal(benchmark::State& s) { run(s, true, 5); }
void BM_SteelGasketAbsorbingCrystal(benchmark::State& s) { run(s, false, 5); }
void BM_OpaqueGasketDirect(benchmark::State& s) { run(s, true, 0, volume_average_direct); }
void BM_OpaqueGasketAbsorbingCrystalDirect(benchmark::State& s) { run(s, true, 5, volume_average_direct); }
void BM_SteelGasketAbsorbingCrystalDirect(benchmark::State& s) { run(s, false, 5, volume_average_direct); }
BENCHMARK(BM_OpaqueGasket);
BENCHMARK(BM_OpaqueGasketAbsorbingCrystal);
BENCHMARK(BM_SteelGasketAbsorbingCrystal);
BENCHMARK(BM_OpaqueGasketDirect);
BENCHMARK(BM_OpaqueGasketAbsorbingCrystalDirect);
BENCHMARK(BM_SteelGasketAbsorbingCrystalDirect);

}  // namespace
}  // namespace zirel::correction

BENCHMARK_MAIN();
