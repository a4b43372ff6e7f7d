#pragma once

#include <cstdint>

// One MIDI output the program can sound through: the embedded synthesiser, a system MIDI port,
// or the recording port of the tests. Messages are packed as status | data1 << 8 | data2 << 16.
class IMidiPort {
public:
    virtual ~IMidiPort() = default;

    // Opens the port; false when it cannot be used (the caller reports it).
    virtual bool Open() = 0;
    // Silences every sounding note and resets the controllers on all 16 channels.
    virtual void Reset() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual void SendShort(std::uint32_t dwMsg) = 0;
    // Called now and then on the owner's thread: takes in what was done in the background and
    // looks whether the far end is still there. A port whose far end has gone is no longer open.
    virtual void Poll() {}
};
