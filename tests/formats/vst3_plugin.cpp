// The VST3 plug-in through DPF's VST3 interface headers: the module entry,
// the factory, the component with its audio processor and edit controller,
// parameter changes (normalised, converted by the controller as hosts do),
// state streams, latency, and the panel's view in a window of the host's
// with the frame, run loop and component handler a host gives it. The VST3
// takes no MIDI.
#include <travesty/audio_processor.h>
#include <travesty/component.h>
#include <travesty/edit_controller.h>
#include <travesty/events.h>
#include <travesty/factory.h>
#include <travesty/host.h>
#include <travesty/message.h>
#include <travesty/view.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>
#include <utility>

#include "format_plugins.h"
#include "plugin_library.h"

namespace formats {
namespace {

constexpr int32_t kAudio = 0, kInput = 0, kOutput = 1;

// A host-side object as VST3 passes them: the address of a pointer to the
// function table.
template <class Table>
struct Object {
    Table* table;
    Table functions{};
    Object() : table(&functions) {
        functions.query_interface = [](void*, const v3_tuid, void** out) -> v3_result {
            *out = nullptr;
            return V3_NO_INTERFACE;
        };
        functions.ref = [](void*) -> uint32_t { return 1; };
        functions.unref = [](void*) -> uint32_t { return 1; };
    }
    void* self() { return this; }
};

template <class T, class Table>
T& objectOf(void* self) {
    return *static_cast<T*>(static_cast<Object<Table>*>(self));
}

struct ValueQueue : Object<v3_param_value_queue_cpp> {
    v3_param_id id;
    std::vector<std::pair<int32_t, double>> points;
    explicit ValueQueue(v3_param_id param) : id(param) {
        functions.queue.get_param_id = [](void* s) { return objectOf<ValueQueue, v3_param_value_queue_cpp>(s).id; };
        functions.queue.get_point_count = [](void* s) {
            return static_cast<int32_t>(objectOf<ValueQueue, v3_param_value_queue_cpp>(s).points.size());
        };
        functions.queue.get_point = [](void* s, int32_t i, int32_t* offset, double* value) -> v3_result {
            const auto& p = objectOf<ValueQueue, v3_param_value_queue_cpp>(s).points.at(static_cast<std::size_t>(i));
            *offset = p.first;
            *value = p.second;
            return V3_OK;
        };
        functions.queue.add_point = [](void* s, int32_t offset, double value, int32_t* index) -> v3_result {
            auto& points = objectOf<ValueQueue, v3_param_value_queue_cpp>(s).points;
            if (index) *index = static_cast<int32_t>(points.size());
            points.emplace_back(offset, value);
            return V3_OK;
        };
    }
};

struct ParameterChanges : Object<v3_param_changes_cpp> {
    std::vector<std::unique_ptr<ValueQueue>> queues;
    ParameterChanges() {
        functions.changes.get_param_count = [](void* s) {
            return static_cast<int32_t>(objectOf<ParameterChanges, v3_param_changes_cpp>(s).queues.size());
        };
        functions.changes.get_param_data = [](void* s, int32_t i) {
            auto& queue = *objectOf<ParameterChanges, v3_param_changes_cpp>(s).queues.at(static_cast<std::size_t>(i));
            return reinterpret_cast<v3_param_value_queue**>(queue.self());
        };
        functions.changes.add_param_data = [](void* s, v3_param_id* id, int32_t* index) {
            auto& self = objectOf<ParameterChanges, v3_param_changes_cpp>(s);
            ValueQueue& queue = self.queueOf(*id);
            if (index) *index = static_cast<int32_t>(self.queues.size() - 1);
            for (std::size_t i = 0; index && i < self.queues.size(); ++i)
                if (self.queues[i].get() == &queue) *index = static_cast<int32_t>(i);
            return reinterpret_cast<v3_param_value_queue**>(queue.self());
        };
    }
    ValueQueue& queueOf(v3_param_id id) {
        for (auto& q : queues)
            if (q->id == id) return *q;
        queues.push_back(std::make_unique<ValueQueue>(id));
        return *queues.back();
    }
    void add(v3_param_id id, int32_t offset, double value) { queueOf(id).points.emplace_back(offset, value); }
};

// The headers give no C++ table for streams.
struct StreamTable : v3_funknown {
    v3_bstream stream;
};

struct Stream : Object<StreamTable> {
    std::string bytes;
    std::size_t at = 0;
    Stream() {
        functions.stream.read = [](void* s, void* buffer, int32_t n, int32_t* done) -> v3_result {
            auto& self = objectOf<Stream, StreamTable>(s);
            const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(n), self.bytes.size() - self.at);
            std::memcpy(buffer, self.bytes.data() + self.at, count);
            self.at += count;
            if (done) *done = static_cast<int32_t>(count);
            return V3_OK;
        };
        functions.stream.write = [](void* s, void* buffer, int32_t n, int32_t* done) -> v3_result {
            objectOf<Stream, StreamTable>(s).bytes.append(static_cast<const char*>(buffer), static_cast<std::size_t>(n));
            if (done) *done = n;
            return V3_OK;
        };
        functions.stream.seek = [](void* s, int64_t pos, int32_t mode, int64_t* result) -> v3_result {
            auto& self = objectOf<Stream, StreamTable>(s);
            const int64_t base = mode == V3_SEEK_SET ? 0 : mode == V3_SEEK_CUR ? static_cast<int64_t>(self.at)
                                                                               : static_cast<int64_t>(self.bytes.size());
            self.at = static_cast<std::size_t>(std::max<int64_t>(0, base + pos));
            if (result) *result = static_cast<int64_t>(self.at);
            return V3_OK;
        };
        functions.stream.tell = [](void* s, int64_t* pos) -> v3_result {
            *pos = static_cast<int64_t>(objectOf<Stream, StreamTable>(s).at);
            return V3_OK;
        };
    }
    v3_bstream** handle() { return reinterpret_cast<v3_bstream**>(self()); }
};

// The headers give no C++ table for the component handler either.
struct HandlerTable : v3_funknown {
    v3_component_handler handler;
};

// The host's record of the edits the controller reports.
struct ComponentHandler : Object<HandlerTable> {
    PanelEdits edits;
    ComponentHandler() {
        functions.handler.begin_edit = [](void* s, v3_param_id) -> v3_result {
            ++objectOf<ComponentHandler, HandlerTable>(s).edits.begins;
            return V3_OK;
        };
        functions.handler.perform_edit = [](void* s, v3_param_id id, double value) -> v3_result {
            objectOf<ComponentHandler, HandlerTable>(s).edits.values.emplace_back(static_cast<int>(id), value);
            return V3_OK;
        };
        functions.handler.end_edit = [](void* s, v3_param_id) -> v3_result {
            ++objectOf<ComponentHandler, HandlerTable>(s).edits.ends;
            return V3_OK;
        };
        functions.handler.restart_component = [](void*, int32_t) -> v3_result { return V3_OK; };
    }
};

// The host's run loop as Linux views need it: one timer, ticked by the test.
struct RunLoop : Object<v3_run_loop_cpp> {
    v3_timer_handler** timer = nullptr;
    RunLoop() {
        functions.loop.register_event_handler = [](void*, v3_event_handler**, int) -> v3_result { return V3_OK; };
        functions.loop.unregister_event_handler = [](void*, v3_event_handler**) -> v3_result { return V3_OK; };
        functions.loop.register_timer = [](void* s, v3_timer_handler** handler, uint64_t) -> v3_result {
            objectOf<RunLoop, v3_run_loop_cpp>(s).timer = handler;
            return V3_OK;
        };
        functions.loop.unregister_timer = [](void* s, v3_timer_handler**) -> v3_result {
            objectOf<RunLoop, v3_run_loop_cpp>(s).timer = nullptr;
            return V3_OK;
        };
    }
};

// The frame around the view; the run loop is found through it.
struct Frame : Object<v3_plugin_frame_cpp> {
    RunLoop loop;
    Frame() {
        functions.query_interface = [](void* s, const v3_tuid iid, void** out) -> v3_result {
            if (v3_tuid_match(iid, v3_run_loop_iid)) {
                *out = objectOf<Frame, v3_plugin_frame_cpp>(s).loop.self();
                return V3_OK;
            }
            *out = nullptr;
            return V3_NO_INTERFACE;
        };
        functions.frame.resize_view = [](void*, v3_plugin_view**, v3_view_rect*) -> v3_result { return V3_OK; };
    }
};

// What a message carries, by key, as hosts keep it.
struct AttributeList : Object<v3_attribute_list_cpp> {
    std::map<std::string, int64_t> ints;
    std::map<std::string, double> floats;
    std::map<std::string, std::string> binaries;
    std::map<std::string, std::vector<int16_t>> strings;

