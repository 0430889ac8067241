// What this process holds of the system while editors open and close
// (Linux): its threads, and its clients on an X server.
#pragma once

#include <X11/Xlib.h>

namespace support {

int threadsOfProcess();
// The X clients of this process on the server of display (XRes).
int xClientsOfProcess(Display* display);

}  // namespace support
