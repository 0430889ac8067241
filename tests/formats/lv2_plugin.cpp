// The LV2 plug-in through lilv, with what DPF's LV2 side needs of a host:
// URID mapping, options (block lengths, sample rate), a worker that runs at
// once, an atom sequence of MIDI events, and the state interface; and its
// panel in a window of the host's, with the parent, idle, touch, instance-
// and data-access features, control writes and port events.
#include <dlfcn.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/data-access/data-access.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <utility>

#include "format_plugins.h"

namespace formats {
namespace {

constexpr const char* kUri = "urn:orv-works:orvq41x";

// A control value as text that reads back to the same float.
std::string exactText(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
}
constexpr std::size_t kAtomCapacity = 8192;

class Lv2Plugin final : public FormatPlugin {
public:
    explicit Lv2Plugin(const std::string& bundleDirectory);
    ~Lv2Plugin() override;

    std::vector<ParameterInfo> parameters() override { return infos_; }
    // LV2 has minor and micro versions only: "minor.micro".
    std::string version() override {
        return std::to_string(versionPart(LV2_CORE__minorVersion)) + "." +
               std::to_string(versionPart(LV2_CORE__microVersion));
    }
    double value(int index) override { return controls_[static_cast<std::size_t>(index)]; }
    std::string valueText(int, double) override { return {}; }
    void setValue(int index, double v) override;
    void start(double rate, int maxBlock) override;
    void stop() override;
    void process(const float* const in[2], float* const out[2], int frames,
                 const std::vector<ControllerMessage>& messages) override;
    std::string saveState() override;
    bool loadState(const std::string& state) override;
    std::string stateOfChunk(const std::vector<std::uint8_t>& chunk, const std::vector<double>& values) override {
        std::string text;
        for (double v : values) text += exactText(v) + "\n";
        return text + "state urn:distrho:chunk " LV2_ATOM__String " " + base64(chunk) + "\n";
    }
    std::int64_t latency() override { return static_cast<std::int64_t>(latency_); }
    bool openPanel(std::uintptr_t parent) override;
    void idlePanel() override;
    void closePanel() override;
    PanelEdits takePanelEdits() override { return std::exchange(edits_, {}); }

private:
    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri);
    static LV2_Worker_Status schedule(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data);
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle, uint32_t, const void*) { return LV2_WORKER_SUCCESS; }
    static LV2_State_Status store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size,
                                  uint32_t type, uint32_t flags);
    static const void* retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                                uint32_t* flags);
    void instantiate();
    void connectPorts();
    std::string unitSymbol(const LilvNode* unit);
    void fillEvents(const std::vector<ControllerMessage>& messages);
    // The panel's control writes and touches.
    static void write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t protocol,
                      const void* buffer);
    static void touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed);
    int indexOfPort(uint32_t port) const;

    LilvWorld* world_ = nullptr;
    const LilvPlugin* plugin_ = nullptr;
    LilvInstance* instance_ = nullptr;
    std::map<std::string, LV2_URID> urids_;
    LV2_URID_Map uridMap_{this, map};
    LV2_Worker_Schedule worker_{this, schedule};
    const LV2_Worker_Interface* workerInterface_ = nullptr;
    double rate_ = 48000;
    int32_t maxBlock_ = 4096;
    float rateOption_ = 48000;
    std::vector<LV2_Options_Option> options_;
    std::vector<ParameterInfo> infos_;
    std::vector<uint32_t> controlPorts_;
    std::vector<float> controls_;
    uint32_t audioIn_[2] = {}, audioOut_[2] = {};
    uint32_t eventsIn_ = 0, eventsOut_ = 0, latencyPort_ = 0;
    float latency_ = 0;
    alignas(8) unsigned char eventsInBuffer_[kAtomCapacity] = {};
    alignas(8) unsigned char eventsOutBuffer_[kAtomCapacity] = {};
    std::map<uint32_t, std::pair<uint32_t, std::string>> saved_;  // key -> (type, value)
    void* uiLibrary_ = nullptr;
    const LV2UI_Descriptor* uiDescriptor_ = nullptr;
    LV2UI_Handle ui_ = nullptr;
    const LV2UI_Idle_Interface* uiIdle_ = nullptr;
    LV2_Extension_Data_Feature dataAccess_{};
    LV2UI_Touch touch_{this, touch};
    PanelEdits edits_;
    int versionPart(const char* property) const {
        LilvNode* predicate = lilv_new_uri(world_, property);
        LilvNode* value = lilv_world_get(world_, lilv_plugin_get_uri(plugin_), predicate, nullptr);
        const int part = value ? lilv_node_as_int(value) : -1;
        lilv_node_free(value);
        lilv_node_free(predicate);
        return part;
    }

    std::string uriOf(LV2_URID id) const {
        for (const auto& [uri, urid] : urids_)
            if (urid == id) return uri;
        return {};
    }
};

