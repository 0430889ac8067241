#include "x11_resources.h"

#include <X11/extensions/XRes.h>
#include <dirent.h>
#include <unistd.h>

namespace support {

int threadsOfProcess() {
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(tasks))
            if (entry->d_name[0] != '.') ++count;
        closedir(tasks);
    }
    return count;
}

int xClientsOfProcess(Display* display) {
    XResClientIdSpec all{0, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* ids = nullptr;
    XResQueryClientIds(display, 1, &all, &count, &ids);
    int ours = 0;
    for (long i = 0; i < count; ++i) ours += XResGetClientPid(&ids[i]) == getpid();
    XResClientIdsDestroy(count, ids);
    return ours;
}

}  // namespace support
