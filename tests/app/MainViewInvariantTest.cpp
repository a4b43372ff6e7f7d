// Random but repeatable runs of what a player does, checked against what must always hold:
// every note that starts also ends, and the window shows the frame the view composed.
#include "ViewTestSupport.h"
#include "app/MainFrame.h"
#include "app/MainView.h"
#include "app/ShellDialogs.h"
#include "commands/CommandIds.h"
#include "midi/RecordingPort.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <memory>
#include <random>
#include <vector>

namespace {

// Nothing is opened or saved here; a message would mean a failing device.
class CNoDialogs : public IShellDialogs {
public:
    bool GetOpenPath(const QStringList&, QString&) override { return false; }
    bool GetSavePath(const QStringList&, const QStringList&, QString&, int&) override {
        return false;
    }
    void ShowMessage(const QString&, const QString&) override { ++m_nMessages; }
    QMessageBox::StandardButton Ask(const QString&, const QString&, QMessageBox::StandardButtons,
                                    QMessageBox::StandardButton) override {
        return QMessageBox::Discard; // New renews whatever was played
    }
    int m_nMessages = 0;
};

struct SKey {
    int nKey;
    Qt::KeyboardModifiers modifiers;
};

// Letters, the number row and its punctuation, keypad degrees, mode keys and tonality moves.
std::vector<SKey> PlayerKeys() {
    std::vector<SKey> keys;
    for (int nKey = Qt::Key_0; nKey <= Qt::Key_Z; ++nKey) {
        keys.push_back({nKey, Qt::NoModifier});
    }
    for (int nKey = Qt::Key_0; nKey <= Qt::Key_9; ++nKey) {
        keys.push_back({nKey, Qt::KeypadModifier});
    }
    for (int nKey : {Qt::Key_QuoteLeft, Qt::Key_F6, Qt::Key_F7, Qt::Key_F8, Qt::Key_Insert,
                     Qt::Key_Delete, Qt::Key_Minus, Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,
                     Qt::Key_Down, Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp}) {
        keys.push_back({nKey, Qt::NoModifier});
    }
    return keys;
}

// The view with its full composition open to the tests.
class CComposingView : public CMainView {
public:
    using CMainView::CMainView;
    using CMainView::InvalidateView;
};

// Each run starts from a new frame and view with the random sequence of its seed.
class InvariantTest : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override {
        m_rng.seed(GetParam());
        m_pFrame = std::make_unique<CMainFrame>();
        m_pView = ShowViewInFrame<CComposingView>(*m_pFrame, m_dialogs, m_pPort);
    }
    int Pick(int nCount) { return static_cast<int>(m_rng() % static_cast<unsigned>(nCount)); }
    template <class TList> auto PickOf(const TList& list) {
        return list[static_cast<std::size_t>(Pick(static_cast<int>(list.size())))];
    }

