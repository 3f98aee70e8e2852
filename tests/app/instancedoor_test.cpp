// SPDX-License-Identifier: GPL-2.0-or-later
// One copy per session: a later copy hands its request to the running one
// over the session's channel, and the running one reads it as strictly as
// a join link.

#include "app/instancedoor.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>

namespace torvane {
namespace {

std::string UniqueName(const char* what) {
    return std::string("torvane-test.") + what + "." + std::to_string(getpid());
}

TEST(InstanceRequest, AJoinReadsBackAsTheSameServerAndNothingElsePasses) {
    const InstanceRequest join{InstanceRequest::Kind::kJoin, {"arena.lan", "27911"}, "10.0.0.7"};
    EXPECT_EQ(RequestText(join), "join quake2://connect/arena.lan:27911 10.0.0.7");
    const std::optional<InstanceRequest> back = ParseRequest(RequestText(join));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->What, InstanceRequest::Kind::kJoin);
    EXPECT_EQ(back->Link.Host, "arena.lan");
    EXPECT_EQ(back->Link.Port, "27911");
    EXPECT_EQ(back->Address, "10.0.0.7");
    ASSERT_TRUE(ParseRequest("show"));
    EXPECT_EQ(ParseRequest("show")->What, InstanceRequest::Kind::kShow);

    for (const char* bad :
         {"", "show ", "Show", "join", "join quake2://connect/arena:27910",
          "join quake2://connect/arena:27910 ", "join quake2://connect/arena:27910 arena",
          "join quake2://connect/arena:27910 10.0.0.7 +exec x",
          "join quake2://connect/arena:27910+x 10.0.0.7",
          // a link that names an address goes to that address only
          "join quake2://connect/10.0.0.8:27910 10.0.0.7", "join  10.0.0.7",
          // only the form a later copy writes
          "join quake2://connect/%61rena:27910 10.0.0.7", "join QUAKE2://connect/arena:27910 10.0.0.7"}) {
        EXPECT_FALSE(ParseRequest(bad)) << bad;
    }
}

TEST(InstanceDoor, ALaterCopyHandsItsRequestToTheRunningOneAndLearnsItWasTaken) {
    const std::string name = UniqueName("door");
    EXPECT_FALSE(InstanceChannel::HandOver(name, "show")) << "no copy holds the name yet";
    std::optional<InstanceChannel> channel = InstanceChannel::Claim(name);
    ASSERT_TRUE(channel);
    EXPECT_FALSE(InstanceChannel::Claim(name)) << "a second copy must not claim the session";

    MessageLoop loop;
    std::vector<std::string> handled;
    {
        InstanceDoor door(loop, std::move(*channel),
                          [&](const InstanceRequest& request) { handled.push_back(RequestText(request)); });
        // The later copy waits for its answer while the running one's loop
        // goes on.
        auto pump_until = [&](std::future<bool>& answer) {
            while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
                loop.WaitAndProcessMessages(50);
            return answer.get();
        };
        auto join = std::async(std::launch::async, [&] {
            return InstanceChannel::HandOver(name, "join quake2://connect/arena.lan:27910 10.0.0.7");
        });
        EXPECT_TRUE(pump_until(join));
        auto show = std::async(std::launch::async, [&] { return InstanceChannel::HandOver(name, "show"); });
        EXPECT_TRUE(pump_until(show));
        // A request the running copy refuses is not acted on, and the later
        // copy hears so.
        auto bad = std::async(std::launch::async, [&] {
            return InstanceChannel::HandOver(name, "join quake2://connect/arena.lan:27910+exec 10.0.0.7");
        });
        EXPECT_FALSE(pump_until(bad));
        // Two lines in one request are never sent.
        EXPECT_FALSE(InstanceChannel::HandOver(name, "show\njoin x"));
    }
    EXPECT_EQ(handled, (std::vector<std::string>{"join quake2://connect/arena.lan:27910 10.0.0.7", "show"}));
    // Once the running copy is gone the session is free again.
    EXPECT_TRUE(InstanceChannel::Claim(name));
}

TEST(InstanceChannel, TheSessionIsTheUserAndTheirRuntimeDirectory) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string before = saved ? saved : "";
    setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
    const std::string one = InstanceChannel::SessionName();
    setenv("XDG_RUNTIME_DIR", "/tmp/other-session", 1);
    const std::string other = InstanceChannel::SessionName();
    if (saved)
        setenv("XDG_RUNTIME_DIR", before.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
    EXPECT_NE(one, other);
    EXPECT_NE(one.find(std::to_string(getuid())), std::string::npos);
}

}  // namespace
}  // namespace torvane
