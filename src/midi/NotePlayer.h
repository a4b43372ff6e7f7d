#pragma once

#include "keyboard/Keyboard.h"
#include "midi/NoteDisplay.h"
#include "midi/NoteEngine.h"

#include <cstdint>
#include <memory>

class IMidiPort;

// The keyboard extended by the note engine: what the engine plays is lit on the lattice and the
// strip. It forwards the engine's note, echo and reset reports to the keyboard drawing; the main
// view derives from it and answers the tonality and playback reports.
class CNotePlayer : public CKeyboard, public INoteDisplay, public CNoteEngine {
public:
    // The player sounds through the given port, which it owns (see CNoteEngine).
    explicit CNotePlayer(std::unique_ptr<IMidiPort> pPort);
    ~CNotePlayer() override;
    CNotePlayer(const CNotePlayer&) = delete;
    CNotePlayer& operator=(const CNotePlayer&) = delete;

    void ShowNote(int nChannel, int nNote, bool bOn) override;
    void ShowEchoRange(std::int8_t nEchoUp, std::int8_t nEchoDown) override;
    void ResetNoteStates() override;
};
