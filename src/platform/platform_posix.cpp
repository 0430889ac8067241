// POSIX side of the host interface: the module path through dladdr, yields
// through sched_yield, repaint requests as a flag the editor's thread reads.
#include <dlfcn.h>
#include <sched.h>
#include <time.h>

#include <cstring>

#include "platform/platform.h"

namespace platform {

const char kPathSeparator = '/';

void readModulePath(char* buffer, std::size_t size) {
    if (!buffer || size == 0) return;
    buffer[0] = '\0';
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&readModulePath), &info) == 0 || !info.dli_fname) return;
    std::strncpy(buffer, info.dli_fname, size - 1);
    buffer[size - 1] = '\0';
}

std::uint32_t tickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

void yieldProcessor() { sched_yield(); }

void invalidateWindow(void* window) {
    if (window) static_cast<RepaintRequest*>(window)->pending.store(true, std::memory_order_release);
}

}  // namespace platform
