#include "windows/OrchestraDlg.h"
#include "../midi/MidiTestUtil.h"
#include "StandInControl.h"
#include "midi/Song.h"

#include <QFocusEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kProgramChange = 0xC0;
constexpr int kViolin = 40;

class OrchestraDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dlg.Create(&m_player);
        m_sent = m_player.m_controls.size();
    }

    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (int r = 0; r < m_dlg.InstrumentList()->count(); ++r) {
            rows.push_back(m_dlg.InstrumentList()->item(r)->text().toStdString());
        }
        return rows;
    }
    // The controls sent since the last call.
    std::vector<SControl> Sent() {
        std::vector<SControl> sent(m_player.m_controls.begin() +
                                       static_cast<std::ptrdiff_t>(m_sent),
                                   m_player.m_controls.end());
        m_sent = m_player.m_controls.size();
        return sent;
    }
    // What a click on a row does: the list's selection changes.
    void ClickRow(int nRow) { m_dlg.InstrumentList()->setCurrentRow(nRow); }
    void Choose(int nRow, int nProgram) {
        ClickRow(nRow);
        m_dlg.OnInstrument(COrchestraDlg::kIdInstrumentFirst + nProgram);
    }
    void Delete(int nRow) {
        ClickRow(nRow);
        m_dlg.OnInstrument(COrchestraDlg::kIdInstrumentDelete);
    }
    void AddUpTo(int nCount) {
        while (m_dlg.Count() < nCount) {
            Choose(m_dlg.Count(), kViolin + m_dlg.Count() - 1);
        }
        Sent();
    }
    std::size_t ActiveTracks() const { return m_player.m_engine.m_song.GetActiveTrackCount(); }
    std::uint32_t LastMessage() { return m_player.Port().m_messages.back(); }
    QAction* FindAction(const QString& strText) const {
        for (QAction* pAction : m_dlg.InstrumentsMenu()->findChildren<QAction*>()) {
            if (pAction->text() == strText) {
                return pAction;
            }
        }
        return nullptr;
    }
    void FocusOut(Qt::FocusReason reason) {
        QFocusEvent event(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(m_dlg.InstrumentList(), &event);
    }

    CStandInControl m_player;
    COrchestraDlg m_dlg;
    std::size_t m_sent = 0;
};

