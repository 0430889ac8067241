// The CLAP plug-in through the CLAP headers DPF ships: the entry and the
// factory, parameters with their value texts, processing with parameter
// and MIDI events, state streams, latency and the panel in a window of the
// host's. The host offers what DPF's CLAP side asks of every host (params,
// latency, thread check, and gui and timer support for the panel).
#include <clap/entry.h>
#include <clap/events.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/thread-check.h>
#include <clap/ext/timer-support.h>
#include <clap/host.h>
#include <clap/plugin-factory.h>
#include <clap/process.h>

#include <cstring>
#include <stdexcept>
#include <utility>

#include "format_plugins.h"
#include "plugin_library.h"

namespace formats {
namespace {

constexpr const char* kPluginId = "works.orv.orvq41x";

// The events of one block: parameter values first, then the MIDI messages.
struct EventList {
    std::vector<clap_event_param_value_t> values;
    std::vector<clap_event_midi_t> midi;
    clap_input_events_t in{this, size, get};

    static uint32_t size(const clap_input_events_t* list) {
        const auto* self = static_cast<const EventList*>(list->ctx);
        return static_cast<uint32_t>(self->values.size() + self->midi.size());
    }
    static const clap_event_header_t* get(const clap_input_events_t* list, uint32_t index) {
        const auto* self = static_cast<const EventList*>(list->ctx);
        if (index < self->values.size()) return &self->values[index].header;
        return &self->midi[index - self->values.size()].header;
    }
};

bool dropEvent(const clap_output_events_t*, const clap_event_header_t*) { return true; }

#if defined(_WIN32)
const char* const kWindowApi = CLAP_WINDOW_API_WIN32;
#else
const char* const kWindowApi = CLAP_WINDOW_API_X11;
#endif
constexpr clap_id kNoTimer = CLAP_INVALID_ID;

// The host's side of the plug-in's output events: what the panel sent.
bool recordEvent(const clap_output_events_t* list, const clap_event_header_t* event) {
    auto& edits = *static_cast<PanelEdits*>(list->ctx);
    if (event->type == CLAP_EVENT_PARAM_VALUE) {
        const auto* value = reinterpret_cast<const clap_event_param_value_t*>(event);
        edits.values.emplace_back(static_cast<int>(value->param_id), value->value);
    }
    edits.begins += event->type == CLAP_EVENT_PARAM_GESTURE_BEGIN;
    edits.ends += event->type == CLAP_EVENT_PARAM_GESTURE_END;
    return true;
}

class ClapPlugin final : public FormatPlugin {
public:
    explicit ClapPlugin(const std::string& path);
    ~ClapPlugin() override;

    std::vector<ParameterInfo> parameters() override;
    std::string version() override { return version_; }
    double value(int index) override;
    std::string valueText(int index, double value) override;
    bool valueOfText(int index, const std::string& text, double& value) override {
        return extension<clap_plugin_params_t>(CLAP_EXT_PARAMS)
            ->text_to_value(plugin_, static_cast<clap_id>(index), text.c_str(), &value);
    }
    void setValue(int index, double v) override;
    void start(double rate, int maxBlock) override;
    void stop() override;
    void process(const float* const in[2], float* const out[2], int frames,
                 const std::vector<ControllerMessage>& messages) override;
    std::string saveState() override;
    bool loadState(const std::string& state) override;
    std::string stateOfChunk(const std::vector<std::uint8_t>& chunk, const std::vector<double>&) override {
        return dpfStateOfChunk(chunk);
    }
    std::int64_t latency() override;
    bool openPanel(std::uintptr_t parent) override;
    void idlePanel() override;
    void closePanel() override;
    PanelEdits takePanelEdits() override;

private:
    template <class T>
    const T* extension(const char* id) const {
        return static_cast<const T*>(plugin_->get_extension(plugin_, id));
    }
    static const void* hostExtension(const clap_host_t* host, const char* id);
    static void ignore(const clap_host_t*) {}
    // Main thread: the test's; the audio thread is the same one here.
    static bool onMainThread(const clap_host_t*) { return true; }

