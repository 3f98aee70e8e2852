// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/sound.h"

#include <canberra.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>

#include "platform/retrypause.h"

namespace torvane {

namespace {

struct ProplistDeleter {
    void operator()(ca_proplist* list) const { ca_proplist_destroy(list); }
};

class SoundEngine {
public:
    // Lives until the process ends: see CanberraSound.
    static SoundEngine& Instance() {
        alignas(SoundEngine) static unsigned char storage[sizeof(SoundEngine)];
        static SoundEngine* engine = new (storage) SoundEngine;
        return *engine;
    }

    bool Play(const std::string& path, bool wait) {
        if (!EnsureOpen()) return false;
        if (current_id_ != 0) ca_context_cancel(context_, current_id_);
        const uint32_t id = ++current_id_;

        ca_proplist* raw = nullptr;
        if ((last_error_ = ca_proplist_create(&raw)) != CA_SUCCESS) return false;
        std::unique_ptr<ca_proplist, ProplistDeleter> properties(raw);
        ca_proplist_sets(raw, CA_PROP_MEDIA_FILENAME, path.c_str());

        last_error_ = ca_context_play_full(context_, id, raw, &SoundEngine::Finished, this);
        if (last_error_ == CA_ERROR_DISCONNECTED || last_error_ == CA_ERROR_STATE) {
            // The sound server went away (restarted, or the user logged in
            // anew): connect to the one there is now and try once more.
            ca_context_destroy(context_);
            context_ = nullptr;
            if (!EnsureOpen()) return false;
            last_error_ = ca_context_play_full(context_, id, raw, &SoundEngine::Finished, this);
        }
        if (last_error_ != CA_SUCCESS) return false;
        if (wait) {
            std::unique_lock lock(mutex_);
            finished_changed_.wait(lock, [&] { return last_finished_ >= id; });
        }
        return true;
    }

    int LastError() const { return last_error_; }

private:
    bool EnsureOpen() {
        if (context_ != nullptr) return true;
        const int64_t now = NowMs();
        // The failure stands until the pause is over; last_error_ still
        // names it.
        if (!open_pause_.MayTry(now)) return false;
        if ((last_error_ = ca_context_create(&context_)) != CA_SUCCESS) {
            context_ = nullptr;
            open_pause_.Failed(now);
            return false;
        }
        ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Torvane", nullptr);
        if ((last_error_ = ca_context_open(context_)) != CA_SUCCESS) {
            ca_context_destroy(context_);  // nothing has played on it yet
            context_ = nullptr;
            open_pause_.Failed(now);
            return false;
        }
        open_pause_.Succeeded();
        return true;
    }

    static int64_t NowMs() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    // Runs on a thread of the library, or inside ca_context_cancel.
    static void Finished(ca_context*, uint32_t id, int, void* self) {
        auto* engine = static_cast<SoundEngine*>(self);
        {
            std::lock_guard lock(engine->mutex_);
            if (id > engine->last_finished_) engine->last_finished_ = id;
        }
        engine->finished_changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable finished_changed_;
    uint32_t last_finished_ = 0;

    ca_context* context_ = nullptr;
    // Without a sound system every open costs a search of the library's
    // backends: a failed one is not tried again for two seconds.
    RetryPause open_pause_{2000};
    uint32_t current_id_ = 0;
    int last_error_ = CA_SUCCESS;
};

}  // namespace

bool CanberraSound::PlayFile(const std::string& path, bool wait) {
    return SoundEngine::Instance().Play(path, wait);
}

std::string CanberraSound::LastError() const {
    return ca_strerror(SoundEngine::Instance().LastError());
}

}  // namespace torvane
