// Win32 side of the editor: the window class, the child window with its
// "edit" child, the back buffer, painting through GDI and the window
// procedure that routes messages to the portable input code.
#include <ole2.h>
#include <shellapi.h>
#include <windows.h>
#include <windowsx.h>

#include <atomic>
#include <cstdio>

#include "editor/gdi_canvas_win32.h"
#include "editor/painter.h"
#include "editor/panel_host.h"
#include "editor/pointer_input.h"
#include "host/editor_factory.h"
#include "host/orv_gui.h"
#include "platform/platform_win32.h"

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER;
constexpr UINT kClassStyle = CS_DBLCLKS | CS_GLOBALCLASS;
constexpr int kExtraBytes = 32;
constexpr DWORD kCompositedFromMajor = 6;
constexpr int kEditControlId = 1;

// Editor windows of this library open in the process, over all instances.
std::atomic<int> openEditorCount{0};

orvGui* editorOf(HWND window) {
    return reinterpret_cast<orvGui*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// The TextBox field: the "edit" child window.
class EditWindowField : public orv::EditField {
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

orv::MouseEvent mouseEventOf(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN: return orv::MouseEvent::LeftDown;
    case WM_RBUTTONDOWN: return orv::MouseEvent::RightDown;
    case WM_MOUSEMOVE: return orv::MouseEvent::Move;
    case WM_LBUTTONUP: return orv::MouseEvent::LeftUp;
    case WM_RBUTTONUP: return orv::MouseEvent::RightUp;
    case WM_DROPFILES: return orv::MouseEvent::Drop;
    default: return orv::MouseEvent::Other;
    }
}

// Editor window's thread.
LRESULT CALLBACK editorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* editor = static_cast<orvGui*>(create->lpCreateParams);
        editor->onCreate(window, create->hInstance);
        return 0;
    }
    orvGui* editor = editorOf(window);
    // Messages after close cleared the user data go to the default handling.
    if (!editor) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_LBUTTONDOWN: SetCapture(window); break;
    case WM_LBUTTONUP: ReleaseCapture(); break;
    case WM_PAINT: editor->paintEditor(window); return 0;
    case WM_KEYDOWN: return DefWindowProcA(window, message, wParam, lParam);
    default: break;
    }
    if (editor->handleMessage(message, wParam, lParam)) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

AEffEditor* createEditor(AudioEffect* effect, orv::PanelHost& host) { return new orvGui(effect, host); }

// Constructing thread (with the plug-in); OLE is initialised on it.
orvGui::orvGui(AudioEffect* effect, orv::PanelHost& host)
    : AEffGUIEditor(effect), core(host.core()), plugin(host) {
    startTicks = GetTickCount();
    OleInitialize(nullptr);
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<std::int16_t>(static_cast<float>(core.editorHeight) * core.editorScale);
    rect.right = static_cast<std::int16_t>(static_cast<float>(core.editorWidth) * core.editorScale);
}

void orvGui::onCreate(void* window, void* instance) {
    HWND hwnd = static_cast<HWND>(window);
    DragAcceptFiles(hwnd, TRUE);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    editWindow = CreateWindowExA(0, "edit", nullptr, kEditStyle, 0, 0, 0, 0, hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditControlId)),
                                 static_cast<HINSTANCE>(instance), nullptr);
}

void orvGui::registerWindowClass() {
    const auto handle = reinterpret_cast<std::uintptr_t>(platform::moduleHandle());
    std::snprintf(windowClassName, sizeof windowClassName, "VST_%s_%X", orv::kEffectName,
                  static_cast<unsigned>(handle & 0xFFFFFFFFu));
    WNDCLASSA wc{};
    wc.style = kClassStyle;
    wc.lpfnWndProc = editorWindowProc;
    wc.cbClsExtra = kExtraBytes;
    wc.cbWndExtra = kExtraBytes;
    wc.hInstance = platform::moduleHandle();
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = windowClassName;
    // A second instance finds the class already there; its windows use it.
    RegisterClassA(&wc);
}

