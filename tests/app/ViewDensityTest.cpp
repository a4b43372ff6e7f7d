// The view on a screen of twice the density: everything it draws is in device pixels, while the
// mouse still speaks in logical ones.
#include "StandInDialogs.h"
#include "ViewTestSupport.h"

#include "commands/CommandIds.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

// Before the application exists: the offscreen screen is then twice as dense.
const bool g_bScaled = qputenv("QT_SCALE_FACTOR", "2");

class ViewDensityTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pFrame = std::make_unique<CMainFrame>();
        m_pView = ShowViewInFrame<CMainView>(*m_pFrame, m_dialogs, m_pPort);
    }
    void Move(const QPoint& pt) {
        QMouseEvent event(QEvent::MouseMove, QPointF(pt), m_pView->mapToGlobal(QPointF(pt)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_pView, &event);
    }
    void Wheel(int nDelta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(QPointF(100, 100), m_pView->mapToGlobal(QPointF(100, 100)), QPoint(),
                          QPoint(0, nDelta), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_pView, &event);
    }
    QPoint PointOf(int nNote) const {
        QPoint pt;
        m_pView->m_grid.NoteToPoint(nNote, pt);
        while (pt.x() < 40) {
            m_pView->m_grid.NextCopy(pt);
        }
        return pt;
    }

    CStandInDialogs m_dialogs;
    CRecordingPort* m_pPort = nullptr;
    std::unique_ptr<CMainFrame> m_pFrame;
    CMainView* m_pView = nullptr;
};

TEST_F(ViewDensityTest, TheWindowShowsTheFrameAtTheScreensDensity) {
    ASSERT_TRUE(g_bScaled);
    ASSERT_EQ(m_pView->devicePixelRatioF(), 2.0);
    EXPECT_EQ(m_pView->GetDeviceRatio(), 2.0);
    EXPECT_EQ(m_pView->m_frame.GetViewSize(), m_pView->size() * 2);
    EXPECT_TRUE(WindowShowsTheFrame(*m_pFrame, *m_pView));
    // Notes lit and the mouse mark moved reach the window's device pixels as they are drawn.
    m_pView->PlayKey(60);
    Move(PointOf(64));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_pView->m_nCurrentNote, 64);
    EXPECT_TRUE(WindowShowsTheFrame(*m_pFrame, *m_pView));
    // Zoomed with Ctrl and the wheel, in small steps: the hit test follows the zoom.
    Wheel(60, Qt::ControlModifier);
    EXPECT_EQ(m_pView->m_grid.GetZoom(), CNoteGrid::kZoomActual);
    Wheel(60, Qt::ControlModifier);
    EXPECT_EQ(m_pView->m_grid.GetZoom(), CNoteGrid::kZoomActual + 1);
    Move(PointOf(67));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_pView->m_nCurrentNote, 67);
    EXPECT_TRUE(WindowShowsTheFrame(*m_pFrame, *m_pView));
}

TEST_F(ViewDensityTest, AWindowLargerThanTheScreenShowsNoBlack) {
    const QSize sizeScreen = CKeyboard::FullScreenSize();
    m_pFrame->resize(sizeScreen.width() + 300, sizeScreen.height() + 200);
    QCoreApplication::processEvents();
    ASSERT_GT(m_pView->width(), sizeScreen.width());
    const QImage window = WindowPixels(*m_pFrame, *m_pView);
    // The lattice reaches the right and bottom edges: the strip and the last rows are drawn.
    const QImage corner = window.copy(window.width() - 400, window.height() - 400, 300, 300);
    int nBlack = 0;
    for (int y = 0; y < corner.height(); ++y) {
        for (int x = 0; x < corner.width(); ++x) {
            nBlack += (corner.pixel(x, y) & 0xFFFFFFu) == 0 ? 1 : 0;
        }
    }
    EXPECT_LT(nBlack, corner.width() * corner.height() / 4);
    EXPECT_TRUE(WindowShowsTheFrame(*m_pFrame, *m_pView));
}

} // namespace