    void Key(QEvent::Type type, const SKey& key) {
        QKeyEvent event(type, key.nKey, key.modifiers, QString(), false);
        QApplication::sendEvent(m_pView, &event);
    }
    // A tap leaves no latch to the real timer.
    void Tap(int nKey) {
        Key(QEvent::KeyPress, {nKey, Qt::NoModifier});
        Key(QEvent::KeyRelease, {nKey, Qt::NoModifier});
    }
    void Mouse(QEvent::Type type, const QPoint& pt, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(type, QPointF(pt), m_pView->mapToGlobal(QPointF(pt)), button, buttons,
                          modifiers);
        QApplication::sendEvent(m_pView, &event);
    }
    // A copy of a random note inside the view; false when that note is scrolled out of it.
    bool RandomNotePoint(QPoint& pt) {
        const int nNote = Pick(CNoteGrid::kNotes);
        if (!m_pView->m_grid.NoteToPoint(nNote, pt)) {
            return false;
        }
        while (pt.x() < 20) {
            m_pView->m_grid.NextCopy(pt);
        }
        return m_pView->m_grid.PointToNote(pt.x(), pt.y()) == nNote;
    }
    void SetControl(std::uint32_t nCode, std::uint32_t nValue) {
        m_pView->SetControl(nCode, nValue);
        m_nLongest = std::max(m_nLongest, m_pView->m_song.m_nNoteLength);
        m_nMostPercent = std::max(m_nMostPercent, m_pView->m_song.m_nLengthPercent);
    }
    // Stops song and recording, then ticks past the longest note played back and the last
    // delayed one (a chromatic scale's, twelve half lengths late).
    void LetEverythingEnd() {
        if (m_pView->m_bPlaying) {
            m_pView->OnCommand(ID_TRACK_PLAY);
        }
        if (m_pView->m_bRecording) {
            m_pView->OnCommand(ID_TRACK_RECORD);
        }
        const std::uint64_t nTicks = std::uint64_t{m_nLongest} * (8 + m_nMostPercent / 100) /
                                     std::max<std::uint32_t>(m_pView->m_song.m_nStep, 1);
        for (std::uint64_t n = 0; n < nTicks + 4; ++n) {
            m_pView->OnTimerTick();
        }
    }
    // What sounds (a note-on until its note-off or a reset), what the scheduler will end and
    // what the keyboard shows are the same notes; a pressed piano key sounds (one note-off
    // releases it whatever other channels still play).
    bool SoundShownAndPendingAgree() {
        for (; m_nParsed < m_pPort->m_messages.size(); ++m_nParsed) {
            const std::uint32_t dwMsg = m_pPort->m_messages[m_nParsed];
            const std::uint32_t nStatus = dwMsg & 0xF0u;
            const std::size_t nNote = (dwMsg >> 8) & 0xFFu;
            if (dwMsg == CRecordingPort::kResetMarker) {
                m_sounding.fill({});
            } else if (nStatus == 0x90u && (dwMsg & 0xFF0000u) != 0) {
                m_sounding[dwMsg & 0x0Fu].set(nNote);
            } else if (nStatus == 0x80u || nStatus == 0x90u) {
                m_sounding[dwMsg & 0x0Fu].reset(nNote);
            }
        }
        for (std::uint8_t n = 0; n < CNoteGrid::kNotes; ++n) {
            const CNoteState& state = m_pView->m_grid.m_noteState[n];
            bool bAny = false;
            for (std::uint8_t c = 0; c < 16; ++c) {
                const bool bSounds = m_sounding[c].test(n);
                bAny = bAny || bSounds;
                if (bSounds != (m_pView->m_scheduler.FindNoteOff(c, n) != nullptr) ||
                    bSounds != (((state.m_wChannels[0] >> c) & 1) != 0)) {
                    ADD_FAILURE() << "channel " << int{c} << " note " << int{n};
                    return false;
                }
            }
            if (m_pView->m_grid.m_strip.IsPressed(n) && !bAny) {
                ADD_FAILURE() << "piano key " << int{n};
                return false;
            }
        }
        return true;
    }

    bool WindowShowsTheFrame() const { return ::WindowShowsTheFrame(*m_pFrame, *m_pView); }

    CNoDialogs m_dialogs;
    CRecordingPort* m_pPort = nullptr;
    std::unique_ptr<CMainFrame> m_pFrame;
    CComposingView* m_pView = nullptr;
    std::mt19937 m_rng;
    std::uint32_t m_nLongest = CSong::kDefaultTicksPerQuarter;
    std::uint32_t m_nMostPercent = 100;
    std::size_t m_nParsed = 0;
    std::array<std::bitset<256>, 16> m_sounding{};
};

