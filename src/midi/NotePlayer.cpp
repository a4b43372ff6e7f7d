#include "midi/NotePlayer.h"

#include "midi/MidiPort.h"

#include <utility>

// The engine only stores the reference to its display: nothing reaches the display before the
// player is complete.
CNotePlayer::CNotePlayer(std::unique_ptr<IMidiPort> pPort) : CNoteEngine(std::move(pPort), *this) {}

CNotePlayer::~CNotePlayer() = default;

void CNotePlayer::ShowNote(int nChannel, int nNote, bool bOn) {
    CKeyboard::ShowNote(nChannel, nNote, bOn);
}

void CNotePlayer::ShowEchoRange(std::int8_t nEchoUp, std::int8_t nEchoDown) {
    m_grid.m_nEchoUp = nEchoUp;
    m_grid.m_nEchoDown = nEchoDown;
}

void CNotePlayer::ResetNoteStates() {
    m_grid.ResetNoteStates();
}
