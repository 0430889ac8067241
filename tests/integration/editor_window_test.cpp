// The editor in a real window (Windows build, under Wine and Xvfb): the
// child window and its class, open and close, two instances, what is drawn,
// and mouse input and a file drop reaching the effect.
#include <windows.h>
// windows.h first: the shell headers build on it.
#include <shellapi.h>
#include <shlobj.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "editor_host_win32.h"
#include "midi_events.h"
#include "plugin_fixture.h"

namespace integration {
namespace {

using vsthost::captureWindow;
using vsthost::pumpMessages;

constexpr int kPanelWidth = 544;
constexpr int kPanelHeight = 356;

std::string classNameOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string expectedClassName() {
    char name[100];
    HMODULE module = GetModuleHandleA("orvq41x_x64.dll");
    std::snprintf(name, sizeof name, "VST_orvq41x(Velmar)_%X",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(module) & 0xFFFFFFFFu));
    return name;
}

bool classRegistered(const std::string& name) {
    WNDCLASSA wc{};
    return GetClassInfoA(GetModuleHandleA("orvq41x_x64.dll"), name.c_str(), &wc) != 0;
}

class EditorWindow : public PluginTest {
protected:
    // Parent windows live for the whole suite: without a window manager,
    // destroying a top-level window makes the X11 driver wait for a while.
    static HWND parents[2];
    HWND parent = nullptr;
    HWND otherParent = nullptr;
    static void SetUpTestSuite() {
        PluginTest::SetUpTestSuite();
        for (HWND& p : parents) p = vsthost::createParentWindow(700, 500);
    }
    void SetUp() override {
        parent = parents[0];
        otherParent = parents[1];
    }

    static HWND editorChild(HWND in) { return FindWindowExA(in, nullptr, nullptr, "Window"); }
    static std::uint32_t pixel(const std::vector<std::uint32_t>& p, int width, int x, int y) {
        return p[static_cast<std::size_t>(y) * width + x];
    }
    static LPARAM at(int x, int y) { return MAKELPARAM(x, y); }
    // Sends a mouse message with the real pointer at the same place, so the
    // moves the system adds when the capture changes carry no travel.
    static void mouse(HWND window, UINT message, WPARAM keys, int x, int y) {
        POINT p{x, y};
        ClientToScreen(window, &p);
        SetCursorPos(p.x, p.y);
        SendMessageA(window, message, keys, at(x, y));
    }
};

HWND EditorWindow::parents[2] = {};

TEST_F(EditorWindow, RectBeforeOpenAndTheChildWindow) {
    PluginInstance e(*library);
    ERect* rect = nullptr;
    ASSERT_EQ(e.call(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, kPanelWidth);
    EXPECT_EQ(rect->bottom, kPanelHeight);
    EXPECT_EQ(e.call(effEditOpen, 0, 0, parent), 1);
    HWND child = editorChild(parent);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(classNameOf(child), expectedClassName());
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)) & 0xFFFF0000u, 0x56000000u);
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    const bool composited = (GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_COMPOSITED) != 0;
    EXPECT_EQ(composited, version.dwMajorVersion >= 6);
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, kPanelWidth);
    EXPECT_EQ(client.bottom, kPanelHeight);
    HWND edit = FindWindowExA(child, nullptr, "edit", nullptr);
    ASSERT_NE(edit, nullptr);
    RECT editRect{};
    GetClientRect(edit, &editRect);
    EXPECT_EQ(editRect.right, 0);
    e.call(effEditClose);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(IsWindow(edit));
}