    template <class Map, class Value>
    static v3_result find(const Map& map, const char* id, Value* out) {
        const auto at = map.find(id);
        if (at == map.end()) return V3_INVALID_ARG;
        *out = at->second;
        return V3_OK;
    }
    static AttributeList& of(void* s) { return objectOf<AttributeList, v3_attribute_list_cpp>(s); }

    AttributeList() {
        auto& f = functions.attrlist;
        f.set_int = [](void* s, const char* id, int64_t v) -> v3_result { return of(s).ints[id] = v, V3_OK; };
        f.get_int = [](void* s, const char* id, int64_t* v) { return find(of(s).ints, id, v); };
        f.set_float = [](void* s, const char* id, double v) -> v3_result { return of(s).floats[id] = v, V3_OK; };
        f.get_float = [](void* s, const char* id, double* v) { return find(of(s).floats, id, v); };
        f.set_string = [](void* s, const char* id, const int16_t* text) -> v3_result {
            std::vector<int16_t>& stored = of(s).strings[id];
            stored.clear();
            do stored.push_back(*text); while (*text++);
            return V3_OK;
        };
        f.get_string = [](void* s, const char* id, int16_t* text, uint32_t size) -> v3_result {
            const auto at = of(s).strings.find(id);
            if (at == of(s).strings.end() || size == 0) return V3_INVALID_ARG;
            const std::size_t n = std::min<std::size_t>(at->second.size(), size / sizeof(int16_t));
            std::copy_n(at->second.begin(), n, text);
            text[n - 1] = 0;
            return V3_OK;
        };
        f.set_binary = [](void* s, const char* id, const void* data, uint32_t size) -> v3_result {
            of(s).binaries[id].assign(static_cast<const char*>(data), size);
            return V3_OK;
        };
        f.get_binary = [](void* s, const char* id, const void** data, uint32_t* size) -> v3_result {
            const auto at = of(s).binaries.find(id);
            if (at == of(s).binaries.end()) return V3_INVALID_ARG;
            *data = at->second.data();
            *size = static_cast<uint32_t>(at->second.size());
            return V3_OK;
        };
    }
};

// A message the host makes for the plug-in; gone with its last reference.
struct Message : Object<v3_message_cpp> {
    std::string id;
    AttributeList attributes;
    uint32_t references = 1;
    static Message& of(void* s) { return objectOf<Message, v3_message_cpp>(s); }

