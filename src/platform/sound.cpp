#include "platform/sound.h"

#include <canberra.h>

#include <memory>

namespace torvane {

namespace {

struct ProplistDeleter {
    void operator()(ca_proplist* list) const { ca_proplist_destroy(list); }
};

}  // namespace

CanberraSound::CanberraSound() = default;

CanberraSound::~CanberraSound() {
    if (context_ != nullptr) ca_context_destroy(context_);
}

bool CanberraSound::EnsureOpen() {
    if (context_ != nullptr) return true;
    if ((last_error_ = ca_context_create(&context_)) != CA_SUCCESS) {
        context_ = nullptr;
        return false;
    }
    ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Torvane", nullptr);
    if ((last_error_ = ca_context_open(context_)) != CA_SUCCESS) {
        ca_context_destroy(context_);
        context_ = nullptr;
        return false;
    }
    return true;
}

void CanberraSound::Finished(ca_context*, uint32_t id, int, void* self) {
    auto* sound = static_cast<CanberraSound*>(self);
    {
        std::lock_guard lock(sound->mutex_);
        sound->last_finished_ = id;
    }
    sound->finished_changed_.notify_all();
}

bool CanberraSound::PlayFile(const std::string& path, bool wait) {
    if (!EnsureOpen()) return false;
    if (current_id_ != 0) ca_context_cancel(context_, current_id_);
    const uint32_t id = ++current_id_;

    ca_proplist* raw = nullptr;
    if ((last_error_ = ca_proplist_create(&raw)) != CA_SUCCESS) return false;
    std::unique_ptr<ca_proplist, ProplistDeleter> properties(raw);
    ca_proplist_sets(raw, CA_PROP_MEDIA_FILENAME, path.c_str());

    last_error_ = ca_context_play_full(context_, id, raw, &CanberraSound::Finished, this);
    if (last_error_ != CA_SUCCESS) return false;
    if (wait) {
        std::unique_lock lock(mutex_);
        finished_changed_.wait(lock, [&] { return last_finished_ >= id; });
    }
    return true;
}

std::string CanberraSound::LastError() const {
    return ca_strerror(last_error_);
}

}  // namespace torvane
