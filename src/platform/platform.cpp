#include "platform/platform.h"

namespace {
Platform* installed = nullptr;
}

Platform* platform() { return installed; }

void platform_install(Platform* p) { installed = p; }
