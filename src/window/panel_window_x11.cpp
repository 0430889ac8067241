// The panel's window on X11: a child of the host's window on the window's
// own display connection, a pixmap back buffer, and the events
// routed to the portable input code. Cairo paints into an image in the
// editor's memory, which goes to the pixmap: nothing of Cairo's (no glyph
// cache) lives on the connection, which closes with the window. The events are
// pumped by the host's idle calls and, unless the host's idle is known to be
// regular, by a thread of the editor's own, so the panel stays responsive in
// hosts whose idle is slow; one lock guards the connection. Nothing else talks to X: repaint requests from the audio
// and automation threads only raise a flag (platform::RepaintRequest).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "editor/painter.h"
#include "editor/pointer_input.h"
#include "window/cairo_canvas.h"
#include "window/panel_window.h"

namespace {

constexpr auto kPumpInterval = std::chrono::milliseconds(10);
constexpr auto kReadyPoll = std::chrono::milliseconds(1);
// Keys are not selected, so they reach the host's window as before; the
// structure events tell when the host destroyed the window with its own.
constexpr long kEventMask =
    ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask;
constexpr unsigned kLeftButton = Button1;
constexpr unsigned kRightButton = Button3;

// Editors paint one at a time: Cairo and fontconfig share caches between
// contexts, through means of their own that the rest of the process cannot
// see (a thread checker among them).
std::mutex paintLock;

// X errors of the editor's own requests (a host that passed a window that is
// gone, or destroyed its window, and the editor's with it, before closing the
// editor) must not end the host: while a window is made or torn down, they
// are only noted.
std::mutex errorLock;
bool errorSeen = false;
int noteError(Display*, XErrorEvent*) {
    errorSeen = true;
    return 0;
}

// One open panel window and everything it holds on the X server.
class X11Panel final : public orv::PanelWindow {
public:
    // A child of parent, or with a title and no parent a window of its own
    // on the screen, which the user may close.
    X11Panel(orv::PanelHost& host, orv::PointerState& pointer, platform::RepaintRequest& repaint, Window parent,
             const char* title, bool ownThread);
    ~X11Panel() override;
    X11Panel(const X11Panel&) = delete;
    X11Panel& operator=(const X11Panel&) = delete;

    bool ok() const { return window_ != 0; }
    void idle() override { pump(); }
    std::uintptr_t handle() const override { return window_; }
    bool closeRequested() const override { return closeRequested_.load(); }

private:
    // Handles the pending events and paints what waits; any thread.
    void pump();

    void run();
    bool handle(const XEvent& event);
    void paint(bool draw);
    void releaseImage();
    void makeTopLevel(const char* title);

