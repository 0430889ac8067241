// orvhost editor: opens the plug-in's editor in a window of our own, lets it
// paint and saves a PNG of it.
#include <cstdio>
#include <string>

#include "commands.h"
#include "editor_capture.h"
#include "host_session.h"
#include "png_writer.h"

namespace vsthost {
namespace {

int savePicture(AEffect* effect, const std::string& out) {
    ERect* rect = nullptr;
    if (!(effect->flags & effFlagsHasEditor) || !dispatch(effect, effEditGetRect, 0, 0, &rect) ||
        !rect) {
        std::fprintf(stderr, "orvhost: the plug-in has no editor\n");
        return 1;
    }
    int w = 0, h = 0;
    const auto pixels = captureEditor(effect, rect->right - rect->left, rect->bottom - rect->top, w, h);
    if (pixels.empty()) {
        std::fprintf(stderr, "orvhost: the editor window could not be captured\n");
        return 1;
    }
    if (!writePng(out, pixels, w, h)) {
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
