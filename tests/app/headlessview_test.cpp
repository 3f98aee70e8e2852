// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/headlessview.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace torvane {
namespace {

// torvane-headless's output, caught in memory.
class Output {
public:
    Output() : file_(open_memstream(&buffer_, &size_)) {}
    ~Output() {
        std::fclose(file_);
        std::free(buffer_);
    }
    std::FILE* File() { return file_; }
    // What was written since the last call.
    std::string Take() {
        std::fflush(file_);
        std::string text(buffer_ + taken_, size_ - taken_);
        taken_ = size_;
        return text;
    }

private:
    char* buffer_ = nullptr;
    size_t size_ = 0;
    size_t taken_ = 0;
    std::FILE* file_;
};

TEST(HeadlessView, WritesTheUserRowsThatChangedAndTheCountWhenItChanges) {
    Output out;
    HeadlessView view(out.File());
    view.SetUserRows({{"Ann", "Ready", "hi"}, {"Bob", "Busy", "later"}});
    EXPECT_EQ(out.Take(), "users: 2\nuser: 0 | Ann (Ready) hi\nuser: 1 | Bob (Busy) later\n");
    view.SetUserRows({{"Ann", "Ready", "hi"}, {"Bob", "Playing", "later"}});
    EXPECT_EQ(out.Take(), "user: 1 | Bob (Playing) later\n");
    view.SetUserRows({{"Ann", "Ready", "hi"}, {"Bob", "Playing", "later"}});
    EXPECT_EQ(out.Take(), "");
    // Ann expired: Bob moves up, and the count tells the last row is gone.
    view.SetUserRows({{"Bob", "Playing", "later"}});
    EXPECT_EQ(out.Take(), "users: 1\nuser: 0 | Bob (Playing) later\n");
}

TEST(HeadlessView, ControlCharactersFromTheNetworkAreEscapedSoEachChangeIsOneLine) {
    Output out;
    HeadlessView view(out.File());
    const char chat[] = "hi\nthere\x1B[2K\xC2\x85x\xE2\x80\xA8y\x7F\0z";
    view.AddChatRow("Bob\r", "12:00:00", std::string(chat, sizeof chat - 1));
    EXPECT_EQ(out.Take(),
              "chat: Bob\\x0D | 12:00:00 | hi\\x0Athere\\x1B[2K\xC2\\x85x\xE2\\x80\xA8y\\x7F\\x00z\n");
}

}  // namespace
}  // namespace torvane
