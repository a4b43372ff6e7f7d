#include "midi/NotePlayer.h"

#include "midi/MidiPort.h"

#include <utility>

CNotePlayer::CNotePlayer(std::unique_ptr<IMidiPort> pPort) : m_pPort(std::move(pPort)) {}

CNotePlayer::~CNotePlayer() = default;

void CNotePlayer::OnTimerTick() {}

void CNotePlayer::PlayKey(int nNote) {
    static_cast<void>(nNote);
}

void CNotePlayer::PlayScale() {}

void CNotePlayer::SetControl(std::uint32_t nCode, std::uint32_t nValue) {
    static_cast<void>(nCode);
    static_cast<void>(nValue);
}

bool CNotePlayer::OpenSong(const std::string& strPath) {
    static_cast<void>(strPath);
    return false;
}

void CNotePlayer::SendPrograms() {}
