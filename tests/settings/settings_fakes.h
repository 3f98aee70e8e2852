// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/autostart.h"
#include "settings/memoryregistry.h"

namespace torvane::test {

// An in-memory store that keeps a log of what was done to it and can be told
// to refuse opening certain keys.
class RecordingRegistry final : public MemoryRegistry {
public:
    using MemoryRegistry::MemoryRegistry;

    bool OpenKey(const std::string& path, bool can_create) override {
        log.push_back((can_create ? "create " : "open ") + path);
        if (refused_keys.count(path) != 0) {
            CloseKey();
            return false;
        }
        return MemoryRegistry::OpenKey(path, can_create);
    }
    int32_t ReadInteger(const std::string& name) const override {
        reads.push_back(name);
        return MemoryRegistry::ReadInteger(name);
    }
    std::string ReadString(const std::string& name) const override {
        reads.push_back(name);
        return MemoryRegistry::ReadString(name);
    }
    void WriteInteger(const std::string& name, int32_t value) override {
        writes.push_back(name);
        MemoryRegistry::WriteInteger(name, value);
    }
    void WriteString(const std::string& name, const std::string& value) override {
        writes.push_back(name);
        MemoryRegistry::WriteString(name, value);
    }
    void Flush() override {
        ++flushes;
        MemoryRegistry::Flush();
    }

    std::set<std::string> refused_keys;
    std::vector<std::string> log;            // key opens, in order
    mutable std::vector<std::string> reads;  // value names read, in order
    std::vector<std::string> writes;         // value names written, in order
    int flushes = 0;
};

// What RecordingRegistry logs when every key of the layout is opened in its
// order; `how` is "open" or "create".
inline std::vector<std::string> EveryKeyOpened(const std::string& how) {
    std::vector<std::string> opens;
    for (const char* sub : {"", "\\Windows", "\\Wan1", "\\Wan2", "\\Wan3", "\\Wan4", "\\NewHost",
                            "\\NewPlayer", "\\NotFull", "\\NewMap"})
        opens.push_back(how + " \\Software\\Torvane" + sub);
    return opens;
}

// Records the log-on start requests instead of making them.
class FakeAutostart final : public Autostart {
public:
    bool Register(const std::string& program_path) override {
        registered = program_path;
        ++calls;
        return true;
    }
    bool Unregister() override {
        unregistered = true;
        ++calls;
        return true;
    }

    std::optional<std::string> registered;
    bool unregistered = false;
    int calls = 0;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace torvane::test
