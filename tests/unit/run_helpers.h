// Shared pieces for the unit tests: running the whole tool on a fake
// machine, and building expected report text.
#pragma once

#include <string>
#include <vector>

#include "fake_platform.h"

// Runs the tool with `args` (argv[0] is "cpvalid") on `fake`; returns its
// standard output with CR LF turned back into LF, after checking that every
// line feed came as CR LF and that the exit status was 0.
std::string run_tool(FakePlatform& fake, const std::vector<std::string>& args = {});

// One entry's report line, as the tool prints it (LF only).
std::string entry_line(const std::string& status, bool duplicate, const std::string& entry);

extern const char* const FILE_LABEL;
extern const char* const DIR_LABEL;
extern const char* const MISSING_LABEL;

// The two banner lines every run starts with (LF only).
extern const std::string BANNER;

// Installs `fake` and resets the tool's per-run state, for tests that call
// a single part directly.
void use_platform(FakePlatform& fake);