TEST_F(EditorWindow, ReopeningKeepsTheClassAndTwoInstancesShareIt) {
    PluginInstance first(*library);
    first.call(effEditOpen, 0, 0, parent);
    HWND a = editorChild(parent);
    const ATOM classAtom = static_cast<ATOM>(GetClassLongPtrA(a, GCW_ATOM));
    first.call(effEditClose);
    first.call(effEditOpen, 0, 0, parent);
    HWND reopened = editorChild(parent);
    EXPECT_EQ(static_cast<ATOM>(GetClassLongPtrA(reopened, GCW_ATOM)), classAtom);
    {
        PluginInstance second(*library);
        second.call(effEditOpen, 0, 0, otherParent);
        HWND b = editorChild(otherParent);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(static_cast<ATOM>(GetClassLongPtrA(b, GCW_ATOM)), classAtom);
        pumpMessages(50);
        // Destroying the second with its editor open destroys its window and
        // leaves the class to the first, which is still open.
        EXPECT_EQ(second.close(), 1);
        EXPECT_FALSE(IsWindow(b));
        EXPECT_TRUE(classRegistered(expectedClassName()));
    }
    first.call(effEditClose);
    first.close();
    EXPECT_FALSE(classRegistered(expectedClassName()));
}

TEST_F(EditorWindow, UnpairedCallsAreHarmless) {
    PluginInstance e(*library);
    EXPECT_EQ(e.call(effEditClose), 0);
    EXPECT_EQ(e.call(effEditOpen, 0, 0, parent), 1);
    EXPECT_EQ(e.call(effEditOpen, 0, 0, parent), 1);  // twice without a close
    int children = 0;
    for (HWND c = FindWindowExA(parent, nullptr, nullptr, nullptr); c;
         c = FindWindowExA(parent, c, nullptr, nullptr))
        ++children;
    EXPECT_EQ(children, 1);
    e.call(effEditClose);
    e.call(effEditClose);
    EXPECT_EQ(editorChild(parent), nullptr);
}

TEST_F(EditorWindow, PanelColoursAfterTheFirstPaints) {
    PluginInstance e(*library);
    e.call(effEditOpen, 0, 0, parent);
    HWND child = editorChild(parent);
    pumpMessages(200);
    int w = 0, h = 0;
    const auto p = captureWindow(child, w, h);
    ASSERT_EQ(w, kPanelWidth);
    EXPECT_EQ(pixel(p, w, 300, 104), 0x888888u);  // background between the bands
    EXPECT_EQ(pixel(p, w, 6, 5), 0xBBBBBBu);      // inside the "Output" caption
    EXPECT_EQ(pixel(p, w, 117, 52), 0x555555u);   // the Output knob's grey ring
    EXPECT_EQ(pixel(p, w, 85, 66), 0x5555FFu);    // red body (Output)
    EXPECT_EQ(pixel(p, w, 145, 66), 0xFF5555u);   // blue body (Bit)
    EXPECT_EQ(pixel(p, w, 265, 66), 0xAAAA55u);   // teal body (Auto)
    e.call(effEditClose);
}

TEST_F(EditorWindow, KnobDragChangesTheParameterAndItsText) {
    PluginInstance e(*library);
    e.call(effEditOpen, 0, 0, parent);
    HWND child = editorChild(parent);
    pumpMessages(150);
    int w = 0, h = 0;
    const auto before = captureWindow(child, w, h);
    const float start = e->getParameter(e.get(), 1);
    e->getParameter(e.get(), 0);  // the one-entry cache now holds another parameter
    mouse(child, WM_LBUTTONDOWN, MK_LBUTTON, 92, 52);
    mouse(child, WM_MOUSEMOVE, MK_LBUTTON, 112, 52);
    mouse(child, WM_LBUTTONUP, 0, 112, 52);
    pumpMessages(150);
    // 20 pixels of a 200-pixel sweep: +0.1, then the Output steps of 0.01.
    const float x = start + 0.1f;
    const float stepped = static_cast<float>(static_cast<int>(x * x * 200.9f)) * 0.01f;
    EXPECT_FLOAT_EQ(e->getParameter(e.get(), 1), std::sqrt(stepped * 0.5f));
    const auto after = captureWindow(child, w, h);
    bool knobChanged = false;
    for (int y = 44; y < 60; ++y)
        for (int x0 = 76; x0 < 108; ++x0)
            knobChanged = knobChanged || pixel(before, w, x0, y) != pixel(after, w, x0, y);
    EXPECT_TRUE(knobChanged);
    e.call(effEditClose);
}

