// What the argument scan should conclude, restated from the option rules
// without looking at how the tool does it. Shared by the fuzz targets that
// feed the tool a command line.
#pragma once

#include <string>
#include <vector>

#include "app/app.h"

// Applies one argument's options to `options`: a marker/letter pair is tested
// at each scan position; while the text from the position holds at least
// three characters and the third is '-', the position moves two on.
inline void model_scan_argument(const std::string& arg, RunOptions& options) {
  std::size_t pos = 0;
  for (;;) {
    const std::string pair = arg.substr(pos, 2);
    if (pair == "-p" || pair == "-P") options.walk_path = 1;
    if (pair == "-l" || pair == "-L") options.walk_lib = 1;
    if (pair == "-j" || pair == "-J") options.check_required = 1;
    if (pair == "-?" || pair == "/?") options.show_help = 1;
    if (arg.size() - pos < 3 || arg[pos + 2] != '-') return;
    pos += 2;
  }
}

// argv[0] is the program's name and is never scanned.
inline RunOptions model_scan(const std::vector<std::string>& argv, RunOptions options) {
  for (std::size_t i = 1; i < argv.size(); ++i) model_scan_argument(argv[i], options);
  return options;
}
