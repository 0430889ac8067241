// A Canvas that records every operation, for checking what the painter draws.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "editor/canvas.h"

namespace orv {

struct CanvasOp {
    std::string name;  // "pen", "brush", "font", "rect", "ellipse", "arc", "move", "line", "textColour", "text", "restore"
    std::vector<int> args;
    std::uint32_t colour = 0;
    std::string text;
};

class RecordingCanvas : public Canvas {
public:
    std::vector<CanvasOp> ops;
    int createdObjects = 0;
    int deletedObjects = 0;

    void selectPen(int width, std::uint32_t colour) override { select("pen", {width}, colour); }
    void selectBrush(std::uint32_t colour) override { select("brush", {}, colour); }
    void selectFont(int height, int weight, bool italic, bool underline, bool strike) override {
        select("font", {height, weight, italic, underline, strike}, 0);
    }
    void restoreOriginals() override {
        deletedObjects += selected_;
        selected_ = 0;
        hasPen_ = hasBrush_ = hasFont_ = false;
        ops.push_back({"restore", {}, 0, {}});
    }
    void rectangle(int l, int t, int r, int b) override { ops.push_back({"rect", {l, t, r, b}, 0, {}}); }
    void ellipse(int l, int t, int r, int b) override { ops.push_back({"ellipse", {l, t, r, b}, 0, {}}); }
    void arc(int l, int t, int r, int b, int xs, int ys, int xe, int ye) override {
        ops.push_back({"arc", {l, t, r, b, xs, ys, xe, ye}, 0, {}});
    }
    void moveTo(int x, int y) override { ops.push_back({"move", {x, y}, 0, {}}); }
    void lineTo(int x, int y) override { ops.push_back({"line", {x, y}, 0, {}}); }
    void setTextColour(std::uint32_t c) override { ops.push_back({"textColour", {}, c, {}}); }
    // Every character is 6 pixels wide and the text 12 high.
    TextSize textExtent(const char* text) override {
        return {static_cast<int>(6 * std::strlen(text)), 12};
    }
    void textOut(int x, int y, const char* text) override { ops.push_back({"text", {x, y}, 0, text}); }

    std::vector<CanvasOp> named(const std::string& name) const {
        std::vector<CanvasOp> found;
        for (const CanvasOp& op : ops)
            if (op.name == name) found.push_back(op);
        return found;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> found;
        for (const CanvasOp& op : ops)
            if (op.name == "text") found.push_back(op.text);
        return found;
    }
    // The colour of the pen selected when the n-th operation of that name ran.
    std::uint32_t penAt(const std::string& name, std::size_t n) const {
        std::uint32_t pen = 0;
        std::size_t seen = 0;
        for (const CanvasOp& op : ops) {
            if (op.name == "pen") pen = op.colour;
            if (op.name == name && seen++ == n) return pen;
        }
        return 0xFFFFFFFF;
    }
    int penWidthAt(const std::string& name, std::size_t n) const {
        int width = 0;
        std::size_t seen = 0;
        for (const CanvasOp& op : ops) {
            if (op.name == "pen") width = op.args[0];
            if (op.name == name && seen++ == n) return width;
        }
        return -1;
    }

private:
    void select(const char* name, std::vector<int> args, std::uint32_t colour) {
        ++createdObjects;
        // The first object of each type replaces an original, kept; each
        // later one replaces (and deletes) the one created before it.
        const std::string type = name;
        if (type == "pen" ? hasPen_ : type == "brush" ? hasBrush_ : hasFont_)
            ++deletedObjects;
        else
            ++selected_;
        (type == "pen" ? hasPen_ : type == "brush" ? hasBrush_ : hasFont_) = true;
        ops.push_back({name, std::move(args), colour, {}});
    }
    int selected_ = 0;
    bool hasPen_ = false, hasBrush_ = false, hasFont_ = false;
};

}  // namespace orv
