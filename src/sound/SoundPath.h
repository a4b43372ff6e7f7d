#pragma once

#include <string>

// What a MIDI port can tell the user about the way its sound leaves the program.
class ISoundPath {
public:
    virtual ~ISoundPath() = default;

    // The audio path in use; empty while there is none.
    virtual std::string GetSoundPath() const = 0;
    // Its output latency as last measured, in milliseconds; negative while it is not known.
    virtual double GetOutputLatencyMs() const = 0;
};
