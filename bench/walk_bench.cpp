// What a walk costs per entry as the list grows from 10 to 10,000 entries:
// whole runs on the in-memory machine over files, directories (on D:, while
// the run starts on C:) or missing entries, all distinct; and the duplicate
// registry alone, over distinct entries or pairs that differ only in case.
// Then the class search per name, 1,000 to 1,000,000 names: archives read on
// the in-memory machine, and the name store alone with its peak bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app.h"
#include "base/allocator.h"
#include "classes/classes.h"
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

// N names of about 20, 35 or 60 bytes, in 64 packages.
std::vector<std::string> class_names(int n, int size) {
  static const char* const formats[] = {
      "pk%02d/Cls%07d.class", "org/example/pkg%02d/Class%07d.class",
      "org/example/application/module%02d/internal/Component%07d.class"};
  std::vector<std::string> names;
  char name[80];
  for (int i = 0; i < n; ++i)
    names.emplace_back(name, std::snprintf(name, sizeof name, formats[size], i % 64, i));
  return names;
}

// Time per name read: N, or 2N when a second archive repeats them.
void classes(benchmark::State& state, int archives) {
  const int n = static_cast<int>(state.range(0));
  FakePlatform fake;
  const char* paths[] = {"C:\\lib\\first.jar", "C:\\lib\\second.jar"};
  for (int a = 0; a < archives; ++a) fake.add(paths[a], 'f', zip_of(class_names(n, 1)));
  platform_install(&fake);
  for (auto _ : state) {
    for (int a = 0; a < archives; ++a)
      if (!names_begin_element(a) || read_archive(paths[a]) != READ_DONE) std::abort();
    benchmark::DoNotOptimize(names_counts());
    names_release();
  }
  platform_install(nullptr);
  per_entry(state, n * archives);
}

// Each block carries its size in front, so that giving it back can subtract it.
std::size_t held, peak;
void* take(std::size_t bytes) {
  auto* block = static_cast<std::size_t*>(std::malloc(bytes + 16));  // 16: blocks stay aligned
  *block = bytes, held += bytes, peak = std::max(peak, held);
  return block + 2;
}
void give(void* block) {
  held -= *(static_cast<std::size_t*>(block) - 2);
  std::free(static_cast<std::size_t*>(block) - 2);
}

// The store alone, fed directly: its peak bytes beyond the names' own, per name, and what a
// limit of 32 bytes per name leaves spare (below 0: broken). Timed with the counting allocator.
void store(benchmark::State& state, int size) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<std::string> names = class_names(n, size);
  std::size_t own = 0;
  for (const std::string& name : names) own += name.size();
  const Allocator counting = {take, give};
  mem_allocator = &counting;
  for (auto _ : state) {
    held = peak = 0;
    if (!names_begin_element(0)) std::abort();
    for (const std::string& name : names)
      if (!names_add(name.data(), name.size(), {static_cast<std::uint32_t>(name.size()), 0}))
        std::abort();
    names_release();
  }
  mem_allocator = &heap_allocator;
  per_entry(state, n);
  state.counters["over/name"] = (static_cast<double>(peak) - own) / n;
  state.counters["spare"] = static_cast<double>(own + 32 * std::size_t(n)) - peak;
}

}  // namespace

BENCHMARK_CAPTURE(run, files, FILES)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK_CAPTURE(run, dirs, DIRS)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK_CAPTURE(run, missing, MISSING)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK_CAPTURE(registry, distinct, false)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK_CAPTURE(registry, mixed_case, true)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK_CAPTURE(classes, distinct, 1)->RangeMultiplier(10)->Range(1000, 1000000);
BENCHMARK_CAPTURE(classes, hidden, 2)->RangeMultiplier(10)->Range(1000, 1000000);
BENCHMARK_CAPTURE(store, short, 0)->RangeMultiplier(10)->Range(1000, 1000000);
BENCHMARK_CAPTURE(store, long, 2)->RangeMultiplier(10)->Range(1000, 1000000);
BENCHMARK_MAIN();