TEST_F(OrchestraDlgTest, FreshWindowHasOnePianoAndAQuarterNote) {
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_TRUE(m_dlg.windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(m_dlg.windowTitle(), QStringLiteral("Orchestra"));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Acoustic Grand Piano", ""}));
    EXPECT_EQ(m_dlg.Count(), 1);
    EXPECT_EQ(m_dlg.InstrumentList()->currentRow(), 0);
    EXPECT_EQ(m_dlg.DurationSlider()->minimum(), 0);
    EXPECT_EQ(m_dlg.DurationSlider()->maximum(), 11);
    EXPECT_EQ(m_dlg.DurationSlider()->value(), 5);
    EXPECT_EQ(m_dlg.DurationStatic()->text(), QStringLiteral("8"));
    EXPECT_EQ(m_player.m_controls, (std::vector<SControl>{{0x0000, 0}, {0x0300, 8}}));
    EXPECT_EQ(m_player.GetCurrentTrack(), 0);
    // Through the player: one piano track on channel 0 behind the song's inactive track.
    EXPECT_EQ(m_player.m_engine.m_song.m_nNoteLength, 384u);
    ASSERT_EQ(ActiveTracks(), 1u);
    EXPECT_EQ(m_player.m_engine.m_song.GetActiveTrackChannel(0), 0);
    EXPECT_EQ(LastMessage(), kProgramChange);
    EXPECT_EQ(m_dlg.DurationStatic()->toolTip(), QStringLiteral("Note duration"));
    EXPECT_EQ(m_dlg.InstrumentList()->toolTip(), QStringLiteral("Doubleclick for changing"));
    EXPECT_TRUE(m_dlg.DurationSlider()->toolTip().isEmpty());

    // Reset (File > New) brings the same state back after edits.
    Choose(1, kViolin);
    m_dlg.DurationSlider()->setValue(2);
    m_player.m_engine.m_song.Reset();
    m_dlg.Reset();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Acoustic Grand Piano", ""}));
    EXPECT_EQ(m_dlg.DurationStatic()->text(), QStringLiteral("8"));
    EXPECT_EQ(m_player.GetCurrentTrack(), 0);
    EXPECT_EQ(ActiveTracks(), 1u);
}

TEST_F(OrchestraDlgTest, MenuHoldsTheGeneralMidiInstruments) {
    const QList<QAction*> top = m_dlg.InstrumentsMenu()->actions();
    ASSERT_EQ(top.size(), 18);
    EXPECT_EQ(top[5]->menu()->title(), QStringLiteral("Strings"));
    EXPECT_EQ(top[5]->menu()->actions()[0]->text(), QStringLiteral("Violin"));
    EXPECT_TRUE(top[16]->isSeparator());
    EXPECT_EQ(top[17]->text(), QStringLiteral("Delete"));
    EXPECT_EQ(COrchestraDlg::InstrumentText(33024 + 55), QStringLiteral("Orchestra Hit"));
    EXPECT_EQ(COrchestraDlg::InstrumentText(33024 + 63), QStringLiteral("Synth Brass 2"));
    EXPECT_EQ(COrchestraDlg::InstrumentText(33024 + 127), QStringLiteral("Gunshot"));
    EXPECT_TRUE(COrchestraDlg::InstrumentText(33024 + 128).isEmpty());
    for (int p = 0; p < COrchestraDlg::kProgramCount; ++p) {
        EXPECT_FALSE(COrchestraDlg::InstrumentText(33024 + p).isEmpty()) << p;
    }
}

TEST_F(OrchestraDlgTest, ViolinOnTheEmptyRowGetsTheLowestFreeChannel) {
    Choose(1, 42); // Cello on channel 1
    Sent();
    // A double click below the rows picks the empty row and opens the instruments; selecting
    // the empty row does not change the played instrument.
    m_dlg.show();
    QWidget* pViewport = m_dlg.InstrumentList()->viewport();
    QTest::mouseDClick(pViewport, Qt::LeftButton, {}, QPoint(10, pViewport->height() - 4));
    EXPECT_EQ(m_dlg.InstrumentList()->currentRow(), 2);
    EXPECT_TRUE(m_dlg.InstrumentsMenu()->isVisible());
    EXPECT_EQ(m_player.GetCurrentTrack(), 1);

    FindAction(QStringLiteral("Violin"))->trigger();
    m_dlg.InstrumentsMenu()->hide();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Acoustic Grand Piano", "Cello", "Violin", ""}));
    EXPECT_EQ(m_dlg.InstrumentList()->currentRow(), 2);
    EXPECT_EQ(m_player.GetCurrentTrack(), 2);
    EXPECT_EQ(Sent(), (std::vector<SControl>{{0x0000, kViolin}}));
    EXPECT_EQ(m_player.m_engine.m_song.GetActiveTrackChannel(2), 2);
    EXPECT_EQ(LastMessage(), (kProgramChange | 2u) | (kViolin << 8));

    // With channel 1 freed, the next instrument takes it.
    Delete(1);
    Choose(2, 73);
    EXPECT_EQ(m_player.m_engine.m_song.GetActiveTrackChannel(2), 1);
    EXPECT_EQ(LastMessage(), (kProgramChange | 1u) | (73u << 8));
}

TEST_F(OrchestraDlgTest, ReplacingARowSendsItsProgram) {
    Choose(0, 55);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Orchestra Hit", ""}));
    EXPECT_EQ(Sent(), (std::vector<SControl>{{0x0100, 55}}));
    EXPECT_EQ(LastMessage(), kProgramChange | (55u << 8));
    EXPECT_EQ(m_dlg.Count(), 1);
}

TEST_F(OrchestraDlgTest, FifteenRowsAreTheLimitForNewInstruments) {
    AddUpTo(15);
    const auto rows = Rows();
    Choose(15, 0);
    EXPECT_EQ(Rows(), rows);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(ActiveTracks(), 15u);

    Choose(14, 1);
    EXPECT_EQ(Rows()[14], "Bright Acoustic Piano");
    EXPECT_EQ(Sent(), (std::vector<SControl>{{0x010E, 1}}));
    EXPECT_EQ(m_player.GetCurrentTrack(), 14);
}

TEST_F(OrchestraDlgTest, DeleteRules) {
    // The only instrument and the empty row cannot be deleted.
    Delete(0);
    Delete(1);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Acoustic Grand Piano", ""}));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(ActiveTracks(), 1u);

    AddUpTo(4);
    const std::size_t nBefore = m_player.Port().m_messages.size();
    // A middle row: the same index stays selected and names the next instrument.
    Delete(1);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Acoustic Grand Piano", "Viola", "Cello", ""}));
    EXPECT_EQ(m_dlg.InstrumentList()->currentRow(), 1);
    EXPECT_EQ(m_player.GetCurrentTrack(), 1);
    EXPECT_EQ(Sent(), (std::vector<SControl>{{0x0201, 0}}));
    EXPECT_EQ(ActiveTracks(), 3u);
    // The programs of the remaining tracks went out again.
    EXPECT_EQ(m_player.Port().m_messages.size(), nBefore + 3);
    // The programs of the remaining tracks went out again.

    // The last row: the row above it is selected and played.
    Delete(2);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Acoustic Grand Piano", "Viola", ""}));
    EXPECT_EQ(m_dlg.InstrumentList()->currentRow(), 1);
    EXPECT_EQ(m_dlg.Selection(), 1);
    EXPECT_EQ(m_player.GetCurrentTrack(), 1);
    EXPECT_EQ(Sent(), (std::vector<SControl>{{0x0202, 0}}));
}

TEST_F(OrchestraDlgTest, LeavingTheEmptyRowSelectsTheLastInstrument) {
    AddUpTo(3);
    ClickRow(0);
    ClickRow(3);
    EXPECT_EQ(m_player.GetCurrentTrack(), 0);
    // The instruments menu opening takes no focus from the row it was opened for.
    FocusOut(Qt::PopupFocusReason);
    EXPECT_EQ(m_dlg.InstrumentList()->currentRow(), 3);
    FocusOut(Qt::TabFocusReason);
    EXPECT_EQ(m_dlg.InstrumentList()->currentRow(), 2);
    EXPECT_EQ(m_player.GetCurrentTrack(), 2);
    // On an instrument row the focus may go and come freely.
    ClickRow(1);
    FocusOut(Qt::ActiveWindowFocusReason);
    EXPECT_EQ(m_dlg.InstrumentList()->currentRow(), 1);
    EXPECT_EQ(m_player.GetCurrentTrack(), 1);
}

TEST_F(OrchestraDlgTest, SliderSendsTheDurationTable) {
    m_dlg.DurationSlider()->setValue(9);
    EXPECT_EQ(m_dlg.DurationStatic()->text(), QStringLiteral("27"));
    m_dlg.DurationSlider()->setValue(11);
    EXPECT_EQ(m_dlg.DurationStatic()->text(), QStringLiteral("48"));
    m_dlg.DurationSlider()->setValue(0);
    EXPECT_EQ(Sent(), (std::vector<SControl>{{0x0300, 27}, {0x0300, 48}, {0x0300, 1}}));
    EXPECT_EQ(m_player.m_engine.m_song.m_nNoteLength, 48u);
}

TEST_F(OrchestraDlgTest, RefillsFromOpenedSongs) {
    m_dlg.DurationSlider()->setValue(9);
    CSong& song = m_player.m_engine.m_song;

    // Three active tracks behind an inactive one, listed in file order.
    song.RemoveAllTracks();
    song.m_tracks.emplace_back();
    song.AddTrack(73);
    song.AddTrack(0);
    song.AddTrack(55);
    m_player.SetCurrentTrack(2);
    m_dlg.RefillFromSong(song);
    EXPECT_EQ(Rows(),
              (std::vector<std::string>{"Flute", "Acoustic Grand Piano", "Orchestra Hit", ""}));
    EXPECT_EQ(m_dlg.Count(), 3);
    EXPECT_EQ(m_dlg.InstrumentList()->currentRow(), 0);
    EXPECT_EQ(m_player.GetCurrentTrack(), 0);
    EXPECT_EQ(m_dlg.DurationSlider()->value(), 9);
    EXPECT_EQ(m_dlg.DurationStatic()->text(), QStringLiteral("27"));
    Sent();

    // No active tracks: only the empty row, where an instrument adds the first row.
    song.RemoveAllTracks();
    m_dlg.RefillFromSong(song);
    EXPECT_EQ(Rows(), (std::vector<std::string>{""}));
    EXPECT_EQ(m_dlg.Count(), 0);
    FocusOut(Qt::TabFocusReason);
    EXPECT_EQ(m_player.GetCurrentTrack(), 0);
    Delete(0);
    EXPECT_TRUE(Sent().empty());
    Choose(0, kViolin);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Violin", ""}));
    EXPECT_EQ(Sent(), (std::vector<SControl>{{0x0000, kViolin}}));
    EXPECT_EQ(ActiveTracks(), 1u);

    // Seventeen: all are listed; adding is refused, replacing and deleting work.
    song.RemoveAllTracks();
    for (int i = 0; i < 17; ++i) {
        song.AddTrack(static_cast<std::uint8_t>(i));
    }
    m_dlg.RefillFromSong(song);
    EXPECT_EQ(m_dlg.Count(), 17);
    EXPECT_EQ(m_dlg.InstrumentList()->count(), 18);
    EXPECT_EQ(Rows()[16], "Drawbar Organ");
    Choose(17, kViolin);
    EXPECT_EQ(m_dlg.Count(), 17);
    Choose(16, kViolin);
    EXPECT_EQ(Rows()[16], "Violin");
    Delete(16);
    EXPECT_EQ(m_dlg.Count(), 16);
    EXPECT_EQ(m_dlg.InstrumentList()->currentRow(), 15);
    EXPECT_EQ(Sent(), (std::vector<SControl>{{0x0110, kViolin}, {0x0210, 0}}));
    EXPECT_EQ(ActiveTracks(), 16u);
}

TEST_F(OrchestraDlgTest, ListsEveryInstrumentOfAFormatZeroFile) {
    // One track: a violin on channel 0, a bass on channel 1, drums on channel 9 without a
    // program, and a set-up of channel 5 that plays nothing.
    const Bytes file =
        MakeSmf(0, 96, {{0x00, 0xC0, 40, 0x00, 0xC1, 33,   0x00, 0xC5, 70,   0x00, 0x90, 60, 100,
                         0x00, 0x91, 36, 100,  0x00, 0x99, 42,   100,  0x60, 0x80, 60,   0,  0x00,
                         0x81, 36,   0,  0x00, 0x89, 42,   0,    0x00, 0xFF, 0x2F, 0}});
    CSong& song = m_player.m_engine.m_song;
    ASSERT_TRUE(song.LoadMemory(file.data(), file.size()));
    m_dlg.RefillFromSong(song);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Violin", "Electric Bass (finger)",
                                                "Acoustic Grand Piano", ""}));
    ClickRow(1);
    EXPECT_EQ(song.GetActiveTrackChannel(m_player.GetCurrentTrack()), 1);
    ClickRow(2);
    EXPECT_EQ(song.GetActiveTrackChannel(m_player.GetCurrentTrack()), 9);
}