LV2_URID Lv2Plugin::map(LV2_URID_Map_Handle handle, const char* uri) {
    auto& urids = static_cast<Lv2Plugin*>(handle)->urids_;
    const auto found = urids.find(uri);
    if (found != urids.end()) return found->second;
    const auto id = static_cast<LV2_URID>(urids.size() + 1);
    urids.emplace(uri, id);
    return id;
}

// The worker runs the job at once, on the caller's thread.
LV2_Worker_Status Lv2Plugin::schedule(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data) {
    auto* self = static_cast<Lv2Plugin*>(handle);
    if (!self->workerInterface_) return LV2_WORKER_ERR_UNKNOWN;
    return self->workerInterface_->work(lilv_instance_get_handle(self->instance_), respond, nullptr, size, data);
}

Lv2Plugin::Lv2Plugin(const std::string& bundleDirectory) {
    world_ = lilv_world_new();
    LilvNode* bundle = lilv_new_file_uri(world_, nullptr, (bundleDirectory + "/").c_str());
    lilv_world_load_bundle(world_, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(world_, kUri);
    plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri);
    lilv_node_free(uri);
    if (!plugin_) throw std::runtime_error("no LV2 plug-in " + std::string(kUri) + " in " + bundleDirectory);
    LilvNode* inputClass = lilv_new_uri(world_, LV2_CORE__InputPort);
    LilvNode* audioClass = lilv_new_uri(world_, LV2_CORE__AudioPort);
    LilvNode* controlClass = lilv_new_uri(world_, LV2_CORE__ControlPort);
    LilvNode* atomClass = lilv_new_uri(world_, LV2_ATOM__AtomPort);
    LilvNode* unitNode = lilv_new_uri(world_, "http://lv2plug.in/ns/extensions/units#unit");
    int audioIns = 0, audioOuts = 0;
    for (uint32_t p = 0; p < lilv_plugin_get_num_ports(plugin_); ++p) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin_, p);
        const bool input = lilv_port_is_a(plugin_, port, inputClass);
        if (lilv_port_is_a(plugin_, port, audioClass)) {
            (input ? audioIn_[audioIns++] : audioOut_[audioOuts++]) = p;
        } else if (lilv_port_is_a(plugin_, port, atomClass)) {
            (input ? eventsIn_ : eventsOut_) = p;
        } else if (lilv_port_is_a(plugin_, port, controlClass)) {
            if (!input) {
                latencyPort_ = p;
                continue;
            }
            LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
            lilv_port_get_range(plugin_, port, &def, &min, &max);
            LilvNode* name = lilv_port_get_name(plugin_, port);
            ParameterInfo info;
            info.name = lilv_node_as_string(name);
            info.minimum = min ? lilv_node_as_float(min) : 0;
            info.maximum = max ? lilv_node_as_float(max) : 0;
            info.defaultValue = def ? lilv_node_as_float(def) : 0;
            if (LilvNodes* units = lilv_port_get_value(plugin_, port, unitNode)) {
                info.unit = unitSymbol(lilv_nodes_get_first(units));
                lilv_nodes_free(units);
            }
            infos_.push_back(info);
            controlPorts_.push_back(p);
            controls_.push_back(static_cast<float>(info.defaultValue));
            for (LilvNode* n : {def, min, max, name})
                if (n) lilv_node_free(n);
        }
    }
    for (LilvNode* n : {inputClass, audioClass, controlClass, atomClass, unitNode}) lilv_node_free(n);
    instantiate();
}

