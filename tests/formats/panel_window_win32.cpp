// The panel tests' window side on Windows (under Wine): a parent window of
// the test's, its message loop, mouse messages as a user's, and the
// process's windows and threads. Wine reports no GDI or USER object
// counts, so windows are counted one by one, message-only ones included.
#include <windows.h>
#include <tlhelp32.h>

#include "editor_host_win32.h"
#include "panel_window.h"

namespace formats::panelwindow {
namespace {

constexpr int kParentWidth = 700, kParentHeight = 500;
constexpr int kIdleMs = 30;
HWND parentWindow = nullptr;

HWND panel() { return FindWindowExA(parentWindow, nullptr, nullptr, nullptr); }

void mouse(HWND window, UINT message, WPARAM keys, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
    SendMessageA(window, message, keys, MAKELPARAM(x, y));
}

int countWindows(HWND under) {
    int n = 0;
    for (HWND w = FindWindowExA(under, nullptr, nullptr, nullptr); w; w = FindWindowExA(under, w, nullptr, nullptr))
        n += 1 + countWindows(w);
    return n;
}

}  // namespace

std::uintptr_t parent() {
    if (!parentWindow) parentWindow = vsthost::createParentWindow(kParentWidth, kParentHeight);
    return reinterpret_cast<std::uintptr_t>(parentWindow);
}

std::uintptr_t newParent() {
    return reinterpret_cast<std::uintptr_t>(vsthost::createParentWindow(kParentWidth, kParentHeight));
}

void destroyParent(std::uintptr_t window) { DestroyWindow(reinterpret_cast<HWND>(window)); }

void release() {
    if (parentWindow) DestroyWindow(parentWindow);
    parentWindow = nullptr;
}

void pump(int ms) { vsthost::pumpMessages(ms); }

void idleVst2(AEffect* effect, int ms) {
    for (int waited = 0; waited < ms; waited += kIdleMs) {
        effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
        vsthost::pumpMessages(kIdleMs);
    }
}

std::vector<std::uint32_t> capture() {
    int w = 0, h = 0;
    return vsthost::captureWindow(panel(), w, h);
}

int panelWidth() {
    RECT r{};
    GetClientRect(panel(), &r);
    return r.right - r.left;
}

int panelHeight() {
    RECT r{};
    GetClientRect(panel(), &r);
    return r.bottom - r.top;
}

void drag(int fromX, int toX, int y) {
    HWND window = panel();
    mouse(window, WM_LBUTTONDOWN, MK_LBUTTON, fromX, y);
    mouse(window, WM_MOUSEMOVE, MK_LBUTTON, toX, y);
    mouse(window, WM_LBUTTONUP, 0, toX, y);
}

int childCount() {
    int n = 0;
    for (HWND c = panel(); c; c = FindWindowExA(parentWindow, c, nullptr, nullptr)) ++n;
    return n;
}

int windowSystemObjects() { return countWindows(nullptr) + countWindows(HWND_MESSAGE); }

int threadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

}  // namespace formats::panelwindow
