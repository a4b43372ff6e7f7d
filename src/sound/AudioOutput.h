#pragma once

#include <string>

// Where the embedded synthesiser's sound goes: an audio stream or driver that asks its renderer
// (CSynthRenderer) for blocks on a thread of its own.
class IAudioOutput {
public:
    virtual ~IAudioOutput() = default;

    // The renderer has paused and a message waits to sound: have it render again at once.
    // Called on the owner's thread.
    virtual void Wake() = 0;
    // The path the sound takes, as the user is told it.
    virtual std::string GetName() const = 0;
    // The output latency last measured, in milliseconds; negative while it is not known.
    virtual double GetLatencyMs() const = 0;
};