// A unit of the LV2 units vocabulary by its symbol, or a unit of the
// plug-in's own (a blank node) by the symbol it gives.
std::string Lv2Plugin::unitSymbol(const LilvNode* unit) {
    static const std::map<std::string, std::string> kKnown = {
        {"pc", "%"}, {"hz", "Hz"}, {"khz", "kHz"}, {"db", "dB"}, {"ms", "ms"}, {"s", "s"}, {"oct", "oct"}};
    if (lilv_node_is_uri(unit)) {
        const std::string uri = lilv_node_as_uri(unit);
        const auto known = kKnown.find(uri.substr(uri.find('#') + 1));
        return known != kKnown.end() ? known->second : uri;
    }
    LilvNode* symbol = lilv_new_uri(world_, "http://lv2plug.in/ns/extensions/units#symbol");
    LilvNode* value = lilv_world_get(world_, unit, symbol, nullptr);
    const std::string text = value ? lilv_node_as_string(value) : "";
    lilv_node_free(value);
    lilv_node_free(symbol);
    return text;
}

Lv2Plugin::~Lv2Plugin() {
    closePanel();
    if (instance_) lilv_instance_free(instance_);
    lilv_world_free(world_);
}

void Lv2Plugin::instantiate() {
    if (instance_) lilv_instance_free(instance_);
    rateOption_ = static_cast<float>(rate_);
    options_ = {
        {LV2_OPTIONS_INSTANCE, 0, map(this, LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), map(this, LV2_ATOM__Int),
         &maxBlock_},
        {LV2_OPTIONS_INSTANCE, 0, map(this, LV2_PARAMETERS__sampleRate), sizeof(float), map(this, LV2_ATOM__Float),
         &rateOption_},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Feature mapFeature{LV2_URID__map, &uridMap_};
    const LV2_Feature workerFeature{LV2_WORKER__schedule, &worker_};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, options_.data()};
    const LV2_Feature boundedFeature{LV2_BUF_SIZE__boundedBlockLength, nullptr};
    const LV2_Feature* features[] = {&mapFeature, &workerFeature, &optionsFeature, &boundedFeature, nullptr};
    instance_ = lilv_plugin_instantiate(plugin_, rate_, features);
    if (!instance_) throw std::runtime_error("the LV2 plug-in gave no instance");
    workerInterface_ = static_cast<const LV2_Worker_Interface*>(
        lilv_instance_get_extension_data(instance_, LV2_WORKER__interface));
    connectPorts();
}

void Lv2Plugin::connectPorts() {
    for (std::size_t i = 0; i < controlPorts_.size(); ++i)
        lilv_instance_connect_port(instance_, controlPorts_[i], &controls_[i]);
    lilv_instance_connect_port(instance_, latencyPort_, &latency_);
    lilv_instance_connect_port(instance_, eventsIn_, eventsInBuffer_);
    lilv_instance_connect_port(instance_, eventsOut_, eventsOutBuffer_);
}

// A new rate means a new instance in LV2; the values and the state go over.
void Lv2Plugin::start(double rate, int maxBlock) {
    if (rate != rate_ || maxBlock != maxBlock_) {
        const std::string state = instance_ ? saveState() : std::string();
        rate_ = rate;
        maxBlock_ = maxBlock;
        instantiate();
        if (!state.empty()) loadState(state);
    }
    lilv_instance_activate(instance_);
}

void Lv2Plugin::stop() { lilv_instance_deactivate(instance_); }

