#pragma once

#include "midi/TickSource.h"

#include <cstdint>
#include <memory>
#include <vector>

class CNoteEngine;
class CRecordingPort;
class CSong;

// The song's playback run offline: a note engine of its own over a copy of the song, driven one
// timer tick at a time, whose messages are collected instead of sounded and whose notes nobody
// is shown. It plays exactly as
// Track > Play does: from the start with the instruments, at the tempo and note lengthening in
// use, until the song and its last notes have ended. The copy is taken at construction; from
// then on the source shares nothing with the song, so it may run on another thread.
class CPlaybackSource : public ITickSource {
public:
    CPlaybackSource(CSong& song, bool bIgnoreSysEx);
    ~CPlaybackSource() override;
    CPlaybackSource(const CPlaybackSource&) = delete;
    CPlaybackSource& operator=(const CPlaybackSource&) = delete;

    bool NextTick(std::vector<std::uint32_t>& out) override;
    std::uint64_t GetExpectedTicks() const override { return m_nExpectedTicks; }

private:
    class CSilentDisplay;
    // The engine reports to the display, so the display is made first and goes last.
    std::unique_ptr<CSilentDisplay> m_pDisplay;
    std::unique_ptr<CNoteEngine> m_pEngine;
    CRecordingPort* m_pPort = nullptr;
    std::uint64_t m_nExpectedTicks = 0;
    bool m_bEnded = false;
};
