// The kernel32 platform, for the Windows program's entry point.
#pragma once

#include "platform/platform.h"

Platform* win32_platform();
// As GetModuleFileNameA: the program's own file name, its length, 0 on failure.
unsigned long win32_module_name(char* buf, unsigned long size);
// Ends the process with `status`, as ExitProcess.
[[noreturn]] void win32_exit(unsigned status);
