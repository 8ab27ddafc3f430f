// The argument scan against the option model. The input is a command line:
// NUL bytes split it into arguments, the first piece being the program's
// name. The first byte, if any, chooses which flags are already set, since
// the scan must only ever add flags.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "option_model.h"

namespace {

void fail(const char* what) {
  std::fprintf(stderr, "fuzz_arguments: %s\n", what);
  std::abort();
}

bool is_flag(int v) { return v == 0 || v == 1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned preset = data[0];
  ++data;
  --size;

  std::vector<std::string> pieces;
  std::string piece;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      pieces.push_back(piece);
      piece.clear();
    } else {
      piece += static_cast<char>(data[i]);
    }
  }
  if (size > 0) pieces.push_back(piece);

  // The tool gets the usual argv: argc pointers and a terminating null.
  std::vector<const char*> argv;
  for (const std::string& p : pieces) argv.push_back(p.c_str());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(pieces.size());

  RunOptions start = {static_cast<int>(preset & 1), static_cast<int>((preset >> 1) & 1),
                      static_cast<int>((preset >> 2) & 1), static_cast<int>((preset >> 3) & 1)};
  if ((preset & 0x80) != 0) start = RunOptions{0, 0, 0, 0};  // the tool's own start, often

  RunOptions got = start;
  scan_arguments(argc, argv.data(), got);
  const RunOptions want = model_scan(pieces, start);

  if (!is_flag(got.walk_path) || !is_flag(got.walk_lib) || !is_flag(got.check_required) ||
      !is_flag(got.show_help)) {
    fail("a flag is neither 0 nor 1");
  }
  if (got.walk_path != want.walk_path) fail("walk_path differs from the model");
  if (got.walk_lib != want.walk_lib) fail("walk_lib differs from the model");
  if (got.check_required != want.check_required) fail("check_required differs from the model");
  if (got.show_help != want.show_help) fail("show_help differs from the model");
  return 0;
}
