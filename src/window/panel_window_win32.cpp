// The panel's window on Win32: the window class, the child window with its
// "edit" child, the back buffer, painting through GDI and the window
// procedure that routes messages to the portable input code.
#include <ole2.h>
#include <shellapi.h>
#include <windows.h>
#include <windowsx.h>

#include <atomic>
#include <cstdio>

#include "editor/painter.h"
#include "editor/pointer_input.h"
#include "platform/platform_win32.h"
#include "window/gdi_canvas_win32.h"
#include "window/panel_window.h"

namespace orv {
namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER;
constexpr UINT kClassStyle = CS_DBLCLKS | CS_GLOBALCLASS;
constexpr int kExtraBytes = 32;
constexpr DWORD kCompositedFromMajor = 6;
constexpr int kEditControlId = 1;

// Panel windows of this library open in the process, over all instances.
std::atomic<int> openWindowCount{0};

// The TextBox field: the "edit" child window.
class EditWindowField : public EditField {
public:
    explicit EditWindowField(HWND edit) : edit_(edit) {}
    void setText(const char* text) override { SetWindowTextA(edit_, text ? text : ""); }
    void getText(char* buffer, std::uint32_t capacity) override {
        GetWindowTextA(edit_, buffer, static_cast<int>(capacity));
    }
    void move(int left, int top, int width, int height) override {
        MoveWindow(edit_, left, top, width, height, TRUE);
    }

private:
    HWND edit_;
};

MouseEvent mouseEventOf(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN: return MouseEvent::LeftDown;
    case WM_RBUTTONDOWN: return MouseEvent::RightDown;
    case WM_MOUSEMOVE: return MouseEvent::Move;
    case WM_LBUTTONUP: return MouseEvent::LeftUp;
    case WM_RBUTTONUP: return MouseEvent::RightUp;
    case WM_DROPFILES: return MouseEvent::Drop;
    default: return MouseEvent::Other;
    }
}

class Win32Panel final : public PanelWindow {
public:
    Win32Panel(WindowSession& session, PanelHost& host, PointerState& pointer, HWND parent);
    ~Win32Panel() override;
    Win32Panel(const Win32Panel&) = delete;
    Win32Panel& operator=(const Win32Panel&) = delete;

    void idle() override {
        if (window_ && needsRepaint(panel_)) platform::invalidateWindow(window_);
    }
    std::uintptr_t handle() const override { return reinterpret_cast<std::uintptr_t>(window_); }

    // Window messages, from the window procedure (the window's thread).
    void onCreate(HWND window, HINSTANCE instance);
    void paint(HWND window);
    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    int width() const { return static_cast<int>(static_cast<float>(panel_.editorWidth) * panel_.editorScale); }
    int height() const { return static_cast<int>(static_cast<float>(panel_.editorHeight) * panel_.editorScale); }

    PanelHost& host_;
    PanelModel& panel_;
    PointerState& pointer_;
    HWND window_ = nullptr;
    HWND editWindow_ = nullptr;
    HBITMAP backBitmap_ = nullptr;
    HDC backDC_ = nullptr;
};

Win32Panel* panelOf(HWND window) { return reinterpret_cast<Win32Panel*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

LRESULT CALLBACK panelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        static_cast<Win32Panel*>(create->lpCreateParams)->onCreate(window, create->hInstance);
        return 0;
    }
    Win32Panel* panel = panelOf(window);
    // Messages after the close cleared the user data go to the default handling.
    if (!panel) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_LBUTTONDOWN: SetCapture(window); break;
    case WM_LBUTTONUP: ReleaseCapture(); break;
    case WM_PAINT: panel->paint(window); return 0;
    case WM_KEYDOWN: return DefWindowProcA(window, message, wParam, lParam);
    default: break;
    }
    if (panel->handleMessage(message, wParam, lParam)) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