    Message() {
        functions.ref = [](void* s) { return ++of(s).references; };
        functions.unref = [](void* s) {
            const uint32_t left = --of(s).references;
            if (left == 0) delete &of(s);
            return left;
        };
        functions.msg.get_message_id = [](void* s) { return of(s).id.c_str(); };
        functions.msg.set_message_id = [](void* s, const char* id) { of(s).id = id ? id : ""; };
        functions.msg.get_attributes = [](void* s) {
            return reinterpret_cast<v3_attribute_list**>(of(s).attributes.self());
        };
    }
};

// The host's context, handed to initialize: views need it, and the messages
// it makes.
struct HostApplication : Object<v3_host_application_cpp> {
    HostApplication() {
        functions.query_interface = [](void* s, const v3_tuid iid, void** out) -> v3_result {
            const bool known = v3_tuid_match(iid, v3_host_application_iid) || v3_tuid_match(iid, v3_funknown_iid);
            *out = known ? s : nullptr;
            return known ? V3_OK : V3_NO_INTERFACE;
        };
        functions.app.get_name = [](void*, v3_str_128 name) -> v3_result {
            const char host[] = "format tests";
            for (std::size_t i = 0; i < sizeof host; ++i) name[i] = host[i];
            return V3_OK;
        };
        functions.app.create_instance = [](void*, v3_tuid cid, v3_tuid, void** out) -> v3_result {
            *out = v3_tuid_match(cid, v3_message_iid) ? (new Message)->self() : nullptr;
            return *out ? V3_OK : V3_NOT_IMPLEMENTED;
        };
    }
};

#if defined(_WIN32)
const char* const kPlatformType = V3_VIEW_PLATFORM_TYPE_HWND;
#else
const char* const kPlatformType = V3_VIEW_PLATFORM_TYPE_X11;
#endif

std::string narrow(const int16_t* text) {
    std::string s;
    for (; *text; ++text) s += static_cast<char>(*text);
    return s;
}

template <class T>
T** queried(void* object, const v3_tuid iid) {
    void* out = nullptr;
    static_cast<v3_funknown**>(object)[0]->query_interface(object, iid, &out);
    return static_cast<T**>(out);
}

class Vst3Plugin final : public FormatPlugin {
public:
    explicit Vst3Plugin(const std::string& path);
    ~Vst3Plugin() override;

