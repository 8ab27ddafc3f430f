// The cost of a walk as the list grows, on the fake machine: whole runs over
// 10 to 10,000 entries of files, directories, missing entries or a mix of
// the three, each list all distinct, one entry repeated, or pairs that
// differ only in the case of a-z. Reports time per entry and, per entry,
// the platform calls of each kind that the run makes beyond an empty run.
// Two more families: the fake's own share of a probe, and the duplicate
// registry alone over the same shapes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "fake_platform.h"
#include "lists/registry.h"

namespace {

enum Kind { FILES, DIRS, MISSING, MIXED };
enum Shape { DISTINCT, REPEATED, MIXED_CASE };

const char* const KIND_NAMES[] = {"files", "dirs", "missing", "mix"};
const char* const SHAPE_NAMES[] = {"distinct", "repeated", "mixed_case"};
const char* const CALL_NAMES[FakePlatform::CALL_KINDS] = {
    "getenv/entry", "readenv/entry", "setenv/entry", "open/entry", "type/entry",
    "close/entry",  "chdir/entry",   "getcwd/entry", "write/entry"};

// Files live on C:, directories on D: (so a probe leaves the starting
// drive and its record is read once), missing entries under C:\none.
std::string entry_path(Kind kind, int i) {
  char name[48];
  if (kind == MIXED) kind = static_cast<Kind>(i % 3);
  switch (kind) {
    case FILES:
      std::snprintf(name, sizeof name, "C:\\lib\\jar%05d.jar", i);
      break;
    case DIRS:
      std::snprintf(name, sizeof name, "D:\\apps\\dir%05d", i);
      break;
    default:
      std::snprintf(name, sizeof name, "C:\\none\\gone%05d", i);
      break;
  }
  return name;
}

std::string flip_case(std::string text) {
  for (char& c : text) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) c = static_cast<char>(c ^ 0x20);
  }
  return text;
}

std::vector<std::string> make_entries(Kind kind, Shape shape, int n) {
  std::vector<std::string> entries;
  for (int i = 0; i < n; ++i) {
    switch (shape) {
      case DISTINCT:
        entries.push_back(entry_path(kind, i));
        break;
      case REPEATED:
        // A mix repeats its three kinds in turn.
        entries.push_back(entry_path(kind, kind == MIXED ? i % 3 : 0));
        break;
      case MIXED_CASE:
        entries.push_back(i % 2 == 0 ? entry_path(kind, i / 2)
                                     : flip_case(entry_path(kind, i / 2)));
        break;
    }
  }
  return entries;
}

void build_machine(FakePlatform& fake, const std::vector<std::string>& entries) {
  fake.keep_log = false;
  fake.add_dir("C:\\work");
  fake.set_cwd("C:\\work");
  for (const std::string& e : entries) {
    if (e.compare(0, 7, "C:\\none") == 0 || e.compare(0, 7, "c:\\NONE") == 0) continue;
    if (e[0] == 'D' || e[0] == 'd') {
      fake.add_dir(e);
    } else {
      fake.add_file(e);
    }
  }
}

void run_calls(FakePlatform& fake, const char* const* argv, long out[FakePlatform::CALL_KINDS]) {
  fake.clear_log();
  run_cpvalid(1, argv);
  for (int k = 0; k < FakePlatform::CALL_KINDS; ++k) out[k] = fake.calls[k];
}

void BM_run(benchmark::State& state, Kind kind, Shape shape) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<std::string> entries = make_entries(kind, shape, n);
  std::string value;
  for (const std::string& e : entries) value += e + ";";
  value.pop_back();

  FakePlatform fake;
  build_machine(fake, entries);
  platform_install(&fake);
  const char* argv[] = {"cpvalid", nullptr};

  // What a run costs with nothing to walk: the save, the return, the totals.
  long empty[FakePlatform::CALL_KINDS];
  fake.set_env("CLASSPATH", "");
  run_calls(fake, argv, empty);

  fake.set_env("CLASSPATH", value);
  fake.clear_log();
  for (auto _ : state) {
    fake.out.clear();
    fake.writes.clear();
    benchmark::DoNotOptimize(run_cpvalid(1, argv));
  }

  const double runs = static_cast<double>(state.iterations());
  for (int k = 0; k < FakePlatform::CALL_KINDS; ++k) {
    state.counters[CALL_NAMES[k]] = (static_cast<double>(fake.calls[k]) / runs - empty[k]) / n;
  }
  state.counters["time/entry"] = benchmark::Counter(
      n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetItemsProcessed(state.iterations() * n);
  platform_install(nullptr);
}

// The fake's share: the platform calls a probe makes for each distinct
// entry, made directly, with no tool around them. What a run costs beyond
// this is the tool's.
void BM_fake_calls(benchmark::State& state, Kind kind) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<std::string> entries = make_entries(kind, DISTINCT, n);
  FakePlatform fake;
  build_machine(fake, entries);
  char buf[261];
  for (auto _ : state) {
    for (const std::string& e : entries) {
      FileHandle h = fake.file_open_read(e.c_str());
      if (h != 0) {
        benchmark::DoNotOptimize(fake.file_type(h));
        fake.file_close(h);
      } else if (fake.dir_set(e.c_str())) {
        fake.dir_get(buf, sizeof buf);
        fake.env_set("=D:", buf);
        fake.dir_set("C:\\work");
        fake.env_set("=D:", nullptr);
      }
    }
  }
  state.counters["time/entry"] = benchmark::Counter(
      n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetItemsProcessed(state.iterations() * n);
}

// The registry on its own: one walk's reset, adds and release.
void BM_registry(benchmark::State& state, Shape shape) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<std::string> entries = make_entries(MIXED, shape, n);
  for (auto _ : state) {
    registry_reset();
    int duplicates = 0;
    for (const std::string& e : entries) duplicates += registry_add(e.c_str());
    benchmark::DoNotOptimize(duplicates);
    registry_release();
  }
  state.counters["time/entry"] = benchmark::Counter(
      n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetItemsProcessed(state.iterations() * n);
}

}  // namespace

int main(int argc, char** argv) {
  for (Kind kind : {FILES, DIRS, MISSING, MIXED}) {
    for (Shape shape : {DISTINCT, REPEATED, MIXED_CASE}) {
      const std::string name = std::string("run/") + KIND_NAMES[kind] + "/" + SHAPE_NAMES[shape];
      benchmark::RegisterBenchmark(name.c_str(), BM_run, kind, shape)
          ->RangeMultiplier(10)
          ->Range(10, 10000);
    }
  }
  for (Kind kind : {FILES, DIRS, MISSING, MIXED}) {
    const std::string name = std::string("fake_only/") + KIND_NAMES[kind] + "/distinct";
    benchmark::RegisterBenchmark(name.c_str(), BM_fake_calls, kind)
        ->RangeMultiplier(10)
        ->Range(10, 10000);
  }
  for (Shape shape : {DISTINCT, REPEATED, MIXED_CASE}) {
    const std::string name = std::string("registry/") + SHAPE_NAMES[shape];
    benchmark::RegisterBenchmark(name.c_str(), BM_registry, shape)
        ->RangeMultiplier(10)
        ->Range(10, 10000);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