    orv::PanelHost& host_;
    orv::PanelModel& panel_;
    orv::PointerState& pointer_;
    platform::RepaintRequest& repaint_;
    int width_, height_;
    Display* display_ = nullptr;
    Window window_ = 0;
    bool destroyed_ = false;  // by the host, with its window
    Atom deleteWindow_ = 0;   // the window manager's close request
    std::atomic<bool> closeRequested_{false};
    Pixmap back_ = 0;
    GC gc_ = nullptr;
    cairo_surface_t* surface_ = nullptr;  // the picture, in the editor's memory
    XImage* image_ = nullptr;             // the same pixels, as X sends them
    std::mutex lock_;  // the display connection and the panel's state
    std::mutex stopLock_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

X11Panel::X11Panel(orv::PanelHost& host, orv::PointerState& pointer, platform::RepaintRequest& repaint,
                   Window parent, const char* title, bool ownThread)
    : host_(host), panel_(host.panel()), pointer_(pointer), repaint_(repaint),
      width_(static_cast<int>(static_cast<float>(panel_.editorWidth) * panel_.editorScale)),
      height_(static_cast<int>(static_cast<float>(panel_.editorHeight) * panel_.editorScale)) {
    display_ = XOpenDisplay(nullptr);
    if (!display_) return;
    if (title) parent = DefaultRootWindow(display_);
    {
        std::lock_guard<std::mutex> errors(errorLock);
        errorSeen = false;
        XErrorHandler previous = XSetErrorHandler(noteError);
        XWindowAttributes parentAttributes{};
        if (XGetWindowAttributes(display_, parent, &parentAttributes)) {
            XSetWindowAttributes attributes{};
            attributes.event_mask = kEventMask;
            attributes.background_pixmap = None;
            window_ = XCreateWindow(display_, parent, 0, 0, static_cast<unsigned>(width_),
                                    static_cast<unsigned>(height_), 0, parentAttributes.depth, InputOutput,
                                    parentAttributes.visual, CWEventMask | CWBackPixmap, &attributes);
            back_ = XCreatePixmap(display_, window_, static_cast<unsigned>(width_), static_cast<unsigned>(height_),
                                  static_cast<unsigned>(parentAttributes.depth));
            gc_ = XCreateGC(display_, window_, 0, nullptr);
            // Cairo's RGB24 pixels are 32-bit words, red in bits 16 to 23:
            // what a true-colour visual of depth 24 takes.
            {
                std::lock_guard<std::mutex> painting(paintLock);
                surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
            }
            image_ = XCreateImage(display_, parentAttributes.visual, static_cast<unsigned>(parentAttributes.depth),
                                  ZPixmap, 0, reinterpret_cast<char*>(cairo_image_surface_get_data(surface_)),
                                  static_cast<unsigned>(width_), static_cast<unsigned>(height_), 32,
                                  cairo_image_surface_get_stride(surface_));
            if (title) makeTopLevel(title);
            XMapWindow(display_, window_);
        }
        XSync(display_, False);
        XSetErrorHandler(previous);
        if (errorSeen || !window_ || !image_) {
            releaseImage();
            XCloseDisplay(display_);
            display_ = nullptr;
            window_ = 0;
            return;
        }
    }
    panel_.editorWindow.store(&repaint_);
    panel_.changeCounter.store(2);
    if (ownThread) thread_ = std::thread([this] { run(); });
}

X11Panel::~X11Panel() {
    if (window_) panel_.editorWindow.store(nullptr);
    {
        std::lock_guard<std::mutex> stopping(stopLock_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    if (!display_) return;
    std::lock_guard<std::mutex> guard(lock_);
    releaseImage();
    std::lock_guard<std::mutex> errors(errorLock);
    XErrorHandler previous = XSetErrorHandler(noteError);
    XFreeGC(display_, gc_);
    XFreePixmap(display_, back_);
    if (!destroyed_) XDestroyWindow(display_, window_);
    XSync(display_, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display_);
}

// A title, a fixed size and the close request, for window managers.
void X11Panel::makeTopLevel(const char* title) {
    XStoreName(display_, window_, title);
    XSizeHints* size = XAllocSizeHints();
    size->flags = PMinSize | PMaxSize;
    size->min_width = size->max_width = width_;
    size->min_height = size->max_height = height_;
    XSetWMNormalHints(display_, window_, size);
    XFree(size);
    deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &deleteWindow_, 1);
}

// The editor's own thread: pumps until the window closes.
void X11Panel::run() {
    std::unique_lock<std::mutex> stopping(stopLock_);
    while (!stop_) {
        stopping.unlock();
        pump();
        stopping.lock();
        wake_.wait_for(stopping, kPumpInterval, [this] { return stop_; });
    }
}

void X11Panel::pump() {
    std::lock_guard<std::mutex> guard(lock_);
    bool exposed = false;
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        exposed = handle(event) || exposed;
    }
    const bool draw = repaint_.pending.exchange(false, std::memory_order_acquire) || orv::needsRepaint(panel_);
    if ((draw || exposed) && !destroyed_) paint(draw);
}

// Answers whether the window needs its picture again.
bool X11Panel::handle(const XEvent& event) {
    const auto mouse = [&](orv::MouseEvent what, int x, int y, unsigned state) {
        orv::handleMouse(host_, pointer_, nullptr, what, x, y, (state & ShiftMask) != 0);
    };
    switch (event.type) {
    case Expose: return event.xexpose.count == 0;
    case DestroyNotify:
        destroyed_ = destroyed_ || event.xdestroywindow.window == window_;
        return false;
    case ClientMessage:
        if (deleteWindow_ && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_) closeRequested_ = true;
        return false;
    case ButtonPress:
        if (event.xbutton.button == kLeftButton)
            mouse(orv::MouseEvent::LeftDown, event.xbutton.x, event.xbutton.y, event.xbutton.state);
        else if (event.xbutton.button == kRightButton)
            mouse(orv::MouseEvent::RightDown, event.xbutton.x, event.xbutton.y, event.xbutton.state);
        return false;
    case ButtonRelease:
        // The server grabbed the pointer for the window at the press and lets
        // go at the release, so a drag keeps its events outside the window.
        if (event.xbutton.button == kLeftButton)
            mouse(orv::MouseEvent::LeftUp, event.xbutton.x, event.xbutton.y, event.xbutton.state);
        else if (event.xbutton.button == kRightButton)
            mouse(orv::MouseEvent::RightUp, event.xbutton.x, event.xbutton.y, event.xbutton.state);
        return false;
    case MotionNotify:
        mouse(orv::MouseEvent::Move, event.xmotion.x, event.xmotion.y, event.xmotion.state);
        return false;
    default: return false;
    }
}

// Draws what waits into the back buffer (when draw) and copies it out.
void X11Panel::paint(bool draw) {
    while (!host_.isReady()) std::this_thread::sleep_for(kReadyPoll);
    if (draw) {
        orv::ParameterSnapshot snapshot;
        host_.readSnapshot(snapshot);
        {
            std::lock_guard<std::mutex> painting(paintLock);
            cairo_t* cr = cairo_create(surface_);
            {
                orv::CairoCanvas canvas(cr);
                orv::Painter(panel_, snapshot, canvas, pointer_.focusControl).paint();
            }
            cairo_destroy(cr);
            cairo_surface_flush(surface_);
        }
        XPutImage(display_, back_, gc_, image_, 0, 0, 0, 0, static_cast<unsigned>(width_),
                  static_cast<unsigned>(height_));
    }
    XCopyArea(display_, back_, window_, gc_, 0, 0, static_cast<unsigned>(width_), static_cast<unsigned>(height_),
              0, 0);
    XFlush(display_);
}

// The image's pixels belong to the Cairo surface, not to the XImage.
void X11Panel::releaseImage() {
    if (image_) {
        image_->data = nullptr;
        XDestroyImage(image_);
        image_ = nullptr;
    }
    if (surface_) {
        std::lock_guard<std::mutex> painting(paintLock);
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
    }
}

}  // namespace

namespace orv {

WindowSession::WindowSession() = default;
WindowSession::~WindowSession() = default;

// The host passes its window's XID; a Display it may pass besides belongs
// to its own thread and is not used.
std::unique_ptr<PanelWindow> openPanelWindow(WindowSession& session, PanelHost& host, PointerState& pointer,
                                             const WindowRequest& request) {
    auto window = std::make_unique<X11Panel>(host, pointer, session.repaint,
                                             static_cast<Window>(reinterpret_cast<std::uintptr_t>(request.parent)),
                                             request.title, request.ownPumpThread);
    if (!window->ok()) return nullptr;
    return window;
}

}  // namespace orv
