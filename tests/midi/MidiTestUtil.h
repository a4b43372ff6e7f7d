#pragma once

#include "TestFiles.h"
#include "midi/Song.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// A whole file from header fields and raw track chunks.
inline Bytes MakeSmf(std::uint16_t nFormat, std::uint16_t nDivision,
                     const std::vector<Bytes>& chunks, int nAnnounced = -1) {
    const auto nTracks =
        static_cast<std::uint16_t>(nAnnounced < 0 ? static_cast<int>(chunks.size()) : nAnnounced);
    Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    auto put16 = [&file](std::uint16_t n) {
        file.push_back(static_cast<std::uint8_t>(n >> 8));
        file.push_back(static_cast<std::uint8_t>(n & 0xFF));
    };
    put16(nFormat);
    put16(nTracks);
    put16(nDivision);
    for (const Bytes& chunk : chunks) {
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        const auto n = static_cast<std::uint32_t>(chunk.size());
        file.insert(file.end(),
                    {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                     static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}

inline bool LoadBytes(CSong& song, const Bytes& bytes) {
    return song.LoadMemory(bytes.data(), bytes.size());
}

// Absolute time of every event of a track, in order.
inline std::vector<std::uint32_t> AbsoluteTimes(const CTrack& track) {
    std::vector<std::uint32_t> times;
    std::uint32_t nTime = 0;
    for (const CMidiEvent& event : track.m_events) {
        nTime += event.m_nDelta;
        times.push_back(nTime);
    }
    return times;
}

inline CTrack& TrackAt(CSong& song, std::size_t n) {
    auto it = song.m_tracks.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(n));
    return *it;
}

// The encoded bytes of the song's n-th track.
inline Bytes EncodedTrack(CSong& song, std::size_t n) {
    song.EncodeChunks();
    Bytes chunk = song.m_chunks.at(n);
    song.ReleaseChunks();
    return chunk;
}

inline std::string TempPath(const std::string& name) {
    return std::string(VORKELN_TEST_TMP) + "/" + name;
}

// python3-mido, the outside reader our files are judged by, through tests/midi/mido_tool.py.
inline const std::string kPython = "/usr/bin/python3";
inline const std::string kMidoTool = std::string(VORKELN_SOURCE_DIR) + "/tests/midi/mido_tool.py";

inline bool HaveMido() {
    static const bool bHave = std::filesystem::exists(kPython) &&
                              std::system((kPython + " -c 'import mido' 2>/dev/null").c_str()) == 0;
    return bHave;
}

inline std::string RunMidoTool(const std::string& command, const std::string& path) {
    return RunCommand(kPython + " " + kMidoTool + " " + command + " '" + path + "'");
}
