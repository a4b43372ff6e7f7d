#include "../midi/MidiTestUtil.h"
#include "../sound/AudioFacts.h"
#include "StandInDialogs.h"
#include "ViewTestSupport.h"
#include "app/MainFrame.h"
#include "app/MainView.h"
#include "app/ModeStatusBar.h"
#include "commands/CommandIds.h"
#include "sound/FluidSynthPort.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// A quarter note at the default tempo: 384 ticks at 15 a timer tick.
constexpr int kQuarterTicks = 26;

class PlayedNotesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pFrame = std::make_unique<CMainFrame>();
        m_pView = ShowViewInFrame<CMainView>(*m_pFrame, m_dialogs, m_pPort);
        m_dir = FreshDir("played");
    }

    // Keys of the keyboard, as one input event plays them.
    void PlayKeys(std::initializer_list<int> notes) {
        for (const int nNote : notes) {
            m_pView->PlayKey(nNote);
        }
        m_pView->ShowSounding();
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            m_pView->OnTimerTick();
        }
    }
    QString ChordPane() const {
        return m_pFrame->GetStatusBar().GetPaneText(CModeStatusBar::PANE_CHORD_NAME);
    }
    QStringList FinderRows() const {
        QStringList rows;
        for (int i = 0; i < m_pView->m_wndScaleFinder.List()->count(); ++i) {
            rows << m_pView->m_wndScaleFinder.List()->item(i)->text();
        }
        return rows;
    }
    // One note-on of nLength ticks into the first active track at nDelta after the previous.
    void AddSongNote(int nNote, std::uint32_t nDelta, std::uint32_t nLength) {
        CMidiEvent event;
        event.m_status = 0x90;
        event.m_data1 = static_cast<std::uint8_t>(nNote);
        event.m_data2 = 127;
        event.m_nDelta = nDelta;
        event.m_nLength = nLength;
        m_pView->m_song.FindActiveTrack(0)->m_events.push_back(std::move(event));
    }

    CStandInDialogs m_dialogs;
    CRecordingPort* m_pPort = nullptr;
    std::unique_ptr<CMainFrame> m_pFrame;
    CMainView* m_pView = nullptr;
    std::filesystem::path m_dir;
};

TEST_F(PlayedNotesTest, TheChordPaneNamesWhatSoundsAndEmptiesWhenItEnds) {
    struct SCase {
        std::initializer_list<int> notes;
        const char* pszName;
    };
    const SCase cases[] = {
        {{60, 64, 67}, "C"},       {{64, 67, 72}, "C/E"}, {{57, 60, 64, 67}, "Am7"},
        {{60, 64}, "major third"}, {{62}, "d"},
    };
    EXPECT_EQ(ChordPane(), QString());
    for (const SCase& c : cases) {
        PlayKeys(c.notes);
        EXPECT_EQ(ChordPane(), QString::fromLatin1(c.pszName)) << c.pszName;
        Ticks(kQuarterTicks + 1);
        EXPECT_EQ(ChordPane(), QString()) << c.pszName;
    }
    // Played back, the song's notes are named as well.
    AddSongNote(60, 0, 384);
    AddSongNote(63, 0, 384);
    AddSongNote(67, 0, 384);
    m_pView->OnCommand(ID_TRACK_PLAY);
    Ticks(1);
    EXPECT_EQ(ChordPane(), QStringLiteral("Cm"));
}