TEST_P(InvariantTest, NoNoteIsLeftSoundingAfterAnyPlaying) {
    const std::vector<SKey> keys = PlayerKeys();
    constexpr std::array<std::uint32_t, 12> kEighths{1, 2, 3, 4, 6, 8, 12, 16, 20, 27, 32, 48};
    constexpr std::array<unsigned, 11> kCommands{
        ID_TOOLS_PLAY_SCALE,   ID_TRACK_PLAY,     ID_TRACK_RECORD,     ID_TOOLS_PLAY_SCALE,
        ID_TRACK_PLAY,         ID_TRACK_RECORD,   ID_TOOLS_RESET_MIDI, ID_TOOLS_CHORD_ARPEGGIO,
        ID_TRACK_IGNORE_SYSEX, ID_FILE_NEW_TRACK, ID_FILE_NEW_ALL};
    std::vector<SKey> held;
    QPoint pt;
    QPoint ptTo;
    for (int nStep = 0; nStep < 300 && SoundShownAndPendingAgree(); ++nStep) {
        const int nWhat = Pick(20);
        if (nWhat < 5) {
            held.push_back(PickOf(keys));
            Key(QEvent::KeyPress, held.back());
        } else if (nWhat < 8 && !held.empty()) {
            const auto it = held.begin() + Pick(static_cast<int>(held.size()));
            Key(QEvent::KeyRelease, *it);
            held.erase(it);
        } else if (nWhat == 8) {
            if (m_pView->IsLatchTimerRunning()) {
                m_pView->OnLatchExpired();
            }
            QWheelEvent event(QPointF(10, 10), m_pView->mapToGlobal(QPointF(10, 10)), QPoint(),
                              QPoint(0, Pick(2) == 0 ? 120 : -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(m_pView, &event);
        } else if (nWhat < 11 && RandomNotePoint(pt)) {
            // Left: a click or a drag from note to note; right: a tonality change (or a
            // note in pen mode), with Shift or Ctrl at times.
            const Qt::MouseButton button = nWhat == 9 ? Qt::LeftButton : Qt::RightButton;
            const std::array<Qt::KeyboardModifiers, 3> modifiers{Qt::NoModifier, Qt::ShiftModifier,
                                                                 Qt::ControlModifier};
            Mouse(QEvent::MouseMove, pt, Qt::NoButton, Qt::NoButton);
            Mouse(QEvent::MouseButtonPress, pt, button, button,
                  nWhat == 9 ? Qt::NoModifier : PickOf(modifiers));
            if (RandomNotePoint(ptTo)) {
                Mouse(QEvent::MouseMove, ptTo, Qt::NoButton, button);
            }
            Mouse(QEvent::MouseButtonRelease, ptTo, button, Qt::NoButton);
        } else if (nWhat == 11) {
            m_pView->OnCommand(PickOf(kCommands));
        } else if (nWhat == 12) {
            m_pView->OnCommand(Pick(2) == 0 ? ID_TONALITY_KEY_C + Pick(12)
                                            : ID_SCALE_MAJOR_NATURAL + Pick(25));
        } else if (nWhat == 13) {
            SetControl(CNotePlayer::kControlTempo, 20 + Pick(681));
            SetControl(CNotePlayer::kControlLengthPercent, 20 + Pick(681));
            SetControl(CNotePlayer::kControlNoteLength, PickOf(kEighths));
        } else if (nWhat == 14) {
            // The Orchestra window: an instrument more or less, another one played.
            const int nCount = static_cast<int>(m_pView->m_song.GetActiveTrackCount());
            if (Pick(2) == 0) {
                SetControl(CNotePlayer::kControlAddTrack, Pick(128));
            } else if (nCount > 1) {
                SetControl(CNotePlayer::kControlRemoveTrack + Pick(nCount), 0);
            }
            m_pView->m_nCurrentTrack = static_cast<std::uint8_t>(Pick(nCount));
        } else {
            for (int n = Pick(12); n >= 0; --n) {
                m_pView->OnTimerTick();
            }
        }
    }
    for (const SKey& key : held) {
        Key(QEvent::KeyRelease, key);
    }
    LetEverythingEnd();
    EXPECT_TRUE(SoundShownAndPendingAgree());
    EXPECT_TRUE(m_pView->m_scheduler.IsEmpty());
    EXPECT_TRUE(std::all_of(m_sounding.begin(), m_sounding.end(),
                            [](const std::bitset<256>& notes) { return notes.none(); }));
    EXPECT_EQ(m_dialogs.m_nMessages, 0);
}

TEST_P(InvariantTest, WindowShowsTheFrameAndARecompositionOnlyRestoresEndedRings) {
    constexpr std::array<int, 6> kMoves{Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,
                                        Qt::Key_Down, Qt::Key_Home,  Qt::Key_End};
    constexpr std::array<unsigned, 5> kCommands{ID_VIEW_SIMPLE, ID_TOOLS_CHORD_MODE,
                                                ID_TOOLS_CHORD_ARPEGGIO, ID_TOOLS_PLAY_SCALE,
                                                ID_TOOLS_RESET_MIDI};
    // The mouse never enters the view: only Shift drags, which scroll.
    for (int nStep = 0; nStep < 200; ++nStep) {
        const int nWhat = Pick(12);
        if (nWhat < 4) {
            Tap(nWhat < 3 ? Qt::Key_A + Pick(26) : Qt::Key_0 + Pick(10));
        } else if (nWhat < 7) {
            for (int n = Pick(20); n >= 0; --n) {
                m_pView->OnTimerTick();
            }
        } else if (nWhat == 7) {
            const QPoint pt(20 + Pick(600), 20 + Pick(400));
            const QPoint ptTo = pt + QPoint(Pick(161) - 80, Pick(161) - 80);
            Mouse(QEvent::MouseButtonPress, pt, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
            Mouse(QEvent::MouseMove, ptTo, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
            Mouse(QEvent::MouseButtonRelease, ptTo, Qt::LeftButton, Qt::NoButton);
        } else if (nWhat == 8 && Pick(2) == 0) {
            Tap(PickOf(kMoves));
        } else if (nWhat == 8) {
            m_pView->OnCommand(ID_SCALE_MAJOR_NATURAL + Pick(25));
        } else if (nWhat == 9) {
            m_pView->OnCommand(Pick(2) == 0 ? PickOf(kCommands) : ID_TONALITY_KEY_C + Pick(12));
        } else if (nWhat == 10) {
            SetControl(CNotePlayer::kControlEchoRange,
                       CNotePlayer::PackEchoRange(Pick(5), -Pick(5)));
        } else {
            // Once the events are processed the window shows the frame; a lit note reaches
            // it before the event loop runs again, a tick's notes when it has run.
            QCoreApplication::processEvents();
            ASSERT_TRUE(WindowShowsTheFrame()) << "step " << nStep;
            Pick(2) == 0 ? m_pView->OnTimerTick() : Tap(Qt::Key_A + Pick(26));
            ASSERT_TRUE(WindowShowsTheFrame()) << "step " << nStep;
            QCoreApplication::processEvents();
            ASSERT_TRUE(WindowShowsTheFrame()) << "step " << nStep;
        }
    }
    LetEverythingEnd();
    QCoreApplication::processEvents();
    ASSERT_EQ(m_pView->m_nCurrentNote, -1);
    EXPECT_TRUE(WindowShowsTheFrame());

    // An ended note's ring was painted in its cell's background colour over the character
    // circle: that alone may differ from a fresh composition, never a channel's colour,
    // another cell or a piano key.
    const QImage before = m_pView->GetFrame().copy();
    m_pView->InvalidateView();
    QCoreApplication::processEvents();
    EXPECT_TRUE(WindowShowsTheFrame());
    const QImage& after = m_pView->GetFrame();
    const QRgb rgbGrey = m_pView->m_grid.m_brGrey;
    const QRgb rgbWhite = m_pView->m_grid.m_brWhite;
    int nOther = 0;
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x) {
            const QRgb rgb = before.pixel(x, y);
            nOther += rgb != after.pixel(x, y) &&
                      (x >= m_pView->m_grid.m_strip.m_nLeft || (rgb != rgbWhite && rgb != rgbGrey));
        }
    }
    EXPECT_EQ(nOther, 0);
}

INSTANTIATE_TEST_SUITE_P(Invariant, InvariantTest, ::testing::Values(11u, 12u, 13u));

} // namespace