void Lv2Plugin::fillEvents(const std::vector<ControllerMessage>& messages) {
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(eventsInBuffer_);
    sequence->atom.type = map(this, LV2_ATOM__Sequence);
    sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
    sequence->body.unit = 0;
    sequence->body.pad = 0;
    for (const ControllerMessage& m : messages) {
        struct {
            LV2_Atom_Event event;
            uint8_t bytes[3];
        } midi{};
        midi.event.time.frames = m.frame;
        midi.event.body.type = map(this, LV2_MIDI__MidiEvent);
        midi.event.body.size = 3;
        midi.bytes[0] = m.status;
        midi.bytes[1] = m.number;
        midi.bytes[2] = m.value;
        lv2_atom_sequence_append_event(sequence, kAtomCapacity - sizeof(LV2_Atom), &midi.event);
    }
    auto* out = reinterpret_cast<LV2_Atom_Sequence*>(eventsOutBuffer_);
    out->atom.type = 0;
    out->atom.size = kAtomCapacity - sizeof(LV2_Atom);
}

void Lv2Plugin::process(const float* const in[2], float* const out[2], int frames,
                        const std::vector<ControllerMessage>& messages) {
    fillEvents(messages);
    for (int k = 0; k < 2; ++k) {
        lilv_instance_connect_port(instance_, audioIn_[k], const_cast<float*>(in[k]));
        lilv_instance_connect_port(instance_, audioOut_[k], out[k]);
    }
    lilv_instance_run(instance_, static_cast<uint32_t>(frames));
}

LV2_State_Status Lv2Plugin::store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size,
                                  uint32_t type, uint32_t) {
    static_cast<Lv2Plugin*>(handle)->saved_[key] = {type, std::string(static_cast<const char*>(value), size)};
    return LV2_STATE_SUCCESS;
}

const void* Lv2Plugin::retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                                uint32_t* flags) {
    auto& saved = static_cast<Lv2Plugin*>(handle)->saved_;
    const auto found = saved.find(key);
    if (found == saved.end()) return nullptr;
    *size = found->second.second.size();
    *type = found->second.first;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return found->second.second.data();
}

// The state as a host keeps it: the control values and the stored entries,
// one line each.
std::string Lv2Plugin::saveState() {
    const auto* state = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
    saved_.clear();
    state->save(lilv_instance_get_handle(instance_), store, this, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
    std::string text;
    for (float v : controls_) text += exactText(v) + "\n";
    for (const auto& [key, entry] : saved_)
        text += "state " + uriOf(key) + " " + uriOf(entry.first) + " " + std::string(entry.second.c_str()) + "\n";
    return text;
}

bool Lv2Plugin::loadState(const std::string& text) {
    std::size_t at = 0;
    saved_.clear();
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) return false;
        controls_[i] = std::stof(text.substr(at, end - at));
        at = end + 1;
    }
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        // "state KEY TYPE VALUE", the key and the type as URIs.
        const std::size_t keyEnd = line.find(' ', 6);
        const std::size_t typeEnd = line.find(' ', keyEnd + 1);
        if (line.rfind("state ", 0) != 0 || keyEnd == std::string::npos || typeEnd == std::string::npos) return false;
        std::string value = line.substr(typeEnd + 1);
        value.push_back('\0');
        saved_[map(this, line.substr(6, keyEnd - 6).c_str())] = {map(this, line.substr(keyEnd + 1, typeEnd - keyEnd - 1).c_str()),
                                                                value};
    }
    const auto* state = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
    return state->restore(lilv_instance_get_handle(instance_), retrieve, this, 0, nullptr) == LV2_STATE_SUCCESS;
}

// Hosts pass every control change on to an open panel.
void Lv2Plugin::setValue(int index, double v) {
    controls_[static_cast<std::size_t>(index)] = static_cast<float>(v);
    if (ui_)
        uiDescriptor_->port_event(ui_, controlPorts_[static_cast<std::size_t>(index)], sizeof(float), 0,
                                  &controls_[static_cast<std::size_t>(index)]);
}

int Lv2Plugin::indexOfPort(uint32_t port) const {
    for (std::size_t i = 0; i < controlPorts_.size(); ++i)
        if (controlPorts_[i] == port) return static_cast<int>(i);
    return -1;
}