    vsthost::SharedLibrary library_;
    const clap_plugin_entry_t* entry_ = nullptr;
    const clap_plugin_t* plugin_ = nullptr;
    std::string version_;
    clap_host_t host_{};
    clap_host_latency_t hostLatency_{ignore};
    clap_host_params_t hostParams_{};
    clap_host_thread_check_t threadCheck_{onMainThread, onMainThread};
    clap_host_gui_t hostGui_{};
    clap_host_timer_support_t hostTimer_{};
    clap_id timer_ = kNoTimer;
    bool panelOpen_ = false;
    PanelEdits edits_;
    EventList pending_;
    bool active_ = false;
};

const void* ClapPlugin::hostExtension(const clap_host_t* host, const char* id) {
    auto* self = static_cast<ClapPlugin*>(host->host_data);
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0) return &self->hostLatency_;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &self->hostParams_;
    if (std::strcmp(id, CLAP_EXT_THREAD_CHECK) == 0) return &self->threadCheck_;
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) return &self->hostGui_;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return &self->hostTimer_;
    return nullptr;
}

ClapPlugin::ClapPlugin(const std::string& path) : library_(path) {
    entry_ = static_cast<const clap_plugin_entry_t*>(library_.symbol("clap_entry"));
    if (!entry_ || !entry_->init(path.c_str())) throw std::runtime_error("no CLAP entry in " + path);
    const auto* factory =
        static_cast<const clap_plugin_factory_t*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
    host_.clap_version = CLAP_VERSION;
    host_.host_data = this;
    host_.name = "format tests";
    host_.vendor = "ORV Works";
    host_.url = "";
    host_.version = "1";
    host_.get_extension = hostExtension;
    host_.request_restart = ignore;
    host_.request_process = ignore;
    host_.request_callback = ignore;
    hostParams_.rescan = [](const clap_host_t*, clap_param_rescan_flags) {};
    hostParams_.clear = [](const clap_host_t*, clap_id, clap_param_clear_flags) {};
    hostParams_.request_flush = ignore;
    hostGui_.resize_hints_changed = ignore;
    hostGui_.request_resize = [](const clap_host_t*, uint32_t, uint32_t) { return false; };
    hostGui_.request_show = [](const clap_host_t*) { return false; };
    hostGui_.request_hide = [](const clap_host_t*) { return false; };
    hostGui_.closed = [](const clap_host_t*, bool) {};
    // One timer at a time: the panel's.
    hostTimer_.register_timer = [](const clap_host_t* host, uint32_t, clap_id* id) {
        static_cast<ClapPlugin*>(host->host_data)->timer_ = *id = 1;
        return true;
    };
    hostTimer_.unregister_timer = [](const clap_host_t* host, clap_id) {
        static_cast<ClapPlugin*>(host->host_data)->timer_ = kNoTimer;
        return true;
    };
    plugin_ = factory ? factory->create_plugin(factory, &host_, kPluginId) : nullptr;
    if (plugin_) version_ = plugin_->desc->version;
    if (!plugin_ || !plugin_->init(plugin_)) throw std::runtime_error("the CLAP plug-in gave no instance");
}

ClapPlugin::~ClapPlugin() {
    closePanel();
    stop();
    plugin_->destroy(plugin_);
    entry_->deinit();
}

std::vector<ParameterInfo> ClapPlugin::parameters() {
    const auto* params = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    std::vector<ParameterInfo> infos;
    for (uint32_t i = 0; i < params->count(plugin_); ++i) {
        clap_param_info_t info{};
        params->get_info(plugin_, i, &info);
        infos.push_back({info.name, "", info.min_value, info.max_value, info.default_value});
    }
    return infos;
}

double ClapPlugin::value(int index) {
    double v = 0;
    extension<clap_plugin_params_t>(CLAP_EXT_PARAMS)->get_value(plugin_, static_cast<clap_id>(index), &v);
    return v;
}

std::string ClapPlugin::valueText(int index, double v) {
    char text[CLAP_NAME_SIZE] = {};
    extension<clap_plugin_params_t>(CLAP_EXT_PARAMS)
        ->value_to_text(plugin_, static_cast<clap_id>(index), v, text, sizeof text);
    return text;
}

