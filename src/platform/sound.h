// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

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

// Sound through libcanberra. All instances share one library context for the
// life of the process: the library's ALSA backend plays each sound on a
// detached thread, and destroying the context unloads the backend under a
// thread still running. The context is opened at the first sound, opened
// again at the first sound two seconds or more after a failed open (a sound
// server that starts later is used), and
// replaced only when the sound server it was connected to has gone. Call
// from one thread only.
class CanberraSound final : public SoundOutput {
public:
    bool PlayFile(const std::string& path, bool wait) override;

    // The library's text for the last error ("Not found", ...).
    std::string LastError() const;
};

}  // namespace torvane
