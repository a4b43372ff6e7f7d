#include "MidiTestUtil.h"

#include <gtest/gtest.h>

TEST(MidiFile, RunningStatusChunkYieldsOneNote) {
    CSong song;
    ASSERT_TRUE(LoadBytes(
        song,
        MakeSmf(0, 96, {{0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}})));
    ASSERT_EQ(song.m_tracks.size(), 1u);
    const CTrack& track = song.m_tracks.front();
    ASSERT_EQ(track.m_events.size(), 1u);
    const CMidiEvent& note = track.m_events.front();
    EXPECT_EQ(note.m_status, 0x90);
    EXPECT_EQ(note.m_data1, 60);
    EXPECT_EQ(note.m_data2, 64);
    EXPECT_EQ(note.m_nLength, 96u);
    EXPECT_TRUE(track.m_bActive);
    EXPECT_EQ(track.m_nChannel, 0);
}

TEST(MidiFile, OneNoteTrackEncodesAsSixteenBytes) {
    CSong song;
    song.AddTrack(0);
    song.ResetRecordPositions();
    song.RecordNote(0, 60, 384);
    CTrack& track = song.m_tracks.back();
    EXPECT_EQ(EncodedTrack(song, 1), (Bytes{0x00, 0xC0, 0x00, 0x00, 0x90, 0x3C, 0x7F, 0x83, 0x00,
                                            0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(track.EstimateSize(), 28u);
}
