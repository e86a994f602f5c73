// Generation and the accessibility test on a long monoclinic cell at a short
// wavelength (n = 193, about 58 million candidates in the plain cube).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>
#include "filtering/accessibility.h"
#include "filtering/generation.h"

// Counts heap allocations so the benchmarks can show the hot loops make none.
static std::atomic<long> allocations{0};
void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace zirel {
namespace {

RunSettings case_settings() {
  RunSettings s;
  s.cell = {35, 12, 9, 90, 103.5f, 90};
  s.wavelength = 0.2903f;
  s.psi_max = 40;
  s.axis_kind = AxisKind::UVW;
  s.axis = {0, 0, 1};
  return s;
}

template <auto Next>
void run_generator(benchmark::State& bench) {
  const RunSettings s = case_settings();
  const GenerationState prepared = prepare_generation(s, build_metric(s.cell));
  std::uint64_t yielded = 0, visited = 0;
  long allocs = 0;
  for (auto _ : bench) {
    GenerationState state = prepared;
    const long before = allocations.load();
    yielded = 0;
    while (auto m = Next(state)) {
      benchmark::DoNotOptimize(*m);
      ++yielded;
    }
    allocs += allocations.load() - before;
    visited = state.visited;
  }
  bench.counters["n"] = prepared.index_bound;
  bench.counters["candidates"] = static_cast<double>(visited);
  bench.counters["reflections"] = static_cast<double>(yielded);
  bench.counters["allocations"] = static_cast<double>(allocs);
}

void BM_PlainEnumeration(benchmark::State& bench) { run_generator<next_enumerated_reflection>(bench); }
void BM_FastGenerator(benchmark::State& bench) { run_generator<next_generated_reflection>(bench); }

void BM_IsAccessible(benchmark::State& bench) {
  const RunSettings s = case_settings();
  const CellMetric metric = build_metric(s.cell);
  const AccessibilityRun run = prepare_accessibility(s, metric);
  std::vector<Miller> reflections;
  GenerationState gen = prepare_generation(s, metric);
  while (auto m = next_generated_reflection(gen))
    if (reflections.size() < 1'000'000)
      reflections.push_back(*m);
  long allocs = 0, accessible = 0;
  for (auto _ : bench) {
    const long before = allocations.load();
    accessible = 0;
    for (const Miller& m : reflections)
      accessible += is_accessible(run, m.h, m.k, m.l) == Accessibility::Accessible;
    benchmark::DoNotOptimize(accessible);
    allocs += allocations.load() - before;
  }
  bench.SetItemsProcessed(static_cast<int64_t>(bench.iterations() * reflections.size()));
  bench.counters["tested"] = static_cast<double>(reflections.size());
  bench.counters["accessible"] = static_cast<double>(accessible);
  bench.counters["allocations"] = static_cast<double>(allocs);
}

BENCHMARK(BM_PlainEnumeration)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FastGenerator)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IsAccessible)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zirel

BENCHMARK_MAIN();
