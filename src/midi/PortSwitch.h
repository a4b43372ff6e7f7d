#pragma once

#include "midi/MidiPort.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

// Sends through one of two ports: the built-in one, which it keeps for its whole life, or a
// system port the user chose. Switching silences the port left (all notes off and all sound off
// on every channel) and closes it, then gives the port taken the program each channel last got,
// so that the next note sounds with the right instrument. A system port left stays open until the
// next Poll, as a system may still be delivering what was sent to it last (the silence among it).
// A system port whose far end has gone (seen by Poll) is given up for the built-in one, and the
// owner is told.
class CPortSwitch : public IMidiPort {
public:
    static constexpr int kChannels = 16;

    explicit CPortSwitch(std::unique_ptr<IMidiPort> pBuiltIn);
    ~CPortSwitch() override;
    CPortSwitch(const CPortSwitch&) = delete;
    CPortSwitch& operator=(const CPortSwitch&) = delete;

    // Sends through pPort from now on; nullptr goes back to the built-in port. False, with
    // nothing changed, when pPort does not open.
    bool Select(std::unique_ptr<IMidiPort> pPort);
    bool IsBuiltIn() const { return m_pSystem == nullptr; }
    IMidiPort& GetBuiltIn() const { return *m_pBuiltIn; }
    // The system port in use; nullptr while the built-in one sounds.
    IMidiPort* GetSystem() const { return m_pSystem.get(); }
    // Told, on the owner's thread, when a system port was given up because it went away.
    void SetLostHandler(std::function<void()> onLost) { m_onLost = std::move(onLost); }

    bool Open() override;
    void Reset() override;
    void Close() override;
    bool IsOpen() const override;
    void SendShort(std::uint32_t dwMsg) override;
    void Poll() override;

    // Silences every channel of pPort without resetting its controllers: all sound off, then
    // all notes off.
    static void Silence(IMidiPort& port);

private:
    IMidiPort& Active() const { return m_pSystem != nullptr ? *m_pSystem : *m_pBuiltIn; }
    void Leave(IMidiPort& port);
    void SendPrograms(IMidiPort& port) const;

    std::unique_ptr<IMidiPort> m_pBuiltIn;
    std::unique_ptr<IMidiPort> m_pSystem;
    std::unique_ptr<IMidiPort> m_pLeft; // a system port left since the last Poll
    std::function<void()> m_onLost;
    // The last program sent on each channel; -1 while none was.
    std::array<int, kChannels> m_programs{};
};
