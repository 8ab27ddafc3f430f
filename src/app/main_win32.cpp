// The Windows program's entry point: the kernel32 platform, then the run.
#include "app/app.h"
#include "platform/win32_platform.h"

// The options hold '?': the start-up code must never expand them as
// wildcards against the files of the current directory.
extern "C" {
int _dowildcard = 0;
}

namespace {
constexpr unsigned long MODULE_NAME_BYTES = 261;
}

int main(int argc, char** argv) {
  platform_install(win32_platform());
  // With an empty command line the usage text names the module instead.
  static char module_name[MODULE_NAME_BYTES];
  static char* fallback[2] = {module_name, nullptr};
  if (argc < 1 || argv[0] == nullptr || argv[0][0] == '\0') {
    unsigned long len = win32_module_name(module_name, MODULE_NAME_BYTES - 1);
    if (len >= MODULE_NAME_BYTES - 1) len = MODULE_NAME_BYTES - 1;
    module_name[len] = '\0';
    if (argc < 1) {
      argc = 1;
      argv = fallback;
    } else {
      argv[0] = module_name;
    }
  }
  const char* const* args = argv;
  win32_exit(static_cast<unsigned>(run_cpvalid(argc, args)));
}

// The runtime's math-error handler brings a kilobyte of printing; the tool does no math.
struct _exception;
extern "C" int _matherr(_exception*) { return 0; }