bool orvGui::open(void* parent) {
    // Hosts may open twice without a close; the earlier window goes first.
    if (core.editorWindow.load()) close();
    systemWindow = parent;
    const bool firstOpen = windowClassName[0] == '\0';
    if (firstOpen) plugin.buildControls();
    OSVERSIONINFOEXA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version));
    osMajorVersion = version.dwMajorVersion;
    if (firstOpen) registerWindowClass();
    const DWORD exStyle = osMajorVersion >= kCompositedFromMajor ? WS_EX_COMPOSITED : 0;
    HWND window = CreateWindowExA(exStyle, windowClassName, "Window", kChildStyle, 0, 0, rect.right,
                                  rect.bottom, static_cast<HWND>(parent), nullptr,
                                  platform::moduleHandle(), this);
    core.editorWindow.store(window);
    HDC windowDC = GetDC(window);
    backBitmap = CreateCompatibleBitmap(windowDC, rect.right, rect.bottom);
    backDC = CreateCompatibleDC(nullptr);
    ReleaseDC(window, windowDC);
    SelectObject(static_cast<HDC>(backDC), backBitmap);
    SetBkMode(static_cast<HDC>(backDC), TRANSPARENT);
    openEditorCount.fetch_add(1);
    core.changeCounter.store(2);
    return true;
}

void orvGui::releaseBackBuffer() {
    if (backDC) {
        DeleteDC(static_cast<HDC>(backDC));
        backDC = nullptr;
    }
    if (backBitmap) {
        DeleteObject(backBitmap);
        backBitmap = nullptr;
    }
}

void orvGui::close() {
    // A close without an open window (hosts send unpaired closes) changes nothing.
    if (!backDC && !core.editorWindow.load()) return;
    releaseBackBuffer();
    if (editWindow) {
        DestroyWindow(static_cast<HWND>(editWindow));
        editWindow = nullptr;
    }
    if (HWND window = static_cast<HWND>(core.editorWindow.load())) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
        core.editorWindow.store(nullptr);
    }
    openEditorCount.fetch_sub(1);
    systemWindow = nullptr;
}

// Destroyed with the plug-in. A window the host left open is closed in full,
// so the class (whose window procedure lives in this library) is
// unregistered once no editor window of the library remains.
orvGui::~orvGui() {
    close();
    if (openEditorCount.load() <= 0 && windowClassName[0] != '\0')
        UnregisterClassA(windowClassName, platform::moduleHandle());
    OleUninitialize();
}

// Host's user-interface thread.
void orvGui::idle() {
    void* window = core.editorWindow.load();
    if (window && orv::needsRepaint(core)) platform::invalidateWindow(window);
}

std::uintptr_t orvGui::windowHandle() const { return reinterpret_cast<std::uintptr_t>(core.editorWindow.load()); }

void orvGui::paintEditor(void* window) {
    while (!plugin.isReady()) Sleep(1);
    const int width = static_cast<int>(static_cast<float>(core.editorWidth) * core.editorScale);
    const int height = static_cast<int>(static_cast<float>(core.editorHeight) * core.editorScale);
    if (backDC) {
        orv::ParameterSnapshot snapshot;
        plugin.readSnapshot(snapshot);
        orv::GdiCanvas canvas(static_cast<HDC>(backDC));
        orv::Painter(core, snapshot, canvas, pointer.focusControl).paint();
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(static_cast<HWND>(window), &ps);
    if (backDC) BitBlt(dc, 0, 0, width, height, static_cast<HDC>(backDC), 0, 0, SRCCOPY);
    EndPaint(static_cast<HWND>(window), &ps);
}

bool orvGui::handleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    const orv::MouseEvent event = mouseEventOf(message);
    if (event == orv::MouseEvent::Other) return false;
    EditWindowField field(static_cast<HWND>(editWindow));
    const bool fine = GetKeyState(VK_SHIFT) < 0;
    const bool handled = orv::handleMouse(plugin, pointer, editWindow ? &field : nullptr, event,
                                          GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), fine);
    if (event == orv::MouseEvent::Drop) DragFinish(reinterpret_cast<HDROP>(wParam));
    return handled;
}
