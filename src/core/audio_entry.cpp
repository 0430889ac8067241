#include "core/audio_entry.h"

#include <algorithm>

namespace orv {
namespace {

constexpr int kSystemStatus = 0xF0;
constexpr int kStatusValuesChanged = 1 << 0;

class BlockRun {
public:
    BlockRun(EffectCore& core, AudioHandshake& handshake, const HostBlock& block, ControllerLink link,
             const std::atomic<bool>* suspended)
        : core_(core), handshake_(handshake), block_(block), link_(link), suspended_(suspended),
          frames_(std::max<std::int32_t>(block.frames, 0)) {}

    // Processes up to frame, clamped to the block (a message past its end
    // takes effect at the end); false once suspended.
    bool runTo(std::int32_t frame) {
        const std::int32_t end = std::clamp(frame, position_, frames_);
        while (position_ < end && running()) {
            const std::int32_t piece = std::min(core_.blockSize, end - position_);
            const float* in[2] = {block_.inputs[0] + position_, block_.inputs[1] + position_};
            float* out[2] = {block_.outputs[0] + position_, block_.outputs[1] + position_};
            handshake_.enterAudioSection();
            outcome.status |= core_.processBlock(in, out, piece);
            handshake_.leaveAudioSection();
            position_ += piece;
        }
        return running();
    }

    // Channel messages only; a controller marks what it changed.
    void apply(const MidiMessage& message) {
        const int status = message.data[0];
        if (status >= kSystemStatus || (status & 0xF0) == 0) return;
        const int number = message.data[1];
        handshake_.enterAudioSection();
        const int result = link_ == ControllerLink::FollowLink
                               ? core_.applyControllerFollowingLink(status & 0xF0, number, message.data[2])
                               : core_.applyController(status & 0xF0, number, message.data[2]);
        const int index = controllerParameter(number);
        const int partner = link_ == ControllerLink::FollowLink ? linkedPartner(core_.state(), index) : -1;
        handshake_.leaveAudioSection();
        outcome.status |= result;
        if (!(result & kStatusValuesChanged)) return;
        outcome.changed[index] = true;
        if (partner >= 0) outcome.changed[partner] = true;
    }

    BlockOutcome outcome;

private:
    bool running() const { return !suspended_ || !suspended_->load(); }

    EffectCore& core_;
    AudioHandshake& handshake_;
    const HostBlock& block_;
    const ControllerLink link_;
    const std::atomic<bool>* suspended_;
    const std::int32_t frames_;
    std::int32_t position_ = 0;
};

}  // namespace

BlockOutcome processHostBlock(EffectCore& core, AudioHandshake& handshake, const HostBlock& block,
                              ControllerLink link, const std::atomic<bool>* suspended) {
    BlockRun run(core, handshake, block, link, suspended);
    if (block.inputs && block.outputs && block.inputs[0] && block.inputs[1] && block.outputs[0] && block.outputs[1]) {
        std::int32_t taken = 0;
        for (; taken < block.messageCount && run.runTo(block.messages[taken].frame); ++taken)
            run.apply(block.messages[taken]);
        run.runTo(block.frames);
        run.outcome.messagesTaken = taken;
    }
    return run.outcome;
}

}  // namespace orv
