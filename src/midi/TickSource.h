#pragma once

#include <cstdint>
#include <vector>

// MIDI messages as the player sends them, one 20 ms timer tick at a time: what an offline
// renderer plays into a synthesiser between its blocks of sound. Messages are packed as
// status | data1 << 8 | data2 << 16.
class ITickSource {
public:
    static constexpr int kTickMilliseconds = 20;

    virtual ~ITickSource() = default;

    // Appends the messages of the next tick to out; false, out untouched, once the source has
    // ended.
    virtual bool NextTick(std::vector<std::uint32_t>& out) = 0;
    // How many ticks the source is expected to last, for a progress display; 0 when unknown.
    virtual std::uint64_t GetExpectedTicks() const = 0;
};