TEST_F(OrchestraDlgTest, RowsBeyondWhatTheCodesNameAreGreyed) {
    CSong& song = m_player.m_engine.m_song;
    song.RemoveAllTracks();
    for (int i = 0; i < 300; ++i) {
        song.AddTrack(static_cast<std::uint8_t>(i % 128));
    }
    m_dlg.RefillFromSong(song);
    QListWidget* pList = m_dlg.InstrumentList();
    EXPECT_TRUE(pList->item(255)->flags().testFlag(Qt::ItemIsEnabled));
    EXPECT_FALSE(pList->item(256)->flags().testFlag(Qt::ItemIsEnabled));
    // Moving down from the last row that can be played passes over the greyed ones.
    ClickRow(255);
    QTest::keyClick(pList, Qt::Key_Down);
    EXPECT_EQ(pList->currentRow(), 300);
    EXPECT_EQ(m_player.GetCurrentTrack(), 255);
    // A row deleted above them moves the first of them into reach.
    Delete(10);
    EXPECT_TRUE(pList->item(255)->flags().testFlag(Qt::ItemIsEnabled));
    EXPECT_FALSE(pList->item(256)->flags().testFlag(Qt::ItemIsEnabled));
}

TEST_F(OrchestraDlgTest, ListFillsTheResizedWindow) {
    m_dlg.show();
    m_dlg.resize(300, 200);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(m_dlg.InstrumentList()->geometry(), QRect(5, 23, 292, 173));
    m_dlg.resize(120, 60);
    EXPECT_EQ(m_dlg.InstrumentList()->geometry(), QRect(5, 23, 112, 33));
}

TEST_F(OrchestraDlgTest, EscReportsTheWindowHidden) {
    QSignalSpy spy(&m_dlg, &COrchestraDlg::shownChanged);
    m_dlg.show();
    QTest::keyClick(&m_dlg, Qt::Key_Escape);
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_FALSE(m_dlg.IsShown());
    ASSERT_EQ(spy.count(), 2);
    EXPECT_FALSE(spy.at(1).at(0).toBool());
}

} // namespace
