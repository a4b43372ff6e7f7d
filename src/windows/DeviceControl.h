#pragma once

#include "sound/MidiPortId.h"

#include <string>
#include <vector>

// All the Devices window sees of the program's MIDI devices: the system's ports, the output in
// use, the inputs open, and the built-in synthesiser's SoundFont. What cannot be done is told
// to the user by the one who does it; the window only shows the state it reads back.
class IDeviceControl {
public:
    virtual ~IDeviceControl() = default;

    virtual std::vector<SMidiPortId> ListOutputs() = 0;
    virtual std::vector<SMidiPortId> ListInputs() = 0;
    // The output in use; an empty id for the built-in synthesiser.
    virtual SMidiPortId GetOutput() const = 0;
    // An empty id chooses the built-in synthesiser. False when the port does not open.
    virtual bool SelectOutput(const SMidiPortId& id) = 0;
    virtual std::vector<SMidiPortId> GetOpenInputs() const = 0;
    // False when the port does not open; closing always succeeds.
    virtual bool SetInputOpen(const SMidiPortId& id, bool bOpen) = 0;
    // Whether notes from the inputs keep their channels instead of taking the instrument's.
    virtual bool GetKeepInputChannels() const = 0;
    virtual void SetKeepInputChannels(bool bKeep) = 0;
    // The SoundFont that sounds, and the start of loading another.
    virtual std::string GetSoundFont() const = 0;
    virtual void ChangeSoundFont(const std::string& path) = 0;

protected:
    IDeviceControl() = default;
    IDeviceControl(const IDeviceControl&) = default;
    IDeviceControl& operator=(const IDeviceControl&) = default;
};
