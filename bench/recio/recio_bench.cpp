// Speed of the reflection-file paths: SHELX records read with (3I4,F8.0,F8.0)
// from memory and written with (3I4,TR1,F7.d1,TR1,F7.d2) to memory, through
// the same unit and statement code as files.
#include <benchmark/benchmark.h>
#include <string>

#include "recio/statement.h"

namespace zirel {
namespace {

constexpr int RECORDS = 1'000'000;
constexpr int32_t UNIT = 1;

std::string make_shelx_text() {
  std::string text;
  text.reserve(size_t(RECORDS) * 30);
  char record[32];
  const RecordFormat fmt("(3I4,F8.2,F8.2)");
  for (int i = 0; i < RECORDS; ++i) {
    int32_t h = i % 37 - 18, k = i % 23 - 11, l = i % 11 - 5;
    float intensity = float(i % 99991) * 0.37f, sigma = float(i % 997) * 0.11f;
    write_internal(std::span<char>(record, 28), fmt, {h, k, l, intensity, sigma});
    text.append(record, 28);
    text += "\r\n";
  }
  return text;
}

const std::string& shelx_text() {
  static const std::string text = make_shelx_text();
  return text;
}

void BM_ReadShelx(benchmark::State& state) {
  const std::string& text = shelx_text();
  const RecordFormat fmt("(3I4,F8.0,F8.0)");
  int64_t records = 0;
  for (auto _ : state) {
    UnitTable table;
    table.connect_memory_input(UNIT, text);
    int32_t h, k, l;
    float intensity, sigma;
    while (read_formatted(table, UNIT, fmt, {h, k, l, intensity, sigma},
                          {.err = true, .end = true}) == IO_OK) {
      benchmark::DoNotOptimize(sigma);
      ++records;
    }
  }
  state.SetItemsProcessed(records);
}
BENCHMARK(BM_ReadShelx)->Unit(benchmark::kMillisecond);

void BM_WriteShelx(benchmark::State& state) {
  const RecordFormat fmt("(3I4,TR1,F7.d1,TR1,F7.d2)");
  std::string sink;
  sink.reserve(size_t(RECORDS) * 32);
  int64_t records = 0;
  for (auto _ : state) {
    sink.clear();
    UnitTable table;
    table.connect_memory_output(UNIT, sink);
    for (int i = 0; i < RECORDS; ++i) {
      int32_t h = i % 37 - 18, k = i % 23 - 11, l = i % 11 - 5;
      float intensity = float(i % 99991) * 0.37f, sigma = float(i % 997) * 0.11f;
      write_formatted(table, UNIT, fmt, {h, k, l, intensity, sigma},
                      {intensity < 1000.0f ? 2 : 1, 2});
    }
    benchmark::DoNotOptimize(sink.data());
    records += RECORDS;
  }
  state.SetItemsProcessed(records);
}
BENCHMARK(BM_WriteShelx)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zirel

BENCHMARK_MAIN();
