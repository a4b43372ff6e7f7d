#include "app/MainView.h"
#include "StandInDialogs.h"
#include "ViewTestSupport.h"
#include "app/MainFrame.h"
#include "app/ModeStatusBar.h"
#include "app/ShellDialogs.h"
#include "app/ToolBar.h"
#include "commands/CommandIds.h"
#include "midi/RecordingPort.h"
#include "theory/ModeFlags.h"

#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t NoteOn(int nChannel, int nNote) {
    return static_cast<std::uint32_t>(0x90 + nChannel + (nNote << 8) + (0x7F << 16));
}

const QString kTmp = QStringLiteral(VORKELN_TEST_TMP);

// The view with its frame batches open to the tests.
class CBatchView : public CMainView {
public:
    using CKeyboard::BeginFrameBatch;
    using CKeyboard::EndFrameBatch;
    using CMainView::CMainView;
};

class MainViewTest : public ::testing::Test {
protected:
    void SetUp() override { Build(false); }

    void Build(bool bFailOpen) {
        m_pFrame = std::make_unique<CMainFrame>();
        m_pView = ShowViewInFrame<CBatchView>(*m_pFrame, m_dialogs, m_pPort, bFailOpen);
        m_pPort->m_messages.clear();
    }

    std::vector<std::uint32_t>& Messages() { return m_pPort->m_messages; }

    void Key(QEvent::Type type, int nKey, const QString& strText = QString(),
             bool bAutoRepeat = false, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(type, nKey, modifiers, strText, bAutoRepeat);
        QApplication::sendEvent(m_pView, &event);
    }
    void Tap(int nKey, const QString& strText = QString()) {
        Key(QEvent::KeyPress, nKey, strText);
        Key(QEvent::KeyRelease, nKey, strText);
    }

    void Move(const QPoint& pt, Qt::MouseButtons buttons = Qt::NoButton,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(QEvent::MouseMove, QPointF(pt), m_pView->mapToGlobal(QPointF(pt)),
                          Qt::NoButton, buttons, modifiers);
        QApplication::sendEvent(m_pView, &event);
    }
    void Press(const QPoint& pt, Qt::MouseButton button,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(pt), m_pView->mapToGlobal(QPointF(pt)),
                          button, button, modifiers);
        QApplication::sendEvent(m_pView, &event);
    }
    void Release(const QPoint& pt, Qt::MouseButton button) {
        QMouseEvent event(QEvent::MouseButtonRelease, QPointF(pt),
                          m_pView->mapToGlobal(QPointF(pt)), button, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_pView, &event);
    }
    void Wheel(int nDelta) {
        QWheelEvent event(QPointF(10, 10), m_pView->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, nDelta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(m_pView, &event);
    }

    // Where a note shows, inside the view.
    QPoint PointOf(int nNote) const {
        QPoint pt;
        m_pView->m_grid.NoteToPoint(nNote, pt);
        while (pt.x() < 20) {
            m_pView->m_grid.NextCopy(pt);
        }
        return pt;
    }

    int Inversion() const {
        return static_cast<int>((m_pView->m_dwFlags & kFlagInversionMask) >> kInversionShift);
    }

    bool Checked(unsigned nID) const { return m_pFrame->IsMenuItemChecked(nID); }

    bool WindowShowsTheFrame() const { return ::WindowShowsTheFrame(*m_pFrame, *m_pView); }

    CStandInDialogs m_dialogs;
    CRecordingPort* m_pPort = nullptr;
    std::unique_ptr<CMainFrame> m_pFrame;
    CMainView* m_pView = nullptr;
};

TEST_F(MainViewTest, StartsInCNaturalMajorWithThePianoTrack) {
    EXPECT_EQ(m_pFrame->GetStatusBar().GetPaneText(CModeStatusBar::PANE_TONALITY),
              QStringLiteral("Natural Major : c"));
    EXPECT_TRUE(Checked(ID_TONALITY_KEY_C));
    EXPECT_EQ(m_pView->m_song.GetActiveTrackCount(), 1u);
    EXPECT_EQ(m_pView->m_song.m_nNoteLength, 384u);
    EXPECT_TRUE(m_pView->m_tickTimer.timerType() == Qt::PreciseTimer);
    EXPECT_EQ(m_pView->m_tickTimer.interval(), 20);
    EXPECT_TRUE(m_dialogs.m_messages.empty());
}

TEST_F(MainViewTest, LetterKeysPlayTheLatticeOrThePiano) {
    Tap(Qt::Key_Q, QStringLiteral("q"));
    EXPECT_EQ(Messages(), std::vector<std::uint32_t>{NoteOn(0, 53)});

    Tap(Qt::Key_F8);
    EXPECT_TRUE((m_pView->m_dwFlags & kFlagKlavierMode) != 0);
    EXPECT_TRUE(Checked(ID_TOOLS_KLAVIER_MODE));
    Messages().clear();
    Tap(Qt::Key_Q, QStringLiteral("q"));
    EXPECT_EQ(Messages(), std::vector<std::uint32_t>{NoteOn(0, 60)});
}

