// SPDX-License-Identifier: GPL-2.0-or-later
#include "net/wsockbuf.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace torvane {
namespace {

std::vector<char> Bytes(int count, char first = 0) {
    std::vector<char> bytes(static_cast<size_t>(count));
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

TEST(TBufferTest, NonPositiveSizesGiveTheChunkSize) {
    EXPECT_EQ(TBuffer(0).Capacity(), 1514);
    EXPECT_EQ(TBuffer(-7).Capacity(), 1514);
    TBuffer chunk(100);
    EXPECT_EQ(chunk.Capacity(), 100);
    chunk.SetBufSize(0);
    EXPECT_EQ(chunk.Capacity(), 1514);
}

TEST(TBufferTest, OversizedWriteFillsTheChunkAndDrainingResetsIt) {
    TBuffer chunk(1514);
    std::vector<char> message = Bytes(2000, 'a');
    EXPECT_EQ(chunk.Write(message.data(), 2000), 1514);
    EXPECT_EQ(chunk.Write(message.data(), 10), 0);  // full

    int32_t length = -1;
    const char* unsent = chunk.Peek(length);
    ASSERT_EQ(length, 1514);
    EXPECT_EQ(std::string(unsent, 1514), std::string(message.data(), 1514));
    EXPECT_EQ(chunk.WritePos(), 1514);  // Peek moves nothing

    EXPECT_EQ(chunk.Remove(2000), 1514);
    EXPECT_EQ(chunk.ReadPos(), 0);
    EXPECT_EQ(chunk.WritePos(), 0);
    EXPECT_EQ(chunk.Peek(length), nullptr);
    EXPECT_EQ(length, 0);
    // An emptied chunk takes a whole chunk again.
    EXPECT_EQ(chunk.Write(message.data(), 2000), 1514);
}

TEST(TBufferTest, PartialRemoveKeepsPositionsAndWritesAppend) {
    TBuffer chunk(1514);
    std::vector<char> first = Bytes(300, 0);
    std::vector<char> second = Bytes(50, 100);
    ASSERT_EQ(chunk.Write(first.data(), 300), 300);
    EXPECT_EQ(chunk.Remove(100), 100);
    EXPECT_EQ(chunk.ReadPos(), 100);
    EXPECT_EQ(chunk.WritePos(), 300);

    EXPECT_EQ(chunk.Write(second.data(), 50), 50);
    EXPECT_EQ(chunk.WritePos(), 350);  // after the old bytes, not at 0

    int32_t length = 0;
    const char* unsent = chunk.Peek(length);
    ASSERT_EQ(length, 250);
    EXPECT_EQ(std::string(unsent, 200), std::string(first.data() + 100, 200));
    EXPECT_EQ(std::string(unsent + 200, 50), std::string(second.data(), 50));
}

TEST(TBufferTest, ReadCopiesInOrderAndResetsWhenEmptied) {
    TBuffer chunk(16);
    ASSERT_EQ(chunk.Write("hello world", 11), 11);
    char out[32] = {};
    EXPECT_EQ(chunk.Read(out, 5), 5);
    EXPECT_EQ(std::string(out, 5), "hello");
    EXPECT_EQ(chunk.ReadPos(), 5);
    EXPECT_EQ(chunk.Read(out, 32), 6);
    EXPECT_EQ(std::string(out, 6), " world");
    EXPECT_EQ(chunk.ReadPos(), 0);
    EXPECT_EQ(chunk.WritePos(), 0);
    EXPECT_EQ(chunk.Read(out, 32), 0);
    EXPECT_EQ(chunk.Remove(5), 0);
}

TEST(TBufferTest, NegativeLengthsMoveNothing) {
    TBuffer chunk(16);
    ASSERT_EQ(chunk.Write("abcdef", 6), 6);
    char out[8];
    EXPECT_EQ(chunk.Write("x", -1), 0);
    EXPECT_EQ(chunk.Read(out, -3), 0);
    EXPECT_EQ(chunk.Remove(-2), 0);
    EXPECT_EQ(chunk.ReadPos(), 0);
    EXPECT_EQ(chunk.WritePos(), 6);
}

TEST(TBufferTest, ResizeKeepsUnsentBytesAndPositions) {
    TBuffer chunk(10);
    ASSERT_EQ(chunk.Write("0123456789", 10), 10);
    ASSERT_EQ(chunk.Remove(4), 4);
    chunk.SetBufSize(20);
    EXPECT_EQ(chunk.Capacity(), 20);
    EXPECT_EQ(chunk.ReadPos(), 4);
    EXPECT_EQ(chunk.WritePos(), 10);
    EXPECT_EQ(chunk.Write("ab", 2), 2);
    int32_t length = 0;
    const char* unsent = chunk.Peek(length);
    EXPECT_EQ(std::string(unsent, static_cast<size_t>(length)), "456789ab");

    // Shrinking below the written part keeps only what fits and never
    // reaches past the new storage.
    chunk.SetBufSize(8);
    EXPECT_EQ(chunk.Capacity(), 8);
    EXPECT_EQ(chunk.WritePos(), 8);
    unsent = chunk.Peek(length);
    EXPECT_EQ(std::string(unsent, static_cast<size_t>(length)), "4567");
    EXPECT_EQ(chunk.Write("z", 1), 0);
}

TEST(TBufferTest, ResizingAnEmptyChunkStartsAfresh) {
    TBuffer chunk(10);
    chunk.SetBufSize(10);  // same size: nothing happens
    EXPECT_EQ(chunk.Capacity(), 10);
    chunk.SetBufSize(3);
    EXPECT_EQ(chunk.Write("abcdef", 6), 3);
}

}  // namespace
}  // namespace torvane
