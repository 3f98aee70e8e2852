#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

struct ca_context;

namespace torvane {

// The machine's sound output for wave files.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Plays the wave file at `path`. Without `wait` it returns at once while
    // the sound plays on; with it, it returns when the sound has ended. A new
    // sound replaces one still playing. Returns whether the sound was
    // accepted (a missing, unreadable or unsupported file is not).
    virtual bool PlayFile(const std::string& path, bool wait) = 0;
};

// Sound through libcanberra. The context is opened at the first sound and
// opened again after a failure, so a sound server that starts later is used.
class CanberraSound final : public SoundOutput {
public:
    CanberraSound();
    CanberraSound(const CanberraSound&) = delete;
    CanberraSound& operator=(const CanberraSound&) = delete;
    ~CanberraSound() override;

    bool PlayFile(const std::string& path, bool wait) override;

    // The library's last error text, for diagnostics ("Not found", ...).
    std::string LastError() const;

private:
    static void Finished(ca_context* context, uint32_t id, int error, void* self);
    bool EnsureOpen();

    // Declared before the context so they outlive its destruction, during
    // which the library may still report sounds as finished.
    mutable std::mutex mutex_;
    std::condition_variable finished_changed_;
    uint32_t last_finished_ = 0;

    ca_context* context_ = nullptr;
    uint32_t current_id_ = 0;
    int last_error_ = 0;
};

}  // namespace torvane