// The knob shows a value set by the host's automation on another thread,
// and one set by a MIDI controller in the audio pass, after two idle
// periods with no other event.
TEST_F(EditorWindow, AutomationAndControllersShowWithinTwoIdlePeriods) {
    PluginInstance e(*library);
    e.call(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e.call(effMainsChanged, 0, 1);
    e.call(effEditOpen, 0, 0, parent);
    HWND child = editorChild(parent);
    pumpMessages(200);
    const auto idleTwice = [&] {
        for (int i = 0; i < 2; ++i) {
            e.call(effEditIdle);
            pumpMessages(30);
        }
    };
    int w = 0, h = 0;
    const auto initial = captureWindow(child, w, h);
    std::thread([&] { e->setParameter(e.get(), 1, 0.2f); }).join();
    idleTwice();
    const auto automated = captureWindow(child, w, h);
    EXPECT_NE(automated, initial);
    vsthost::MidiEventList events;
    events.add(0, 0xB0, 20, 127);  // Output to 2.0
    e.call(effProcessEvents, 0, 0, events.events());
    std::vector<float> silence(64, 0.0f);
    float* channels[2] = {silence.data(), silence.data()};
    std::thread([&] { e.process(channels, channels, 64); }).join();
    idleTwice();
    EXPECT_NE(captureWindow(child, w, h), automated);
    e.call(effEditClose);
}

TEST_F(EditorWindow, ModeSelectorWithBothButtons) {
    PluginInstance e(*library);
    e.call(effEditOpen, 0, 0, parent);
    HWND child = editorChild(parent);
    mouse(child, WM_LBUTTONDOWN, MK_LBUTTON, 30, 50);
    mouse(child, WM_LBUTTONUP, 0, 30, 50);
    EXPECT_EQ(e.text(effGetParamDisplay, 0), "M/S");
    EXPECT_FLOAT_EQ(e->getParameter(e.get(), 0), 1.0f / 3.0f);
    mouse(child, WM_RBUTTONDOWN, MK_RBUTTON, 30, 50);
    mouse(child, WM_RBUTTONUP, 0, 30, 50);
    EXPECT_EQ(e.text(effGetParamDisplay, 0), "Normal");
    e.call(effEditClose);
}

TEST_F(EditorWindow, DroppedFileIsAcceptedAndChangesNothing) {
    PluginInstance e(*library);
    e.call(effEditOpen, 0, 0, parent);
    HWND child = editorChild(parent);
    void* before = nullptr;
    e.call(effGetChunk, 0, 0, &before);
    const std::vector<char> saved(static_cast<char*>(before), static_cast<char*>(before) + 136);
    const char path[] = "C:\\song.wav\0";
    HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + sizeof path + 1);
    auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
    files->pFiles = sizeof(DROPFILES);
    files->pt = {92, 52};
    std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), path, sizeof path);
    GlobalUnlock(drop);
    EXPECT_EQ(SendMessageA(child, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0), 0);
    void* after = nullptr;
    e.call(effGetChunk, 0, 0, &after);
    EXPECT_EQ(std::memcmp(saved.data(), after, 136), 0);
    e.call(effEditClose);
}

TEST_F(EditorWindow, ClosingThePluginWithItsEditorOpenDestroysTheWindow) {
    PluginInstance e(*library);
    e.call(effEditOpen, 0, 0, parent);
    HWND child = editorChild(parent);
    ASSERT_TRUE(IsWindow(child));
    EXPECT_EQ(e.close(), 1);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(classRegistered(expectedClassName()));
}

}  // namespace
}  // namespace integration
