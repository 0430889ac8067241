// X11 side of the editor: a child window of the host's window on the
// editor's own display connection, a pixmap back buffer, and the events
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

#include "editor/cairo_canvas.h"
#include "editor/painter.h"
#include "editor/pointer_input.h"
#include "host/editor_factory.h"
#include "host/orv_gui.h"

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

}  // namespace

// One open editor window and everything it holds on the X server.
class X11Panel {
public:
    // A child of parent, or with a title and no parent a window of its own
    // on the screen, which the user may close.
    X11Panel(orvGui& gui, platform::RepaintRequest& repaint, Window parent, const char* title, int width,
             int height, bool ownThread);
    ~X11Panel();
    X11Panel(const X11Panel&) = delete;
    X11Panel& operator=(const X11Panel&) = delete;

    bool ok() const { return window_ != 0; }
    Window window() const { return window_; }
    bool closeRequested() const { return closeRequested_.load(); }
    // Handles the pending events and paints what waits; any thread.
    void pump();

private:
    void run();
    bool handle(const XEvent& event);
    void paint(bool draw);
    void releaseImage();
    void makeTopLevel(const char* title);

    orvGui& gui_;
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

X11Panel::X11Panel(orvGui& gui, platform::RepaintRequest& repaint, Window parent, const char* title, int width,
                   int height, bool ownThread)
    : gui_(gui), repaint_(repaint), width_(width), height_(height) {
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
    if (ownThread) thread_ = std::thread([this] { run(); });
}

X11Panel::~X11Panel() {
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
    const bool draw = repaint_.pending.exchange(false, std::memory_order_acquire) || orv::needsRepaint(gui_.core);
    if ((draw || exposed) && !destroyed_) paint(draw);
}

// Answers whether the window needs its picture again.
bool X11Panel::handle(const XEvent& event) {
    const auto mouse = [&](orv::MouseEvent what, int x, int y, unsigned state) {
        orv::handleMouse(gui_.plugin, gui_.pointer, nullptr, what, x, y, (state & ShiftMask) != 0);
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
    while (!gui_.plugin.isReady()) std::this_thread::sleep_for(kReadyPoll);
    if (draw) {
        orv::ParameterSnapshot snapshot;
        gui_.plugin.readSnapshot(snapshot);
        {
            std::lock_guard<std::mutex> painting(paintLock);
            cairo_t* cr = cairo_create(surface_);
            {
                orv::CairoCanvas canvas(cr);
                orv::Painter(gui_.core, snapshot, canvas, gui_.pointer.focusControl).paint();
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

AEffEditor* createEditor(AudioEffect* effect, orv::PanelHost& host) { return new orvGui(effect, host); }

// Constructing thread (with the plug-in).
orvGui::orvGui(AudioEffect* effect, orv::PanelHost& host)
    : AEffGUIEditor(effect), core(host.core()), plugin(host) {
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<std::int16_t>(static_cast<float>(core.editorHeight) * core.editorScale);
    rect.right = static_cast<std::int16_t>(static_cast<float>(core.editorWidth) * core.editorScale);
}

orvGui::~orvGui() { close(); }

// The host passes its window's XID in ptr; a Display it may pass in value
// belongs to its own thread and is not used.
bool orvGui::open(void* parent) {
    // Hosts may open twice without a close; the earlier window goes first.
    if (panel_) close();
    if (!built_) {
        plugin.buildControls();
        built_ = true;
    }
    core.editorWindow.store(&repaint_);
    core.changeCounter.store(2);
    panel_ = std::make_unique<X11Panel>(*this, repaint_, static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent)),
                                        topLevelTitle_, rect.right, rect.bottom, ownPumpThread);
    if (!panel_->ok()) {
        panel_.reset();
        core.editorWindow.store(nullptr);
        return false;
    }
    systemWindow = parent;
    return true;
}

// A close without an open window (hosts send unpaired closes) changes nothing.
void orvGui::close() {
    if (!panel_) return;
    core.editorWindow.store(nullptr);
    panel_.reset();
    systemWindow = nullptr;
}

void orvGui::idle() {
    if (panel_) panel_->pump();
}

std::uintptr_t orvGui::windowHandle() const { return panel_ ? panel_->window() : 0; }

bool orvGui::openOnItsOwn(const char* title) {
    topLevelTitle_ = title;
    const bool opened = open(nullptr);
    topLevelTitle_ = nullptr;
    return opened;
}

bool orvGui::closeRequested() const { return panel_ && panel_->closeRequested(); }