TEST_F(PlayedNotesTest, FindScaleListsTheScalesOfWhatSoundsAndADoubleClickChoosesOne) {
    m_pView->OnCommand(ID_TONALITY_FIND_SCALE);
    ASSERT_TRUE(m_pView->m_wndScaleFinder.isVisible());
    PlayKeys({62, 66, 69});
    // D major: the fewest notes outside first, then the current keynote c, then the table.
    const QStringList rows = FinderRows();
    ASSERT_GE(rows.size(), 8);
    EXPECT_EQ(rows.mid(0, 8), (QStringList{"Symmetrical 3.1 : d  +3", "Symmetrical 3.1 : fis  +3",
                                           "Symmetrical 3.1 : b  +3", "Double Major : dis  +3",
                                           "Double Major : a  +3", "Lydian : c  +4",
                                           "Natural Major : d  +4", "Natural Major : g  +4"}))
        << rows.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(m_pView->m_wndScaleFinder.NotesLabel()->text(), QStringLiteral("d fis a"));
    // The notes ended: the last chord stays listed.
    Ticks(kQuarterTicks + 1);
    EXPECT_EQ(FinderRows(), rows);

    // Chosen while recording, the scale goes into the song as a Scale window edit does.
    m_pView->OnCommand(ID_TRACK_RECORD);
    const int nRow = static_cast<int>(rows.indexOf(QStringLiteral("Natural Major : d  +4")));
    QListWidget* pList = m_pView->m_wndScaleFinder.List();
    pList->scrollToItem(pList->item(nRow));
    // A double click as the window system delivers one: press, release, then the second press
    // as a double click, and its release.
    const QPointF ptItem = pList->visualItemRect(pList->item(nRow)).center();
    for (const QEvent::Type eType : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                     QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        QMouseEvent event(eType, ptItem, pList->viewport()->mapToGlobal(ptItem), Qt::LeftButton,
                          eType == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(pList->viewport(), &event);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(m_pView->m_scale.m_nKeynote, 2);
    EXPECT_STREQ(m_pView->m_scale.GetName(), "Natural Major");
    EXPECT_EQ(m_pFrame->GetStatusBar().GetPaneText(CModeStatusBar::PANE_TONALITY),
              QStringLiteral("Natural Major : d"));
    EXPECT_EQ(m_pView->m_wndScale.ShownKeynote(), 2);
    EXPECT_TRUE(m_pView->m_song.IsModified());
    // Now d is the current keynote: its scales lead those of as many notes.
    EXPECT_EQ(FinderRows().at(5), QStringLiteral("Natural Major : d  +4"));
}

TEST_F(PlayedNotesTest, WhatWasPlayedLiveIsSavedForMidoAndInsertedIntoTheSong) {
    if (!HaveMido()) {
        GTEST_SKIP() << "python3 with mido is not installed";
    }
    // Nothing played yet: said so, nothing asked.
    m_pView->OnCommand(ID_FILE_SAVE_LAST_PLAYED);
    ASSERT_EQ(m_dialogs.m_messages.size(), 1u);
    EXPECT_TRUE(m_dialogs.m_saveStarts.empty());

    Ticks(5);
    PlayKeys({60, 64, 67});
    Ticks(50);
    PlayKeys({72});
    Ticks(30);
    // Played back, the song's notes are not kept as played.
    AddSongNote(50, 0, 384);
    m_pView->OnCommand(ID_TRACK_PLAY);
    Ticks(30);

    const std::filesystem::path path = m_dir / "idea";
    m_dialogs.m_savePaths.emplace_back(QString::fromStdString(path.string()), 1);
    m_pView->OnCommand(ID_FILE_SAVE_LAST_PLAYED);
    // Milliseconds from the first note, 50 ticks of 20 ms to the last; a quarter note lasts
    // 384 ticks at 15 a timer tick; all on the piano of channel 0.
    EXPECT_EQ(RunMidoTool("heard", path.string() + ".MID"),
              "0 0 60 512 0\n0 0 64 512 0\n0 0 67 512 0\n1000 0 72 512 0\n");

    const std::size_t nTracks = m_pView->m_song.m_tracks.size();
    m_pView->m_song.SetModified(false);
    m_pView->OnCommand(ID_FILE_INSERT_LAST_PLAYED);
    EXPECT_EQ(m_pView->m_song.m_tracks.size(), nTracks + 1);
    EXPECT_TRUE(m_pView->m_song.IsModified());
    EXPECT_EQ(m_pView->m_song.m_tracks.back().m_events.size(), 4u);
    // The piano of channel 0 is taken: the new track plays on the next free channel.
    EXPECT_EQ(m_pView->m_song.m_tracks.back().m_nChannel, 1);
}

TEST_F(PlayedNotesTest, ExportAudioWritesTheSongAsItPlays) {
    if (!HaveSox() || CFluidSynthPort::FindSoundFont().empty()) {
        GTEST_SKIP() << "sox or a SoundFont is missing";
    }
    AddSongNote(60, 0, 384);
    AddSongNote(64, 0, 384);
    AddSongNote(67, 0, 384);
    // At half the tempo and twice the note length the triad ends after 768 ticks at 7 a timer
    // tick: 2.2 s.
    m_pView->SetControl(CNotePlayer::kControlTempo, 50);
    m_pView->SetControl(CNotePlayer::kControlLengthPercent, 200);
    m_dialogs.m_savePaths.emplace_back(QString::fromStdString((m_dir / "song").string()), 1);
    m_pView->OnCommand(ID_FILE_EXPORT_AUDIO);
    const std::string file = (m_dir / "song.wav").string();
    const SAudioFacts facts = ReadAudioFacts(file);
    EXPECT_EQ(facts.nRate, CAudioExporter::kSampleRate);
    EXPECT_GE(facts.fSeconds, 2.2);
    // Still sounding just before its end, quiet at the end of the file.
    EXPECT_GT(SoxPeak(file, "2.1 0.05"), 0.002);
    EXPECT_LT(facts.fEndPeak, 0.001);
    EXPECT_TRUE(m_dialogs.m_messages.empty());
}

} // namespace