    std::vector<ParameterInfo> parameters() override { return infos_; }
    std::string version() override { return version_; }
    double value(int index) override;
    std::string valueText(int index, double value) override;
    bool valueOfText(int index, const std::string& text, double& value) override;
    void setValue(int index, double v) override;
    bool takesMidi() const override { return false; }
    void start(double rate, int maxBlock) override;
    void stop() override;
    void process(const float* const in[2], float* const out[2], int frames,
                 const std::vector<ControllerMessage>& messages) override;
    std::string saveState() override;
    bool loadState(const std::string& state) override;
    std::string stateOfChunk(const std::vector<std::uint8_t>& chunk, const std::vector<double>&) override {
        return dpfStateOfChunk(chunk);
    }
    std::int64_t latency() override { return v3_cpp_obj(processor_)->get_latency_samples(processor_); }
    bool openPanel(std::uintptr_t parent) override;
    void idlePanel() override;
    void closePanel() override;
    PanelEdits takePanelEdits() override;

private:
    vsthost::SharedLibrary library_;
    HostApplication application_;
    v3_component** component_ = nullptr;
    v3_audio_processor** processor_ = nullptr;
    v3_edit_controller** controller_ = nullptr;
    std::vector<ParameterInfo> infos_;
    std::vector<v3_param_id> ids_;
    ParameterChanges pending_;
    bool active_ = false;
    ComponentHandler handler_;
    Frame frame_;
    v3_plugin_view** view_ = nullptr;
    std::string version_;
};

Vst3Plugin::Vst3Plugin(const std::string& path) : library_(path) {
    // Linux hosts call ModuleEntry, Windows hosts InitDll, before the factory.
#if defined(_WIN32)
    if (auto* init = reinterpret_cast<bool (*)()>(library_.symbol("InitDll"))) init();
#else
    if (auto* entry = reinterpret_cast<bool (*)(void*)>(library_.symbol("ModuleEntry"))) entry(nullptr);
#endif
    auto* getFactory = reinterpret_cast<void* (*)()>(library_.symbol("GetPluginFactory"));
    if (!getFactory) throw std::runtime_error("no VST3 factory in " + path);
    auto** factory = static_cast<v3_plugin_factory**>(getFactory());
    v3_class_info info{};
    v3_cpp_obj(factory)->get_class_info(factory, 0, &info);
    if (auto** factory2 = queried<v3_plugin_factory_2>(factory, v3_plugin_factory_2_iid)) {
        v3_class_info_2 info2{};
        v3_cpp_obj(factory2)->get_class_info_2(factory2, 0, &info2);
        version_ = info2.version;
        v3_cpp_obj_unref(factory2);
    }
    v3_cpp_obj(factory)->create_instance(factory, info.class_id, v3_component_iid, reinterpret_cast<void**>(&component_));
    v3_cpp_obj_unref(factory);  // every factory the module hands out is the caller's to release
    if (!component_) throw std::runtime_error("the VST3 plug-in gave no component");
    v3_cpp_obj_initialize(component_, reinterpret_cast<v3_funknown**>(application_.self()));
    processor_ = queried<v3_audio_processor>(component_, v3_audio_processor_iid);
    controller_ = queried<v3_edit_controller>(component_, v3_edit_controller_iid);
    auto* ctrl = v3_cpp_obj(controller_);
    ctrl->set_component_handler(controller_, reinterpret_cast<v3_component_handler**>(handler_.self()));
    for (int32_t i = 0; i < ctrl->get_parameter_count(controller_); ++i) {
        v3_param_info p{};
        ctrl->get_parameter_info(controller_, i, &p);
        if (p.flags & (V3_PARAM_IS_HIDDEN | V3_PARAM_READ_ONLY)) continue;
        const auto plain = [&](double normalised) {
            return ctrl->normalised_parameter_to_plain(controller_, p.param_id, normalised);
        };
        infos_.push_back({narrow(p.title), narrow(p.units), plain(0.0), plain(1.0), plain(p.default_normalised_value)});
        ids_.push_back(p.param_id);
    }
}

Vst3Plugin::~Vst3Plugin() {
    closePanel();
    stop();
    for (void* object : {static_cast<void*>(controller_), static_cast<void*>(processor_)})
        if (object) static_cast<v3_funknown**>(object)[0]->unref(object);
    v3_cpp_obj_terminate(component_);
    v3_cpp_obj_unref(component_);
#if defined(_WIN32)
    if (auto* exit = reinterpret_cast<bool (*)()>(library_.symbol("ExitDll"))) exit();
#else
    if (auto* exit = reinterpret_cast<bool (*)()>(library_.symbol("ModuleExit"))) exit();
#endif
}

double Vst3Plugin::value(int index) {
    const v3_param_id id = ids_.at(static_cast<std::size_t>(index));
    auto* ctrl = v3_cpp_obj(controller_);
    return ctrl->normalised_parameter_to_plain(controller_, id, ctrl->get_parameter_normalised(controller_, id));
}

std::string Vst3Plugin::valueText(int index, double v) {
    const v3_param_id id = ids_.at(static_cast<std::size_t>(index));
    auto* ctrl = v3_cpp_obj(controller_);
    v3_str_128 text{};
    ctrl->get_parameter_string_for_value(controller_, id, ctrl->plain_parameter_to_normalised(controller_, id, v), text);
    return narrow(text);
}

bool Vst3Plugin::valueOfText(int index, const std::string& text, double& value) {
    const v3_param_id id = ids_.at(static_cast<std::size_t>(index));
    auto* ctrl = v3_cpp_obj(controller_);
    v3_str_128 wide{};
    for (std::size_t i = 0; i < text.size() && i + 1 < 128; ++i) wide[i] = static_cast<int16_t>(text[i]);
    double normalised = 0;
    if (ctrl->get_parameter_value_for_string(controller_, id, wide, &normalised) != V3_OK) return false;
    value = ctrl->normalised_parameter_to_plain(controller_, id, normalised);
    return true;
}

// Hosts send a change to the controller for its view and to the processor
// with the next block, normalised.
void Vst3Plugin::setValue(int index, double v) {
    const v3_param_id id = ids_.at(static_cast<std::size_t>(index));
    const double normalised = v3_cpp_obj(controller_)->plain_parameter_to_normalised(controller_, id, v);
    v3_cpp_obj(controller_)->set_parameter_normalised(controller_, id, normalised);
    pending_.add(id, 0, normalised);
}

void Vst3Plugin::start(double rate, int maxBlock) {
    stop();
    v3_process_setup setup{V3_REALTIME, V3_SAMPLE_32, maxBlock, rate};
    v3_cpp_obj(processor_)->setup_processing(processor_, &setup);
    auto* component = v3_cpp_obj(component_);
    component->activate_bus(component_, kAudio, kInput, 0, true);
    component->activate_bus(component_, kAudio, kOutput, 0, true);
    component->set_active(component_, true);
    v3_cpp_obj(processor_)->set_processing(processor_, true);
    active_ = true;
}

void Vst3Plugin::stop() {
    if (!active_) return;
    v3_cpp_obj(processor_)->set_processing(processor_, false);
    v3_cpp_obj(component_)->set_active(component_, false);
    active_ = false;
}

void Vst3Plugin::process(const float* const in[2], float* const out[2], int frames,
                         const std::vector<ControllerMessage>&) {
    float* inputs[2] = {const_cast<float*>(in[0]), const_cast<float*>(in[1])};
    float* outputs[2] = {out[0], out[1]};
    v3_audio_bus_buffers input{2, 0, {inputs}};
    v3_audio_bus_buffers output{2, 0, {outputs}};
    v3_param_changes** changes = reinterpret_cast<v3_param_changes**>(pending_.self());
    v3_process_data data{};
    data.process_mode = V3_REALTIME;
    data.symbolic_sample_size = V3_SAMPLE_32;
    data.nframes = frames;
    data.num_input_buses = 1;
    data.num_output_buses = 1;
    data.inputs = &input;
    data.outputs = &output;
    data.input_params = changes;
    ParameterChanges outputChanges;  // what the plug-in reports back; nothing here reads it
    data.output_params = reinterpret_cast<v3_param_changes**>(outputChanges.self());
    v3_cpp_obj(processor_)->process(processor_, &data);
    pending_.queues.clear();
}

std::string Vst3Plugin::saveState() {
    Stream stream;
    if (v3_cpp_obj(component_)->get_state(component_, stream.handle()) != V3_OK) return {};
    return stream.bytes;
}

// The component takes the state, and the controller the same bytes, as
// hosts hand them to both.
bool Vst3Plugin::loadState(const std::string& state) {
    Stream stream;
    stream.bytes = state;
    if (v3_cpp_obj(component_)->set_state(component_, stream.handle()) != V3_OK) return false;
    Stream again;
    again.bytes = state;
    v3_cpp_obj(controller_)->set_component_state(controller_, again.handle());
    return true;
}

bool Vst3Plugin::openPanel(std::uintptr_t parent) {
    view_ = v3_cpp_obj(controller_)->create_view(controller_, "editor");
    if (!view_) return false;
    auto* view = v3_cpp_obj(view_);
    if (view->is_platform_type_supported(view_, kPlatformType) == V3_OK) {
        view->set_frame(view_, reinterpret_cast<v3_plugin_frame**>(frame_.self()));
        if (view->attached(view_, reinterpret_cast<void*>(parent), kPlatformType) == V3_OK) return true;
    }
    v3_cpp_obj_unref(view_);
    view_ = nullptr;
    return false;
}

// The handler heard parameter ids and normalised values; the tests speak
// of indices and the parameters' units.
PanelEdits Vst3Plugin::takePanelEdits() {
    PanelEdits edits = std::exchange(handler_.edits, {});
    for (auto& [id, value] : edits.values) {
        const auto at = std::find(ids_.begin(), ids_.end(), static_cast<v3_param_id>(id));
        value = v3_cpp_obj(controller_)->normalised_parameter_to_plain(controller_, static_cast<v3_param_id>(id), value);
        id = at == ids_.end() ? -1 : static_cast<int>(at - ids_.begin());
    }
    return edits;
}

void Vst3Plugin::idlePanel() {
    if (v3_timer_handler** timer = frame_.loop.timer) v3_cpp_obj(timer)->on_timer(timer);
}

void Vst3Plugin::closePanel() {
    if (!view_) return;
    v3_cpp_obj(view_)->removed(view_);
    v3_cpp_obj(view_)->set_frame(view_, nullptr);
    v3_cpp_obj_unref(view_);
    view_ = nullptr;
}

}  // namespace

std::unique_ptr<FormatPlugin> openVst3(const std::string& bundleLibrary) {
    return std::make_unique<Vst3Plugin>(bundleLibrary);
}

}  // namespace formats