TEST_F(MainViewTest, HeldKeyPlaysOnceAndItsReleaseEndsNothing) {
    Key(QEvent::KeyPress, Qt::Key_W, QStringLiteral("w"));
    for (int i = 0; i < 5; ++i) {
        Key(QEvent::KeyRelease, Qt::Key_W, QStringLiteral("w"), true);
        Key(QEvent::KeyPress, Qt::Key_W, QStringLiteral("w"), true);
    }
    Key(QEvent::KeyRelease, Qt::Key_W, QStringLiteral("w"));
    EXPECT_EQ(Messages(), std::vector<std::uint32_t>{NoteOn(0, 54)});
}

TEST_F(MainViewTest, ModeKeyLatchesWhenTappedAndIsMomentaryWhenHeld) {
    Key(QEvent::KeyPress, Qt::Key_F8);
    EXPECT_TRUE(m_pView->IsLatchTimerRunning());
    EXPECT_EQ(m_pView->m_latchTimer.interval(), 300);
    EXPECT_TRUE(m_pView->m_latchTimer.isSingleShot());
    Key(QEvent::KeyRelease, Qt::Key_F8);
    EXPECT_FALSE(m_pView->IsLatchTimerRunning());
    EXPECT_EQ(m_pView->m_dwFlags & (kFlagKlavierMode | kFlagLatch), kFlagKlavierMode);

    // Held past the latch time: Klavier mode only while the key is down.
    Key(QEvent::KeyPress, Qt::Key_F8);
    EXPECT_EQ(m_pView->m_dwFlags & kFlagKlavierMode, 0u);
    m_pView->OnLatchExpired();
    EXPECT_FALSE(m_pView->IsLatchTimerRunning());
    EXPECT_EQ(m_pView->m_dwFlags & kFlagLatch, 0u);
    Key(QEvent::KeyRelease, Qt::Key_F8);
    EXPECT_EQ(m_pView->m_dwFlags & kFlagKlavierMode, kFlagKlavierMode);
    EXPECT_TRUE(Checked(ID_TOOLS_KLAVIER_MODE));
}

TEST_F(MainViewTest, MenuCommandTogglesLikeTheKeyExceptWhileLatched) {
    m_pView->OnCommand(ID_TOOLS_CHORD_MODE);
    EXPECT_EQ(m_pView->m_dwFlags & kFlagChordMode, kFlagChordMode);
    EXPECT_TRUE(Checked(ID_TOOLS_CHORD_MODE));
    EXPECT_EQ(m_pFrame->GetToolBar().GetButtonImage(ID_TOOLS_CHORD_MODE), 7 + 9);
    Tap(Qt::Key_QuoteLeft, QStringLiteral("`"));
    EXPECT_EQ(m_pView->m_dwFlags & kFlagChordMode, 0u);
    EXPECT_FALSE(Checked(ID_TOOLS_CHORD_MODE));
    EXPECT_EQ(m_pFrame->GetToolBar().GetButtonImage(ID_TOOLS_CHORD_MODE), 7);

    // While a mode key is still within its latch time, the command changes nothing.
    Key(QEvent::KeyPress, Qt::Key_F6);
    const std::uint32_t dwFlags = m_pView->m_dwFlags;
    m_pView->OnCommand(ID_TOOLS_PEN_MODE);
    EXPECT_EQ(m_pView->m_dwFlags & kFlagPenMode, 0u);
    EXPECT_EQ(m_pView->m_dwFlags & ~kFlagLatch, dwFlags & ~kFlagLatch);
}

TEST_F(MainViewTest, WheelTurnsTheInversionInChordModeOnly) {
    Wheel(120);
    EXPECT_EQ(Inversion(), 0);
    Tap(Qt::Key_QuoteLeft, QStringLiteral("`"));
    Tap(Qt::Key_3, QStringLiteral("3")); // a triad: three inversions
    ASSERT_EQ((m_pView->m_dwFlags & kFlagChordSizeMask) >> kChordSizeShift, 3u);
    Wheel(120);
    EXPECT_EQ(Inversion(), 1);
    Wheel(240);
    EXPECT_EQ(Inversion(), 0);
    Wheel(-120);
    EXPECT_EQ(Inversion(), 2);
    Wheel(60); // less than a notch
    Wheel(-119);
    EXPECT_EQ(Inversion(), 2);
    EXPECT_EQ(m_pFrame->GetStatusBar().GetFlags(), m_pView->m_dwFlags);
}

TEST_F(MainViewTest, SmallWheelStepsAddUpToWholeNotches) {
    Tap(Qt::Key_QuoteLeft, QStringLiteral("`"));
    Tap(Qt::Key_3, QStringLiteral("3"));
    const struct {
        std::vector<int> deltas;
        int nInversion; // after them, from 0
    } cases[] = {{{40, 40, 40}, 1},
                 {{40, 40}, 0},
                 {{120}, 1},
                 {{-40, -40, -40}, 2},
                 {{30, 30, 30, 30, 30, 30, 30, 30}, 2},
                 {{-120, 240}, 1}};
    for (const auto& c : cases) {
        // Each row starts from inversion 0 with nothing left over.
        m_pView->OnCommand(ID_TOOLS_CHORD_MODE);
        Tap(Qt::Key_QuoteLeft, QStringLiteral("`"));
        ASSERT_EQ(Inversion(), 0);
        for (int nDelta : c.deltas) {
            Wheel(nDelta);
        }
        EXPECT_EQ(Inversion(), c.nInversion) << c.deltas.size() << " steps of " << c.deltas[0];
        while (Inversion() != 0) {
            Wheel(120);
        }
    }
}

