// What a walk costs per entry as the list grows from 10 to 10,000 entries:
// whole runs on the in-memory machine over files, directories (on D:, while
// the run starts on C:) or missing entries, all distinct; and the duplicate
// registry alone, over distinct entries or pairs that differ only in case.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "fake_platform.h"
#include "lists/registry.h"

namespace {

enum Kind { FILES, DIRS, MISSING };

std::string entry(Kind kind, int i) {
  static const char* const formats[] = {"C:\\lib\\jar%05d.jar", "D:\\apps\\dir%05d",
                                        "C:\\none\\gone%05d"};
  char name[32];
  std::snprintf(name, sizeof name, formats[kind], i);
  return name;
}

void per_entry(benchmark::State& state, int n) {
  state.counters["time/entry"] = benchmark::Counter(
      n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void run(benchmark::State& state, Kind kind) {
  const int n = static_cast<int>(state.range(0));
  FakePlatform fake;
  std::string value;
  for (int i = 0; i < n; ++i) {
    value += (i == 0 ? "" : ";") + entry(kind, i);
    if (kind != MISSING) fake.add(entry(kind, i), kind == DIRS ? 'd' : 'f');
  }
  fake.env["CLASSPATH"] = value;
  platform_install(&fake);
  const char* argv[] = {"cpvalid", nullptr};
  for (auto _ : state) {
    fake.writes.clear(), fake.out.clear();
    benchmark::DoNotOptimize(run_cpvalid(1, argv));
  }
  platform_install(nullptr);
  per_entry(state, n);
}

void registry(benchmark::State& state, bool mixed_case) {
  const int n = static_cast<int>(state.range(0));
  std::vector<std::string> entries;
  for (int i = 0; i < n; ++i) {
    // Mixed case: each entry followed by its upper-cased twin, a duplicate.
    std::string text = entry(FILES, mixed_case ? i / 2 : i);
    entries.push_back(mixed_case && i % 2 == 1 ? FakePlatform::upper(text) : text);
  }
  for (auto _ : state) {
    registry_reset();
    int duplicates = 0;
    for (const std::string& text : entries) duplicates += registry_add(text.c_str());
    benchmark::DoNotOptimize(duplicates);
    registry_release();
  }
  per_entry(state, n);
}

}  // namespace

BENCHMARK_CAPTURE(run, files, FILES)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK_CAPTURE(run, dirs, DIRS)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK_CAPTURE(run, missing, MISSING)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK_CAPTURE(registry, distinct, false)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK_CAPTURE(registry, mixed_case, true)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK_MAIN();
