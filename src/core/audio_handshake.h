// The hand-shake between the audio pass and the threads that change the
// effect's state, without a lock on the audio side: a writer raises
// updateBusy and waits until no piece is in flight; the audio pass raises
// inProcess around each call into the core and yields while updateBusy is up.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/platform.h"

namespace orv {

class AudioHandshake {
public:
    // Audio thread, around each piece and each controller message.
    void enterAudioSection() {
        for (;;) {
            inProcess.store(true);
            if (!updateBusy.load()) return;
            inProcess.store(false);
            while (updateBusy.load()) platform::yieldProcessor();
        }
    }
    void leaveAudioSection() { inProcess.store(false, std::memory_order_release); }

    // Any other thread: runs f with the state to itself (no other writer or
    // reader, no piece in flight).
    template <class F>
    void withExclusiveState(F&& f) {
        std::lock_guard<std::mutex> lock(writers_);
        updateBusy.store(true);
        while (inProcess.load()) platform::yieldProcessor();
        f();
        updateBusy.store(false);
    }

    std::atomic<bool> inProcess{false};
    std::atomic<bool> updateBusy{false};

private:
    std::mutex writers_;  // orders the writers among themselves
};

}  // namespace orv