TEST_F(MainViewTest, ZoomCommandsScaleTheLatticeAndItsHitTests) {
    const struct {
        unsigned nID;
        int nZoom;
    } steps[] = {{ID_VIEW_ZOOM_IN, 3},  {ID_VIEW_ZOOM_IN, 4},  {ID_VIEW_ZOOM_ACTUAL, 2},
                 {ID_VIEW_ZOOM_OUT, 1}, {ID_VIEW_ZOOM_OUT, 1}, {ID_VIEW_ZOOM_IN, 2},
                 {ID_VIEW_ZOOM_IN, 3},  {ID_VIEW_ZOOM_IN, 4},  {ID_VIEW_ZOOM_IN, 5},
                 {ID_VIEW_ZOOM_IN, 6},  {ID_VIEW_ZOOM_IN, 6},  {ID_VIEW_ZOOM_ACTUAL, 2}};
    for (const auto& step : steps) {
        m_pView->OnCommand(step.nID);
        EXPECT_EQ(m_pView->m_grid.GetZoom(), step.nZoom);
        EXPECT_EQ(m_pView->m_grid.m_nCellDY, 3 * step.nZoom);
        EXPECT_EQ(m_pView->m_grid.m_strip.m_nLeft,
                  m_pView->width() - CPianoStrip::kWidth * step.nZoom / 2);
        // The mouse finds the note where it is drawn now.
        const QPoint pt = PointOf(60);
        Move(pt);
        EXPECT_EQ(m_pView->m_nCurrentNote, 60) << "zoom " << step.nZoom;
    }
}

TEST_F(MainViewTest, KeyLabelsFollowTheModeKeysAndTheScale) {
    EXPECT_FALSE(m_pView->m_grid.HasLabels());
    m_pView->OnCommand(ID_VIEW_KEY_LABELS);
    ASSERT_TRUE(m_pView->m_grid.HasLabels());
    EXPECT_TRUE(Checked(ID_VIEW_KEY_LABELS));
    // The lattice patch: Q plays 53, A 50, the keypad's 0 the keynote of octave 3.
    EXPECT_EQ(m_pView->m_grid.KeyLabel(53), QStringLiteral("Q"));
    EXPECT_EQ(m_pView->m_grid.KeyLabel(50), QStringLiteral("A"));
    EXPECT_EQ(m_pView->m_grid.DegreeLabel(m_pView->m_scale.DegreeToNote(0)), QStringLiteral("0"));
    // Klavier mode: Q plays the C above it.
    Tap(Qt::Key_F8);
    EXPECT_EQ(m_pView->m_grid.KeyLabel(60), QStringLiteral("Q"));
    Tap(Qt::Key_F8);
    EXPECT_EQ(m_pView->m_grid.KeyLabel(53), QStringLiteral("Q"));
    // The degrees move with the keynote.
    m_pView->OnCommand(ID_TONALITY_KEY_D);
    EXPECT_EQ(m_pView->m_grid.DegreeLabel(m_pView->m_scale.DegreeToNote(0)), QStringLiteral("0"));
    m_pView->OnCommand(ID_VIEW_KEY_LABELS);
    EXPECT_FALSE(m_pView->m_grid.HasLabels());
    EXPECT_FALSE(Checked(ID_VIEW_KEY_LABELS));
}

TEST_F(MainViewTest, TonalityPaneFitsEveryScaleAndKeynote) {
    const QLabel* pPane =
        static_cast<const QLabel*>(m_pFrame->GetStatusBar().GetPane(CModeStatusBar::PANE_TONALITY));
    for (unsigned nScale = ID_SCALE_MAJOR_NATURAL; nScale <= ID_SCALE_CHROMATIC; ++nScale) {
        m_pView->OnCommand(nScale);
        for (unsigned nKey = ID_TONALITY_KEY_C; nKey <= ID_TONALITY_KEY_B; ++nKey) {
            m_pView->OnCommand(nKey);
            const QString strText = pPane->text();
            EXPECT_GE(pPane->contentsRect().width(),
                      pPane->fontMetrics().horizontalAdvance(strText))
                << strText.toStdString();
            EXPECT_GE(pPane->width(), 120);
        }
    }
}

