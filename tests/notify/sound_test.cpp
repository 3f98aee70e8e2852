// SPDX-License-Identifier: GPL-2.0-or-later
// Plays real sounds into a private PulseAudio server with a null sink and
// records what comes out of the sink's monitor.
#include "platform/sound.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <numbers>
#include <thread>

#include "notify/playerwave.h"
#include "support/tempdir.h"

extern char** environ;

namespace torvane {
namespace {

namespace fs = std::filesystem;

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (size_t start = 0, end; start <= dirs.size(); start = end + 1) {
        end = std::min(dirs.find(':', start), dirs.size());
        if (access((dirs.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0) return true;
    }
    return false;
}

// Starts `argv` (found on PATH), optionally with its output in `output`.
pid_t Start(const std::vector<std::string>& argv, const std::string& output = {}) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!output.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Polls `condition` until it holds or a generous limit passes.
bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 500; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

void PutLE(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A mono 16-bit PCM wave file of a sine tone (amplitude 0 writes silence).
void WriteTone(const fs::path& path, double seconds, double amplitude) {
    constexpr uint32_t kRate = 44100;
    const auto samples = static_cast<uint32_t>(seconds * kRate);
    std::string wav = "RIFF";
    PutLE(wav, 36 + samples * 2, 4);
    wav += "WAVEfmt ";
    PutLE(wav, 16, 4);
    PutLE(wav, 1, 2);  // PCM
    PutLE(wav, 1, 2);  // mono
    PutLE(wav, kRate, 4);
    PutLE(wav, kRate * 2, 4);
    PutLE(wav, 2, 2);
    PutLE(wav, 16, 2);
    wav += "data";
    PutLE(wav, samples * 2, 4);
    for (uint32_t i = 0; i < samples; ++i) {
        const double value = amplitude * std::sin(2 * std::numbers::pi * 440.0 * i / kRate);
        PutLE(wav, static_cast<uint16_t>(static_cast<int16_t>(std::lround(value * 32767))), 2);
    }
    test::WriteFile(path, wav);
}

// Root mean square, 0 to 1, of the last `bytes` of a raw signed 16-bit
// little-endian recording (the whole of it when shorter).
double TailRms(const fs::path& recording, size_t bytes) {
    std::error_code error;
    const size_t size = fs::file_size(recording, error) & ~size_t{3};
    const size_t length = std::min(bytes & ~size_t{3}, error ? 0 : size);
    if (length == 0) return 0;
    std::string raw(length, '\0');
    std::ifstream in(recording, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(size - length));
    in.read(raw.data(), static_cast<std::streamsize>(length));
    double sum = 0;
    for (size_t i = 0; i + 1 < length; i += 2) {
        const auto sample =
            static_cast<int16_t>(static_cast<uint8_t>(raw[i]) | (static_cast<uint8_t>(raw[i + 1]) << 8));
        sum += (sample / 32768.0) * (sample / 32768.0);
    }
    return std::sqrt(sum / static_cast<double>(length / 2));
}

class RealSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!OnPath("pulseaudio") || !OnPath("parec"))
            GTEST_SKIP() << "PulseAudio (pulseaudio, parec) is not installed";
        ASSERT_FALSE(dir.Path().empty());
        // The server, parec and the sound library all find each other here
        // and nowhere else.
        setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
        setenv("HOME", dir.Path().c_str(), 1);
        setenv("PULSE_SERVER", ("unix:" + (dir.Path() / "pulse" / "native").string()).c_str(), 1);
        unsetenv("DISPLAY");
        recording = dir.Path() / "recording.raw";
        ASSERT_NO_FATAL_FAILURE(StartServer());
    }

    void TearDown() override { StopServer(); }

    // A PulseAudio server with one null sink, and parec recording its monitor.
    void StartServer() {
        const pid_t starter =
            Start({"pulseaudio", "-n", "--daemonize=yes", "--exit-idle-time=-1",
                   "--load=module-null-sink sink_name=null", "--load=module-native-protocol-unix"});
        ASSERT_GT(starter, 0);
        ASSERT_EQ(Wait(starter), 0) << "pulseaudio did not start";
        server_pid = std::atoi(test::ReadFile(dir.Path() / "pulse" / "pid").c_str());
        ASSERT_GT(server_pid, 0);

        fs::remove(recording);
        recorder_pid =
            Start({"parec", "-d", "null.monitor", "--raw", "--format=s16le", "--rate=44100", "--channels=2"},
                  recording.string());
        ASSERT_GT(recorder_pid, 0);
        // The monitor streams silence as soon as the recorder is connected.
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(recording) && fs::file_size(recording) > 0; }))
            << "parec recorded nothing";
    }

    void StopServer() {
        if (recorder_pid > 0) {
            kill(recorder_pid, SIGTERM);
            Wait(recorder_pid);
            recorder_pid = -1;
        }
        if (server_pid > 0) {
            kill(server_pid, SIGTERM);
            // Daemonized, so not our child: wait for its socket to go instead.
            WaitUntil([&] { return !fs::exists(dir.Path() / "pulse" / "pid"); });
            server_pid = -1;
        }
    }

    // The last 0.2 s of the recording (44100 frames of 4 bytes per second).
    double RecentRms() const { return TailRms(recording, 44100 * 4 / 5); }

    test::TempDir dir;
    fs::path recording;
    pid_t server_pid = -1;
    pid_t recorder_pid = -1;
};

TEST_F(RealSoundTest, AnAsyncWaveReachesTheSpeakersAndANewSoundReplacesIt) {
    const fs::path tone = dir.Path() / "tone.wav";
    const fs::path silence = dir.Path() / "silence.wav";
    WriteTone(tone, 30.0, 0.5);
    WriteTone(silence, 0.5, 0.0);
    EXPECT_LT(RecentRms(), 0.01) << "the sink is silent before we play";

    CanberraSound output;
    TPlayerWave player(output);
    player.Async = true;
    player.WaveName = tone.string();
    ASSERT_TRUE(player.Play()) << output.LastError();
    // A sine of amplitude 0.5 has an RMS of about 0.35.
    EXPECT_TRUE(WaitUntil([&] { return RecentRms() > 0.1; })) << "the tone was not heard: " << RecentRms();

    // The tone would last 30 s; replaced by silence, the sink goes quiet.
    player.WaveName = silence.string();
    ASSERT_TRUE(player.Play()) << output.LastError();
    EXPECT_TRUE(WaitUntil([&] { return RecentRms() < 0.01; })) << "the tone went on: " << RecentRms();
}

TEST_F(RealSoundTest, PlaysOnAfterTheSoundServerRestartsAndRefusesMissingFiles) {
    const fs::path beep = dir.Path() / "beep.wav";
    WriteTone(beep, 1.0, 0.5);
    CanberraSound output;
    TPlayerWave player(output);
    player.Async = true;
    for (const char* missing : {"absent.wav", ""}) {
        player.WaveName = *missing ? (dir.Path() / missing).string() : "";
        EXPECT_FALSE(player.Play()) << "'" << missing << "'";
    }
    player.WaveName = beep.string();
    ASSERT_TRUE(player.Play()) << output.LastError();

    StopServer();
    ASSERT_NO_FATAL_FAILURE(StartServer());
    ASSERT_TRUE(player.Play()) << output.LastError();
    EXPECT_TRUE(WaitUntil([&] { return RecentRms() > 0.1; })) << "nothing heard after the restart";
}

}  // namespace
}  // namespace torvane
