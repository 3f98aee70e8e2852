// SPDX-License-Identifier: GPL-2.0-or-later
#include "net/wsockbuf.h"

#include <algorithm>
#include <cstring>

namespace torvane {

TBuffer::TBuffer(int32_t size) {
    SetBufSize(size);
}

void TBuffer::SetBufSize(int32_t size) {
    if (size <= 0) size = kDefaultSize;
    if (size == capacity_) return;
    auto storage = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(size));
    if (Unsent() > 0) {
        // Positions stay as they are; a chunk shrunk below its written part
        // keeps what fits rather than running past the new storage.
        write_pos_ = std::min(write_pos_, size);
        read_pos_ = std::min(read_pos_, write_pos_);
        std::memcpy(storage.get(), storage_.get(), static_cast<size_t>(write_pos_));
    } else {
        write_pos_ = 0;
        read_pos_ = 0;
    }
    storage_ = std::move(storage);
    capacity_ = size;
}

int32_t TBuffer::Write(const void* data, int32_t length) {
    int32_t count = std::clamp(length, 0, capacity_ - write_pos_);
    if (count == 0) return 0;
    std::memcpy(storage_.get() + write_pos_, data, static_cast<size_t>(count));
    write_pos_ += count;
    return count;
}

int32_t TBuffer::Read(void* destination, int32_t length) {
    int32_t count = std::clamp(length, 0, Unsent());
    if (count == 0) return 0;
    std::memcpy(destination, storage_.get() + read_pos_, static_cast<size_t>(count));
    return Consume(count);
}

int32_t TBuffer::Remove(int32_t length) {
    return Consume(std::clamp(length, 0, Unsent()));
}

const char* TBuffer::Peek(int32_t& length) const {
    length = Unsent();
    return length > 0 ? storage_.get() + read_pos_ : nullptr;
}

int32_t TBuffer::Consume(int32_t count) {
    read_pos_ += count;
    if (read_pos_ == write_pos_) {
        read_pos_ = 0;
        write_pos_ = 0;
    }
    return count;
}

}  // namespace torvane
