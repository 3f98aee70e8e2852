// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// One fixed-capacity chunk of a socket's send queue. Bytes are written at
// WritePos and leave from ReadPos; the unsent bytes are those in between.
// When reading or removing empties the chunk, both positions return to 0,
// so the chunk is filled again from its start and never moves data.

#include <cstdint>
#include <memory>

namespace torvane {

class TBuffer {
public:
    // Capacity of a chunk when no usable size is asked for.
    static constexpr int32_t kDefaultSize = 1514;

    explicit TBuffer(int32_t size);
    TBuffer(const TBuffer&) = delete;
    TBuffer& operator=(const TBuffer&) = delete;

    // A size of 0 or less means kDefaultSize. Unsent bytes survive a resize;
    // a size below WritePos keeps only what fits.
    void SetBufSize(int32_t size);

    // Each returns the count of bytes moved; a length of 0 or less moves none.
    int32_t Write(const void* data, int32_t length);
    int32_t Read(void* destination, int32_t length);
    int32_t Remove(int32_t length);

    // The first unsent byte and their count, without moving anything; with
    // none, nullptr and 0.
    const char* Peek(int32_t& length) const;

    int32_t Capacity() const { return capacity_; }
    int32_t WritePos() const { return write_pos_; }
    int32_t ReadPos() const { return read_pos_; }

private:
    int32_t Unsent() const { return write_pos_ - read_pos_; }
    int32_t Consume(int32_t length);

    std::unique_ptr<char[]> storage_;
    int32_t capacity_ = 0;
    int32_t write_pos_ = 0;
    int32_t read_pos_ = 0;
};

}  // namespace torvane