TEST_F(MainViewTest, PenModeTakesTheMouseRingAwayAndChangesTheCursorAtOnce) {
    const QPoint pt = PointOf(60);
    Move(pt);
    ASSERT_EQ(m_pView->m_nCurrentNote, 60);
    EXPECT_EQ(m_pView->m_grid.m_noteState[60].m_bHover, 1);
    EXPECT_EQ(m_pView->cursor().shape(), Qt::ArrowCursor);

    Tap(Qt::Key_F7);
    EXPECT_EQ(m_pView->m_nCurrentNote, -1);
    EXPECT_EQ(m_pView->m_grid.m_noteState[60].m_bHover, 0);
    EXPECT_NE(m_pView->cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(Checked(ID_TOOLS_PEN_MODE));
    EXPECT_EQ(m_pFrame->GetToolBar().GetButtonImage(ID_TOOLS_PEN_MODE), 8 + 9);

    // The left button draws instead of playing; the right one plays.
    Move(pt);
    Press(pt, Qt::LeftButton);
    Move(pt + QPoint(30, 0), Qt::LeftButton);
    Release(pt + QPoint(30, 0), Qt::LeftButton);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(m_pView->m_image.GetImage().pixel(pt + QPoint(15, 0)) & 0xFFFFFFu, 0u);
    Move(pt);
    Press(pt, Qt::RightButton);
    EXPECT_EQ(Messages(), std::vector<std::uint32_t>{NoteOn(0, 60)});
    Release(pt, Qt::RightButton);

    // The pen chosen on the status bar is the one the strokes take.
    CModeStatusBar& bar = m_pFrame->GetStatusBar();
    bar.SetColorChooser([](const QColor&) { return std::optional<QColor>(QColor(255, 0, 0)); });
    bar.SetPenWidthChooser([](QMenu&) { return unsigned{ID_PEN_WIDTH_10}; });
    QWidget* pPen = bar.GetPane(CModeStatusBar::PANE_PEN);
    QTest::mouseClick(pPen, Qt::LeftButton);
    QTest::mouseClick(pPen, Qt::RightButton);
    const QPoint ptLow = pt + QPoint(0, 40);
    Press(ptLow, Qt::LeftButton);
    Move(ptLow + QPoint(30, 0), Qt::LeftButton);
    Release(ptLow + QPoint(30, 0), Qt::LeftButton);
    const QImage& image = m_pView->m_image.GetImage();
    EXPECT_EQ(image.pixel(ptLow + QPoint(15, 0)) & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(image.pixel(ptLow + QPoint(15, 4)) & 0xFFFFFFu, 0xFF0000u);
}

TEST_F(MainViewTest, ClickAndDragPlayEveryNoteEntered) {
    Move(PointOf(60));
    Press(PointOf(60), Qt::LeftButton);
    Move(PointOf(64), Qt::LeftButton);
    Release(PointOf(64), Qt::LeftButton);
    Move(PointOf(67));
    EXPECT_EQ(Messages(), (std::vector<std::uint32_t>{NoteOn(0, 60), NoteOn(0, 64)}));

    // Dragged out of the view, over the bars or past its edges, the button plays nothing more.
    Messages().clear();
    Press(PointOf(67), Qt::LeftButton);
    for (const QPoint& pt : {QPoint(40, -10), QPoint(-10, 40), QPoint(40, m_pView->height() + 5),
                             QPoint(m_pView->width() + 5, 40)}) {
        Move(pt, Qt::LeftButton);
        EXPECT_EQ(m_pView->m_nCurrentNote, -1);
    }
    Release(QPoint(40, -10), Qt::LeftButton);
    EXPECT_EQ(Messages(), std::vector<std::uint32_t>{NoteOn(0, 67)});
}

TEST_F(MainViewTest, ShiftDragScrollsTheKeyboard) {
    const int nOriginX = m_pView->m_grid.m_nOriginX;
    const int nOriginY = m_pView->m_grid.m_nOriginY;
    Press(QPoint(100, 100), Qt::LeftButton, Qt::ShiftModifier);
    Move(QPoint(130, 110), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(m_pView->m_grid.m_nOriginX, (nOriginX + 30) % 192);
    EXPECT_EQ(m_pView->m_grid.m_nOriginY, nOriginY + 10);
    Release(QPoint(130, 110), Qt::LeftButton);
    EXPECT_EQ(m_pView->m_bDragging, 0);
    Move(QPoint(160, 110), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(m_pView->m_grid.m_nOriginX, (nOriginX + 30) % 192);
}

TEST_F(MainViewTest, RightButtonMovesTheTonalityWithShiftAndCtrl) {
    const QPoint ptD = PointOf(62);
    Move(ptD);
    ASSERT_EQ(m_pView->m_nCurrentNote, 62);
    Press(ptD, Qt::RightButton, Qt::ShiftModifier);
    EXPECT_EQ(m_pFrame->GetStatusBar().GetPaneText(CModeStatusBar::PANE_TONALITY),
              QStringLiteral("Dorian : c"));
    Press(ptD, Qt::RightButton, Qt::ControlModifier);
    // The same notes as C Dorian with d as the keynote.
    EXPECT_EQ(m_pFrame->GetStatusBar().GetPaneText(CModeStatusBar::PANE_TONALITY),
              QStringLiteral("Phrygian : d"));
    const QPoint ptE = PointOf(64);
    Move(ptE);
    Press(ptE, Qt::RightButton);
    EXPECT_EQ(m_pView->m_scale.m_nKeynote, 4);
    // The Keynote menu marks the keynote the click made.
    EXPECT_TRUE(Checked(ID_TONALITY_KEY_E));
    EXPECT_FALSE(Checked(ID_TONALITY_KEY_D));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(MainViewTest, NoteHighlightIsCopiedWhileAnInvalidationComposesAgain) {
    // A line on the drawing image that nothing has shown yet: only a composition shows it.
    m_pView->m_image.DrawLine(QPoint(0, 5), QPoint(800, 5));
    m_pView->PlayKey(60);
    const QImage lit = m_pView->GetFrame().copy();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_pView->GetFrame() == lit);
    m_pView->OnCommand(ID_TONALITY_KEY_C);
    QCoreApplication::processEvents();
    EXPECT_FALSE(m_pView->GetFrame() == lit);
    EXPECT_TRUE(m_pView->m_grid.m_noteState[60].IsSounding());
}

TEST_F(MainViewTest, WindowShowsTheFrameAfterNoteUpdates) {
    // Note updates copy only their changed rectangles into the window's pixels.
    ASSERT_NE(m_pView->mapTo(m_pFrame.get(), QPoint(0, 0)).y(), 0);
    // The frame grows with the window: it covers the window whole.
    ASSERT_TRUE(m_pView->GetFrame().rect().contains(m_pView->rect()));
    m_pView->PlayKey(60);
    QCoreApplication::processEvents();
    EXPECT_TRUE(WindowShowsTheFrame());
    m_pView->PlayKey(67);
    Move(PointOf(64));
    QCoreApplication::processEvents();
    EXPECT_TRUE(WindowShowsTheFrame());
    m_pView->ResetMidi();
    QCoreApplication::processEvents();
    EXPECT_TRUE(WindowShowsTheFrame());
}

TEST_F(MainViewTest, RingsUnderTheDrawingReachTheWindowWithIt) {
    // A line across the middle of a note's ring: where they cross, the drawing wins.
    const QPoint pt = PointOf(60);
    m_pView->m_ptDrag = QPoint(0, pt.y());
    m_pView->StrokeTo(QPoint(m_pView->width(), pt.y()));
    QCoreApplication::processEvents();
    ASSERT_TRUE(WindowShowsTheFrame());
    m_pView->PlayKey(60);
    m_pView->PlayKey(64);
    QCoreApplication::processEvents();
    EXPECT_TRUE(WindowShowsTheFrame());
    // The same picture as a full composition.
    m_pView->ComposeFrame();
    EXPECT_TRUE(WindowShowsTheFrame());
}

TEST_F(MainViewTest, PaintForPartOfTheChangesLeavesTheRestToALaterPaint) {
    // As when a dialog's event loop paints a corner in the middle of a batch: the notes the
    // batch lit before it still reach the window, and later ones are drawn over the right
    // picture.
    auto* pView = static_cast<CBatchView*>(m_pView);
    pView->BeginFrameBatch();
    m_pView->PlayKey(60);
    m_pView->repaint(QRect(0, 0, 4, 4));
    pView->EndFrameBatch();
    EXPECT_TRUE(WindowShowsTheFrame());
    QCoreApplication::processEvents();
    m_pView->PlayKey(64);
    EXPECT_TRUE(WindowShowsTheFrame());
    m_pView->ResetMidi();
    QCoreApplication::processEvents();
    EXPECT_TRUE(WindowShowsTheFrame());
}

// Counts the paint events a widget receives.
class CPaintCounter : public QObject {
public:
    bool eventFilter(QObject* /*pWatched*/, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::Paint) {
            ++m_nPaints;
        }
        return false;
    }
    int m_nPaints = 0;
};

TEST_F(MainViewTest, KeysShowTheirNotesAtOnceAndTicksRightAfterInOnePaint) {
    CPaintCounter counter;
    m_pView->installEventFilter(&counter);

    // A four-note chord from one key: every ring is in the window before the event loop runs
    // again, and it took one paint.
    Tap(Qt::Key_QuoteLeft, QStringLiteral("`"));
    Tap(Qt::Key_4, QStringLiteral("4"));
    QCoreApplication::processEvents();
    counter.m_nPaints = 0;
    Key(QEvent::KeyPress, Qt::Key_Q, QStringLiteral("q"));
    int nSounding = 0;
    for (const CNoteState& state : m_pView->m_grid.m_noteState) {
        nSounding += state.IsSounding() ? 1 : 0;
    }
    EXPECT_GE(nSounding, 4);
    EXPECT_EQ(counter.m_nPaints, 1);
    EXPECT_TRUE(WindowShowsTheFrame());
    Key(QEvent::KeyRelease, Qt::Key_Q, QStringLiteral("q"));

    // The chord's notes end together in one tick. The tick itself paints nothing, so its MIDI
    // waits for no picture; as soon as the event loop is back, one paint shows them all. A
    // tick that changes nothing paints nothing.
    bool bEnded = false;
    for (int nTick = 0; nTick < 500 && !bEnded; ++nTick) {
        counter.m_nPaints = 0;
        m_pView->OnTimerTick();
        EXPECT_EQ(counter.m_nPaints, 0) << "tick " << nTick;
        QCoreApplication::processEvents();
        bEnded =
            std::none_of(m_pView->m_grid.m_noteState.begin(), m_pView->m_grid.m_noteState.end(),
                         [](const CNoteState& state) { return state.IsSounding(); });
        EXPECT_EQ(counter.m_nPaints, bEnded ? 1 : 0) << "tick " << nTick;
    }
    ASSERT_TRUE(bEnded);
    EXPECT_TRUE(WindowShowsTheFrame());
    m_pView->removeEventFilter(&counter);
}

TEST_F(MainViewTest, PlayCommandStartsFromTheBeginningAndStops) {
    m_pView->OnCommand(ID_TRACK_PLAY);
    EXPECT_TRUE(m_pView->m_bPlaying);
    EXPECT_TRUE(Checked(ID_TRACK_PLAY));
    EXPECT_EQ(m_pFrame->GetToolBar().GetButtonImage(ID_TRACK_PLAY), 4 + 9);
    m_pView->OnCommand(ID_TRACK_PLAY);
    EXPECT_FALSE(m_pView->m_bPlaying);
    EXPECT_FALSE(Checked(ID_TRACK_PLAY));
    // An empty song ends by itself at the first tick.
    m_pView->OnCommand(ID_TRACK_PLAY);
    m_pView->OnTimerTick();
    EXPECT_FALSE(m_pView->m_bPlaying);
    EXPECT_FALSE(Checked(ID_TRACK_PLAY));
}

TEST_F(MainViewTest, ToolWindowsToggleWithTheirCheckMarks) {
    m_pView->OnCommand(ID_VIEW_SCALE_WINDOW);
    EXPECT_TRUE(m_pView->m_wndScale.IsShown());
    EXPECT_TRUE(Checked(ID_VIEW_SCALE_WINDOW));
    m_pView->OnCommand(ID_VIEW_SCALE_WINDOW);
    EXPECT_FALSE(m_pView->m_wndScale.IsShown());
    EXPECT_FALSE(Checked(ID_VIEW_SCALE_WINDOW));

    m_pView->OnCommand(ID_ACTIVATE_ORCHESTRA_WINDOW);
    EXPECT_TRUE(m_pView->m_wndOrchestra.IsShown());
    EXPECT_TRUE(Checked(ID_VIEW_ORCHESTRA_WINDOW));
    m_pView->OnCommand(ID_ACTIVATE_ORCHESTRA_WINDOW);
    EXPECT_TRUE(m_pView->m_wndOrchestra.IsShown());
    // Closed by its own close box: the menu follows.
    m_pView->m_wndOrchestra.reject();
    EXPECT_FALSE(m_pView->m_wndOrchestra.IsShown());
    EXPECT_FALSE(Checked(ID_VIEW_ORCHESTRA_WINDOW));

    m_pView->OnCommand(ID_TONALITY_CUSTOM);
    EXPECT_TRUE(m_pView->m_wndScale.IsShown());
    m_pView->OnCommand(ID_VIEW_OPTIONS_WINDOW);
    EXPECT_TRUE(Checked(ID_VIEW_OPTIONS_WINDOW));
}

TEST_F(MainViewTest, TonalityChangeIsRecordedOnlyWhileNotPlaying) {
    m_pView->OnCommand(ID_TRACK_RECORD);
    EXPECT_TRUE(Checked(ID_TRACK_RECORD));
    m_pView->OnTimerTick();
    m_pView->OnCommand(ID_TONALITY_KEY_D);
    const CTrack& first = m_pView->m_song.m_tracks.front();
    ASSERT_EQ(first.m_events.size(), 1u);
    const CMidiEvent& event = first.m_events.front();
    EXPECT_EQ(event.m_status, 0xFF);
    EXPECT_EQ(event.m_data1, 0x7F);
    EXPECT_EQ(event.m_nDelta, 15u);
    ASSERT_EQ(event.m_nLength, 5u);
    EXPECT_EQ(event.m_pData[0], 0x27);
    EXPECT_EQ(event.m_pData[1], 0x59);
    EXPECT_EQ(event.m_pData[2] + 256 * event.m_pData[3], 0x2A5);
    EXPECT_EQ(event.m_pData[4], 2);
    EXPECT_TRUE(Checked(ID_TONALITY_KEY_D));
    EXPECT_FALSE(Checked(ID_TONALITY_KEY_C));

    m_pView->m_bPlaying = true;
    m_pView->OnCommand(ID_SCALE_MINOR_NATURAL);
    EXPECT_EQ(first.m_events.size(), 1u);
    EXPECT_TRUE(Checked(ID_TONALITY_KEY_D));
}

TEST_F(MainViewTest, ResetMidiCommandSilencesAndSendsPrograms) {
    m_pView->PlayKey(60);
    Messages().clear();
    m_pView->OnCommand(ID_TOOLS_RESET_MIDI);
    EXPECT_EQ(Messages(), (std::vector<std::uint32_t>{CRecordingPort::kResetMarker,
                                                      CRecordingPort::kCloseMarker, 0xC0u, 0xC0u}));
    EXPECT_FALSE(m_pView->m_grid.m_noteState[60].IsSounding());
    EXPECT_TRUE(m_dialogs.m_messages.empty());

    m_pPort->m_bFailOpen = true;
    m_pView->OnCommand(ID_TOOLS_RESET_MIDI);
    ASSERT_EQ(m_dialogs.m_messages.size(), 1u);
    EXPECT_EQ(m_dialogs.m_messages[0].first, QStringLiteral("Tavrin"));
    EXPECT_EQ(m_dialogs.m_messages[0].second, QStringLiteral("Cant open MIDI_MAPPER"));
}

TEST_F(MainViewTest, DeviceThatStopsSoundingIsReportedOnceAtTheNextTick) {
    m_pPort->Break();
    EXPECT_TRUE(m_dialogs.m_messages.empty());
    m_pView->OnTimerTick();
    m_pView->OnTimerTick();
    ASSERT_EQ(m_dialogs.m_messages.size(), 1u);
    EXPECT_EQ(m_dialogs.m_messages[0],
              std::make_pair(QStringLiteral("Tavrin"), QStringLiteral("Cant open MIDI_MAPPER")));
}

TEST(MainViewStart, DeviceThatWillNotOpenIsReportedOnce) {
    CStandInDialogs dialogs;
    auto pPort = std::make_unique<CRecordingPort>();
    pPort->m_bFailOpen = true;
    CMainView view(std::move(pPort), dialogs);
    view.m_tickTimer.stop();
    EXPECT_TRUE(dialogs.m_messages.empty()); // not while the window is being built
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.m_messages.size(), 1u);
    EXPECT_EQ(dialogs.m_messages[0],
              std::make_pair(QStringLiteral("Tavrin"), QStringLiteral("Cant open MIDI_MAPPER")));
    view.PlayKey(60); // and the program plays on without sound
    view.OnTimerTick();
    EXPECT_EQ(dialogs.m_messages.size(), 1u);
}

// File commands ---------------------------------------------------------------------------------

class FileCommandTest : public MainViewTest {
protected:
    static QByteArray Head(const QString& strPath, int nBytes) {
        QFile file(strPath);
        return file.open(QIODevice::ReadOnly) ? file.read(nBytes) : QByteArray();
    }
    bool ImageIsWhite() const {
        const QImage& image = m_pView->m_image.GetImage();
        return image.pixel(10, 10) == image.pixel(11, 11) &&
               (image.pixel(50, 50) & 0xFFFFFFu) == 0xFFFFFFu;
    }
    void Scribble() { m_pView->m_image.DrawLine(QPoint(0, 50), QPoint(200, 50)); }
    void AddViolin() { m_pView->SetControl(CNotePlayer::kControlAddTrack, 40); }
};

TEST_F(FileCommandTest, NewRenewsTheTrackTheImageOrBoth) {
    Scribble();
    AddViolin();
    m_pView->OnCommand(ID_FILE_NEW_TRACK);
    EXPECT_EQ(m_pView->m_song.GetActiveTrackCount(), 1u);
    EXPECT_FALSE(ImageIsWhite());

    AddViolin();
    m_pView->OnCommand(ID_FILE_NEW_IMAGE);
    EXPECT_TRUE(ImageIsWhite());
    EXPECT_EQ(m_pView->m_song.GetActiveTrackCount(), 2u);

    Scribble();
    m_pView->OnCommand(ID_FILE_NEW_ALL);
    EXPECT_TRUE(ImageIsWhite());
    EXPECT_EQ(m_pView->m_song.GetActiveTrackCount(), 1u);
    EXPECT_EQ(m_pView->m_song.m_nNoteLength, 384u);
}

TEST_F(FileCommandTest, NewKeepsTheSongAtTheOptionsWindowsTempoAndLengthening) {
    m_pView->m_wndOptions.TempoSlider()->setValue(150);
    m_pView->m_wndOptions.LengthenSlider()->setValue(60);
    ASSERT_EQ(m_pView->m_song.m_nTempo, 150u);

    m_pView->OnCommand(ID_FILE_NEW_IMAGE);
    m_pView->OnCommand(ID_FILE_NEW_TRACK);
    EXPECT_EQ(m_pView->m_song.m_nTempo, 150u);
    EXPECT_EQ(m_pView->m_song.m_nLengthPercent, 60u);

    m_pView->m_wndOptions.TempoSlider()->setValue(100);
    m_pView->OnCommand(ID_FILE_NEW_ALL);
    EXPECT_EQ(m_pView->m_song.m_nTempo, 100u);
    EXPECT_EQ(m_pView->m_song.m_nLengthPercent, 60u);
}

TEST_F(FileCommandTest, OpenDecidesByTheExtensionInAnyLetterCase) {
    AddViolin();
    for (std::size_t n = 0; n < 2; ++n) {
        CTrack* pTrack = m_pView->m_song.FindActiveTrack(n);
        CMidiEvent& note = pTrack->m_events.emplace_back();
        note.m_status = static_cast<std::uint8_t>(0x90 | pTrack->m_nChannel);
        note.m_data1 = 60;
        note.m_data2 = 100;
        note.m_nLength = 96;
    }
    ASSERT_TRUE(m_pView->m_song.Save((kTmp + QStringLiteral("/tune.mid")).toStdString()));
    for (const char* pszName : {"/tune.MID", "/tune.Mid", "/tune.midi", "/tune"}) {
        QFile::remove(kTmp + QLatin1String(pszName));
        QFile::copy(kTmp + QStringLiteral("/tune.mid"), kTmp + QLatin1String(pszName));
    }

    for (const char* pszName : {"/tune.mid", "/tune.MID", "/tune.Mid"}) {
        m_pView->OnCommand(ID_FILE_NEW_TRACK);
        Messages().clear();
        m_dialogs.m_openPaths.push_back(kTmp + QLatin1String(pszName));
        m_pView->OnCommand(ID_FILE_OPEN);
        EXPECT_EQ(Messages(), (std::vector<std::uint32_t>{0xC0u, 0x28C1u})) << pszName;
        EXPECT_EQ(m_pView->m_wndOrchestra.Count(), 2) << pszName;
    }
    for (const char* pszName : {"/tune.midi", "/tune"}) {
        m_pView->OnCommand(ID_FILE_NEW_TRACK);
        Messages().clear();
        m_dialogs.m_openPaths.push_back(kTmp + QLatin1String(pszName));
        m_pView->OnCommand(ID_FILE_OPEN);
        EXPECT_TRUE(Messages().empty()) << pszName;
        EXPECT_EQ(m_pView->m_song.GetActiveTrackCount(), 1u) << pszName;
    }
    EXPECT_TRUE(m_dialogs.m_messages.empty());
    // Cancelled: nothing at all.
    m_pView->OnCommand(ID_FILE_OPEN);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(FileCommandTest, OpenedSongPlaysLiveNotesOfTheDurationShownInItsOwnQuarters) {
    m_pView->m_song.m_nDivision = 96;
    ASSERT_TRUE(m_pView->m_song.Save((kTmp + QStringLiteral("/coarse.mid")).toStdString()));
    m_pView->m_wndOrchestra.DurationSlider()->setValue(9);
    m_dialogs.m_openPaths.push_back(kTmp + QStringLiteral("/coarse.mid"));
    m_pView->OnCommand(ID_FILE_OPEN);
    ASSERT_EQ(m_pView->m_song.m_nTicksPerQuarter, 96u);
    EXPECT_EQ(m_pView->m_wndOrchestra.DurationStatic()->text(), QStringLiteral("27"));
    EXPECT_EQ(m_pView->m_song.m_nNoteLength, 27u * 96u / 8u);
}

TEST_F(FileCommandTest, OpenBitmapDrawsIntoTheImageAndLeavesTheSong) {
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::black);
    ASSERT_TRUE(picture.save(kTmp + QStringLiteral("/black.Bmp"), "BMP"));
    AddViolin();
    m_dialogs.m_openPaths.push_back(kTmp + QStringLiteral("/black.Bmp"));
    m_pView->OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(m_pView->m_image.GetImage().pixel(5, 5) & 0xFFFFFFu, 0u);
    EXPECT_EQ(m_pView->m_song.GetActiveTrackCount(), 2u);
    EXPECT_TRUE(m_dialogs.m_messages.empty());
}

TEST_F(FileCommandTest, FailedOpenIsReportedWithTheNameAndTheReason) {
    m_dialogs.m_openPaths.push_back(kTmp + QStringLiteral("/absent.mid"));
    m_pView->OnCommand(ID_FILE_OPEN);
    QFile junk(kTmp + QStringLiteral("/junk.mid"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a midi file at all");
    junk.close();
    m_dialogs.m_openPaths.push_back(kTmp + QStringLiteral("/junk.mid"));
    m_pView->OnCommand(ID_FILE_OPEN);
    ASSERT_EQ(m_dialogs.m_messages.size(), 2u);
    EXPECT_EQ(m_dialogs.m_messages[0].second,
              QStringLiteral("Could not open absent.mid: No such file or directory"));
    EXPECT_TRUE(
        m_dialogs.m_messages[1].second.startsWith(QStringLiteral("Could not open junk.mid: ")));
    EXPECT_EQ(m_pView->m_song.GetActiveTrackCount(), 1u);
}

TEST_F(FileCommandTest, SaveAsFollowsTheChosenFilterAndAppendsASuffix) {
    for (const char* pszName : {"/song.MID", "/pic.BMP", "/song.txt", "/pic.mid"}) {
        QFile::remove(kTmp + QLatin1String(pszName));
    }
    m_dialogs.m_savePaths.emplace_back(kTmp + QStringLiteral("/song"), 1);
    m_dialogs.m_savePaths.emplace_back(kTmp + QStringLiteral("/pic"), 2);
    m_dialogs.m_savePaths.emplace_back(kTmp + QStringLiteral("/song.txt"), 2);
    m_dialogs.m_savePaths.emplace_back(kTmp + QStringLiteral("/pic.mid"), 1);
    for (int i = 0; i < 4; ++i) {
        m_pView->OnCommand(ID_FILE_SAVE_AS);
    }
    EXPECT_EQ(m_dialogs.m_saveFilters, (QStringList{QStringLiteral("Midi File (*.mid)"),
                                                    QStringLiteral("Bitmap image (*.bmp)")}));
    EXPECT_EQ(Head(kTmp + QStringLiteral("/song.MID"), 4), QByteArray("MThd"));
    EXPECT_EQ(Head(kTmp + QStringLiteral("/pic.BMP"), 2), QByteArray("BM"));
    EXPECT_EQ(Head(kTmp + QStringLiteral("/song.txt"), 2), QByteArray("BM"));
    EXPECT_EQ(Head(kTmp + QStringLiteral("/pic.mid"), 4), QByteArray("MThd"));
    EXPECT_TRUE(m_dialogs.m_messages.empty());
}

TEST_F(FileCommandTest, FailedSaveIsReportedWithTheNameAndTheReason) {
    m_dialogs.m_savePaths.emplace_back(kTmp + QStringLiteral("/no/such/dir/tune.mid"), 1);
    m_dialogs.m_savePaths.emplace_back(kTmp + QStringLiteral("/no/such/dir/pic"), 2);
    m_pView->OnCommand(ID_FILE_SAVE_AS);
    m_pView->OnCommand(ID_FILE_SAVE_AS);
    ASSERT_EQ(m_dialogs.m_messages.size(), 2u);
    EXPECT_EQ(m_dialogs.m_messages[0].second,
              QStringLiteral("Could not save tune.mid: No such file or directory"));
    EXPECT_TRUE(
        m_dialogs.m_messages[1].second.startsWith(QStringLiteral("Could not save pic.BMP: ")));
}

} // namespace
