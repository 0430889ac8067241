// orvhost editor (Windows): opens the plug-in's editor in a window of our
// own, lets it paint and saves a PNG of it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "commands.h"
#include "editor_host_win32.h"
#include "host_session.h"
#include "png_writer.h"

namespace vsthost {
namespace {

constexpr int kPaintMs = 300;
constexpr int kFrame = 64;

int savePicture(AEffect* effect, const std::string& out) {
    ERect* rect = nullptr;
    if (!(effect->flags & effFlagsHasEditor) || !dispatch(effect, effEditGetRect, 0, 0, &rect) ||
        !rect) {
        std::fprintf(stderr, "orvhost: the plug-in has no editor\n");
        return 1;
    }
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    HWND parent = vsthost::createParentWindow(width + kFrame, height + kFrame);
    dispatch(effect, effEditOpen, 0, 0, parent);
    vsthost::pumpMessages(kPaintMs);
    HWND editor = GetWindow(parent, GW_CHILD);
    int w = 0, h = 0;
    const auto pixels = vsthost::captureWindow(editor ? editor : parent, w, h);
    dispatch(effect, effEditClose);
    if (pixels.empty()) {
        std::fprintf(stderr, "orvhost: the editor window could not be captured\n");
        return 1;
    }
    if (!vsthost::writePng(out, pixels, w, h)) {
        std::fprintf(stderr, "orvhost: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("saved the editor (%d x %d) to %s\n", w, h, out.c_str());
    return 0;
}
}  // namespace

int runEditorPicture(const std::string& plugin, const std::string& out,
                     const CommandOptions& options) {
    HostSession session(plugin);
    if (!session.ok()) {
        std::fprintf(stderr, "orvhost: %s\n", session.error().c_str());
        return 1;
    }
    if (!options.statePath.empty() && !session.loadState(options.statePath)) {
        std::fprintf(stderr, "orvhost: %s\n", session.error().c_str());
        return 1;
    }
    if (!session.applySettings(options.settings)) {
        std::fprintf(stderr, "orvhost: %s\n", session.error().c_str());
        return 1;
    }
    return savePicture(session.effect(), out);
}

}  // namespace vsthost