void registerWindowClass(WindowSession& session) {
    const auto handle = reinterpret_cast<std::uintptr_t>(platform::moduleHandle());
    std::snprintf(session.windowClassName, sizeof session.windowClassName, "VST_%s_%X", kEffectName,
                  static_cast<unsigned>(handle & 0xFFFFFFFFu));
    WNDCLASSA wc{};
    wc.style = kClassStyle;
    wc.lpfnWndProc = panelWindowProc;
    wc.cbClsExtra = kExtraBytes;
    wc.cbWndExtra = kExtraBytes;
    wc.hInstance = platform::moduleHandle();
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = session.windowClassName;
    // A second instance finds the class already there; its windows use it.
    RegisterClassA(&wc);
}

Win32Panel::Win32Panel(WindowSession& session, PanelHost& host, PointerState& pointer, HWND parent)
    : host_(host), panel_(host.panel()), pointer_(pointer) {
    if (session.windowClassName[0] == '\0') registerWindowClass(session);
    OSVERSIONINFOEXA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version));
    const DWORD exStyle = version.dwMajorVersion >= kCompositedFromMajor ? WS_EX_COMPOSITED : 0;
    window_ = CreateWindowExA(exStyle, session.windowClassName, "Window", kChildStyle, 0, 0, width(), height(), parent,
                              nullptr, platform::moduleHandle(), this);
    panel_.editorWindow.store(window_);
    HDC windowDC = GetDC(window_);
    backBitmap_ = CreateCompatibleBitmap(windowDC, width(), height());
    backDC_ = CreateCompatibleDC(nullptr);
    ReleaseDC(window_, windowDC);
    SelectObject(backDC_, backBitmap_);
    SetBkMode(backDC_, TRANSPARENT);
    openWindowCount.fetch_add(1);
    panel_.changeCounter.store(2);
}

void Win32Panel::onCreate(HWND window, HINSTANCE instance) {
    DragAcceptFiles(window, TRUE);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    editWindow_ = CreateWindowExA(0, "edit", nullptr, kEditStyle, 0, 0, 0, 0, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditControlId)), instance, nullptr);
}

Win32Panel::~Win32Panel() {
    DeleteDC(backDC_);
    DeleteObject(backBitmap_);
    if (editWindow_) DestroyWindow(editWindow_);
    if (window_) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
        panel_.editorWindow.store(nullptr);
    }
    openWindowCount.fetch_sub(1);
}

void Win32Panel::paint(HWND window) {
    while (!host_.isReady()) Sleep(1);
    ParameterSnapshot snapshot;
    host_.readSnapshot(snapshot);
    {
        GdiCanvas canvas(backDC_);
        Painter(panel_, snapshot, canvas, pointer_.focusControl).paint();
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    BitBlt(dc, 0, 0, width(), height(), backDC_, 0, 0, SRCCOPY);
    EndPaint(window, &ps);
}

bool Win32Panel::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const MouseEvent event = mouseEventOf(message);
    if (event == MouseEvent::Other) return false;
    EditWindowField field(editWindow_);
    const bool fine = GetKeyState(VK_SHIFT) < 0;
    const bool handled = handleMouse(host_, pointer_, editWindow_ ? &field : nullptr, event, GET_X_LPARAM(lParam),
                                     GET_Y_LPARAM(lParam), fine);
    if (event == MouseEvent::Drop) DragFinish(reinterpret_cast<HDROP>(wParam));
    return handled;
}

}  // namespace

// OLE is initialised on the thread that makes the editor and uninitialised
// on the one that destroys it.
WindowSession::WindowSession() { OleInitialize(nullptr); }

// The class, whose window procedure lives in this library, is unregistered
// once no panel window of the library remains.
WindowSession::~WindowSession() {
    if (openWindowCount.load() <= 0 && windowClassName[0] != '\0')
        UnregisterClassA(windowClassName, platform::moduleHandle());
    OleUninitialize();
}

std::unique_ptr<PanelWindow> openPanelWindow(WindowSession& session, PanelHost& host, PointerState& pointer,
                                             const WindowRequest& request) {
    return std::make_unique<Win32Panel>(session, host, pointer, static_cast<HWND>(request.parent));
}

}  // namespace orv