void ClapPlugin::setValue(int index, double v) {
    clap_event_param_value_t e{};
    e.header = {sizeof e, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    e.param_id = static_cast<clap_id>(index);
    e.note_id = -1;
    e.port_index = -1;
    e.channel = -1;
    e.key = -1;
    e.value = v;
    pending_.values.push_back(e);
    if (active_) return;
    // While inactive a host flushes the values at once.
    clap_output_events_t out{nullptr, dropEvent};
    extension<clap_plugin_params_t>(CLAP_EXT_PARAMS)->flush(plugin_, &pending_.in, &out);
    pending_.values.clear();
}

void ClapPlugin::start(double rate, int maxBlock) {
    stop();
    plugin_->activate(plugin_, rate, 1, static_cast<uint32_t>(maxBlock));
    plugin_->start_processing(plugin_);
    active_ = true;
}

void ClapPlugin::stop() {
    if (!active_) return;
    plugin_->stop_processing(plugin_);
    plugin_->deactivate(plugin_);
    active_ = false;
}

void ClapPlugin::process(const float* const in[2], float* const out[2], int frames,
                         const std::vector<ControllerMessage>& messages) {
    for (const ControllerMessage& m : messages) {
        clap_event_midi_t e{};
        e.header = {sizeof e, m.frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
        e.port_index = 0;
        e.data[0] = m.status;
        e.data[1] = m.number;
        e.data[2] = m.value;
        pending_.midi.push_back(e);
    }
    float* inputs[2] = {const_cast<float*>(in[0]), const_cast<float*>(in[1])};
    float* outputs[2] = {out[0], out[1]};
    clap_audio_buffer_t input{inputs, nullptr, 2, 0, 0};
    clap_audio_buffer_t output{outputs, nullptr, 2, 0, 0};
    clap_output_events_t outEvents{&edits_, recordEvent};
    clap_process_t p{};
    p.steady_time = -1;
    p.frames_count = static_cast<uint32_t>(frames);
    p.audio_inputs = &input;
    p.audio_outputs = &output;
    p.audio_inputs_count = 1;
    p.audio_outputs_count = 1;
    p.in_events = &pending_.in;
    p.out_events = &outEvents;
    plugin_->process(plugin_, &p);
    pending_.values.clear();
    pending_.midi.clear();
}

struct Stream {
    std::string bytes;
    std::size_t read = 0;
    clap_ostream_t out{this, [](const clap_ostream_t* s, const void* data, uint64_t size) -> int64_t {
                           static_cast<Stream*>(s->ctx)->bytes.append(static_cast<const char*>(data), size);
                           return static_cast<int64_t>(size);
                       }};
    clap_istream_t in{this, [](const clap_istream_t* s, void* data, uint64_t size) -> int64_t {
                          auto* self = static_cast<Stream*>(s->ctx);
                          const std::size_t n = std::min<std::size_t>(size, self->bytes.size() - self->read);
                          std::memcpy(data, self->bytes.data() + self->read, n);
                          self->read += n;
                          return static_cast<int64_t>(n);
                      }};
};

std::string ClapPlugin::saveState() {
    Stream stream;
    if (!extension<clap_plugin_state_t>(CLAP_EXT_STATE)->save(plugin_, &stream.out)) return {};
    return stream.bytes;
}

bool ClapPlugin::loadState(const std::string& state) {
    Stream stream;
    stream.bytes = state;
    return extension<clap_plugin_state_t>(CLAP_EXT_STATE)->load(plugin_, &stream.in);
}

std::int64_t ClapPlugin::latency() { return extension<clap_plugin_latency_t>(CLAP_EXT_LATENCY)->get(plugin_); }

bool ClapPlugin::openPanel(std::uintptr_t parent) {
    const auto* gui = extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    if (!gui || !gui->is_api_supported(plugin_, kWindowApi, false) || !gui->create(plugin_, kWindowApi, false))
        return false;
    clap_window_t window{};
    window.api = kWindowApi;
#if defined(_WIN32)
    window.win32 = reinterpret_cast<clap_hwnd>(parent);
#else
    window.x11 = parent;
#endif
    panelOpen_ = gui->set_parent(plugin_, &window) && gui->show(plugin_);
    if (!panelOpen_) gui->destroy(plugin_);
    return panelOpen_;
}

void ClapPlugin::idlePanel() {
    if (timer_ != kNoTimer) extension<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT)->on_timer(plugin_, timer_);
}

void ClapPlugin::closePanel() {
    if (!panelOpen_) return;
    const auto* gui = extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    gui->hide(plugin_);
    gui->destroy(plugin_);
    panelOpen_ = false;
}

PanelEdits ClapPlugin::takePanelEdits() { return std::exchange(edits_, {}); }

}  // namespace

std::unique_ptr<FormatPlugin> openClap(const std::string& path) { return std::make_unique<ClapPlugin>(path); }

}  // namespace formats
