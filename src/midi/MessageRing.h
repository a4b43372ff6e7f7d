#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// Short messages handed from one thread to another without a lock: one thread pushes (a MIDI
// input's callback), one other pops (the GUI thread). It holds a fixed number; what comes while
// it is full is dropped and counted, so that a flood can neither block the input nor grow
// memory.
class CMessageRing {
public:
    static constexpr std::size_t kCapacity = 4096; // a power of two

    // The pushing thread. False when the ring was full and the message was dropped.
    bool Push(std::uint32_t dwMsg);
    // The popping thread: the oldest message, false when there is none.
    bool Pop(std::uint32_t& dwMsg);
    std::uint64_t GetDropped() const { return m_nDropped.load(std::memory_order_relaxed); }

private:
    std::array<std::uint32_t, kCapacity> m_messages{};
    std::atomic<std::size_t> m_nHead{0}; // next to pop; written by the popping thread
    std::atomic<std::size_t> m_nTail{0}; // next to push; written by the pushing thread
    std::atomic<std::uint64_t> m_nDropped{0};
};