// A float written to a control port is the host's new value of it.
void Lv2Plugin::write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t protocol,
                      const void* buffer) {
    auto* self = static_cast<Lv2Plugin*>(const_cast<void*>(controller));
    const int index = self->indexOfPort(port);
    if (protocol != 0 || size != sizeof(float) || index < 0) return;
    float value = 0;
    std::memcpy(&value, buffer, sizeof value);
    self->controls_[static_cast<std::size_t>(index)] = value;
    self->edits_.values.emplace_back(index, value);
}

void Lv2Plugin::touch(LV2UI_Feature_Handle handle, uint32_t, bool grabbed) {
    auto& edits = static_cast<Lv2Plugin*>(handle)->edits_;
    (grabbed ? edits.begins : edits.ends) += 1;
}

bool Lv2Plugin::openPanel(std::uintptr_t parent) {
    LilvUIs* uis = lilv_plugin_get_uis(plugin_);
    const LilvUI* ui = uis ? lilv_uis_get(uis, lilv_uis_begin(uis)) : nullptr;
    char* path = ui ? lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr) : nullptr;
    const std::string uri = ui ? lilv_node_as_uri(lilv_ui_get_uri(ui)) : "";
    const std::string bundle = ui ? lilv_node_as_uri(lilv_ui_get_bundle_uri(ui)) : "";
    lilv_uis_free(uis);
    if (!path) return false;
    uiLibrary_ = dlopen(path, RTLD_NOW);
    lilv_free(path);
    const auto descriptorOf =
        uiLibrary_ ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(uiLibrary_, "lv2ui_descriptor")) : nullptr;
    for (uint32_t i = 0; descriptorOf && (uiDescriptor_ = descriptorOf(i)); ++i)
        if (uri == uiDescriptor_->URI) break;
    if (!uiDescriptor_) {
        closePanel();
        return false;
    }
    dataAccess_.data_access = lilv_instance_get_descriptor(instance_)->extension_data;
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
    const LV2_Feature mapFeature{LV2_URID__map, &uridMap_};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, options_.data()};
    const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    const LV2_Feature instanceFeature{LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle(instance_)};
    const LV2_Feature dataFeature{LV2_DATA_ACCESS_URI, &dataAccess_};
    const LV2_Feature touchFeature{LV2_UI__touch, &touch_};
    const LV2_Feature* features[] = {&parentFeature, &mapFeature,  &optionsFeature, &idleFeature,
                                     &instanceFeature, &dataFeature, &touchFeature, nullptr};
    LV2UI_Widget widget = nullptr;
    const std::string bundlePath = bundle.substr(bundle.find("//") + 2);
    ui_ = uiDescriptor_->instantiate(uiDescriptor_, kUri, bundlePath.c_str(), write, this, &widget, features);
    if (!ui_) {
        closePanel();
        return false;
    }
    uiIdle_ = uiDescriptor_->extension_data
                  ? static_cast<const LV2UI_Idle_Interface*>(uiDescriptor_->extension_data(LV2_UI__idleInterface))
                  : nullptr;
    // A host tells a new panel every control's value.
    for (std::size_t i = 0; i < controlPorts_.size(); ++i)
        uiDescriptor_->port_event(ui_, controlPorts_[i], sizeof(float), 0, &controls_[i]);
    return true;
}

void Lv2Plugin::idlePanel() {
    if (ui_ && uiIdle_) uiIdle_->idle(ui_);
}

void Lv2Plugin::closePanel() {
    if (ui_) uiDescriptor_->cleanup(ui_);
    ui_ = nullptr;
    uiIdle_ = nullptr;
    uiDescriptor_ = nullptr;
    if (uiLibrary_) dlclose(uiLibrary_);
    uiLibrary_ = nullptr;
}

}  // namespace

std::unique_ptr<FormatPlugin> openLv2(const std::string& bundleDirectory) {
    return std::make_unique<Lv2Plugin>(bundleDirectory);
}

}  // namespace formats
