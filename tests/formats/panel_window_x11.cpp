// The panel tests' window side on X11: a parent on the test's own display
// connection, XTest for the pointer.
// clang-format off
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
// clang-format on
#include <chrono>
#include <stdexcept>
#include <thread>

#include "editor_host_x11.h"
#include "panel_window.h"
#include "x11_resources.h"

namespace formats::panelwindow {
namespace {

constexpr int kMargin = 40;
constexpr int kWidth = 544, kHeight = 356;
Display* display = nullptr;
Window parentWindow = 0;

Display* connection() {
    if (!display) {
        display = XOpenDisplay(nullptr);
        if (!display) throw std::runtime_error("no X display (the tests run under Xvfb)");
        parentWindow = vsthost::createParentWindow(display, kWidth + kMargin, kHeight + kMargin);
    }
    return display;
}

}  // namespace

std::uintptr_t parent() {
    connection();
    return parentWindow;
}

std::uintptr_t newParent() { return vsthost::createParentWindow(connection(), kWidth, kHeight); }

void destroyParent(std::uintptr_t window) {
    XDestroyWindow(connection(), static_cast<Window>(window));
    XSync(connection(), False);
}

void release() {
    if (!display) return;
    XDestroyWindow(display, parentWindow);
    XCloseDisplay(display);
    display = nullptr;
}

void pump(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void idleVst2(AEffect* effect, int ms) { vsthost::idleFor(effect, ms); }

std::vector<std::uint32_t> capture() {
    int w = 0, h = 0;
    return vsthost::captureWindow(connection(), vsthost::firstChild(connection(), parentWindow), w, h);
}

int panelWidth() {
    XWindowAttributes attributes{};
    XGetWindowAttributes(connection(), vsthost::firstChild(connection(), parentWindow), &attributes);
    return attributes.width;
}

int panelHeight() {
    XWindowAttributes attributes{};
    XGetWindowAttributes(connection(), vsthost::firstChild(connection(), parentWindow), &attributes);
    return attributes.height;
}

// The parent sits at the root's corner, so panel pixels are screen pixels.
void drag(int fromX, int toX, int y) {
    Display* d = connection();
    XTestFakeMotionEvent(d, DefaultScreen(d), fromX, y, CurrentTime);
    XTestFakeButtonEvent(d, Button1, True, CurrentTime);
    XTestFakeMotionEvent(d, DefaultScreen(d), toX, y, CurrentTime);
    XTestFakeButtonEvent(d, Button1, False, CurrentTime);
    XFlush(d);
}

int childCount() {
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    XSync(connection(), False);
    XQueryTree(connection(), parentWindow, &root, &up, &children, &count);
    if (children) XFree(children);
    return static_cast<int>(count);
}

int windowSystemObjects() { return support::xClientsOfProcess(connection()); }

int threadCount() { return support::threadsOfProcess(); }

}  // namespace formats::panelwindow
