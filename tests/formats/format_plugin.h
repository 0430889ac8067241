// One instance of the effect in one plug-in format, driven the way a host
// of that format drives it: the common ground of the format tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace formats {

struct ParameterInfo {
    std::string name;
    std::string unit;
    double minimum = 0;
    double maximum = 0;
    double defaultValue = 0;
};

struct ControllerMessage {
    std::uint32_t frame;
    std::uint8_t status, number, value;
};

// What a host heard from the plug-in's panel: the values it sent, in order,
// and the edit gestures around them.
struct PanelEdits {
    std::vector<std::pair<int, double>> values;
    int begins = 0;
    int ends = 0;
};

// Values are in the parameters' own units, as hosts of the format show them.
class FormatPlugin {
public:
    virtual ~FormatPlugin() = default;
    virtual std::vector<ParameterInfo> parameters() = 0;
    // The value a host reads back, and the text it shows for it (empty
    // where the format has no text for values).
    virtual double value(int index) = 0;
    virtual std::string valueText(int index, double value) = 0;
    // The value a text typed into the host's field stands for; false where
    // the plug-in refuses the text (or the format has no such call).
    virtual bool valueOfText(int /*index*/, const std::string& /*text*/, double& /*value*/) { return false; }
    // Takes effect before the next block.
    virtual void setValue(int index, double value) = 0;
    // Whether MIDI controllers reach the plug-in.
    virtual bool takesMidi() const { return true; }
    // Sample rate and largest block, then processing on.
    virtual void start(double rate, int maxBlock) = 0;
    virtual void stop() = 0;
    // One block, the controller messages at their frames.
    virtual void process(const float* const in[2], float* const out[2], int frames,
                         const std::vector<ControllerMessage>& messages = {}) = 0;
    // The state in the format's own form, and back.
    virtual std::string saveState() = 0;
    virtual bool loadState(const std::string& state) = 0;
    // The format's own state for a chunk of the effect's, as a host of the
    // format would hold it (values: what the parameters read back, in their units).
    virtual std::string stateOfChunk(const std::vector<std::uint8_t>& chunk, const std::vector<double>& values) = 0;
    virtual std::int64_t latency() = 0;
    // The version the plug-in reports, as "major.minor.micro" of the product.
    virtual std::string version() = 0;

    // The panel, opened as a host of the format opens it in a window of its
    // own (an X11 Window or an HWND); false where the host has no panel.
    virtual bool openPanel(std::uintptr_t /*parent*/) { return false; }
    // One tick of what the host runs the panel with (timer, run loop).
    virtual void idlePanel() {}
    virtual void closePanel() {}
    // What the host heard from the panel since the last call; the format
    // may need a processed block to deliver it.
    virtual PanelEdits takePanelEdits() { return {}; }
};

// The effect's chunk found in a format's state (as base64 text there).
std::vector<std::uint8_t> chunkOfState(const std::string& state);
std::string base64(const std::vector<std::uint8_t>& bytes);
// DPF's own form of its state in CLAP and VST3: key and value pairs.
std::string dpfStateOfChunk(const std::vector<std::uint8_t>& chunk);

}  // namespace formats
