#include "app/ViewPresenter.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// A window that shows a frame through the presenter, as the view does; the frame is smaller
// than the window.
class CPresentedWindow : public QWidget {
public:
    CPresentedWindow() {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        resize(60, 40);
        m_frame.fill(Qt::red);
    }
    // Changes rc of the frame; told to the presenter, it is shown at the next paint.
    void Change(const QRect& rc, const QColor& clr, bool bTell) {
        QPainter(&m_frame).fillRect(rc, clr);
        if (bTell) {
            m_presenter.AddChanged(rc);
            m_presenter.GetFrameChanges().AddRect(rc);
        }
    }
    QImage Shown() const {
        return screen()->grabWindow(winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    QImage Expected() const {
        QImage expected(size(), QImage::Format_RGB32);
        expected.fill(Qt::black);
        QPainter(&expected).drawImage(QPoint(0, 0), m_frame);
        return expected;
    }

    QImage m_frame{50, 30, QImage::Format_RGB32};
    CViewPresenter m_presenter;
    bool m_bPainted = false;

protected:
    void paintEvent(QPaintEvent* pEvent) override {
        // Only what the presenter was told of is kept from one paint to the next.
        const QRegion rgnChanged = m_presenter.TakeChanged();
        m_presenter.Show(*this, m_frame, 1.0, m_frame.rect(), pEvent->region(), rgnChanged,
                         m_bPainted, false);
        m_presenter.GetFrameChanges().Clear();
        m_bPainted = true;
    }
};

TEST(ViewPresenter, PaintForExactlyTheChangesCopiesOnlyThem) {
    CPresentedWindow wnd;
    wnd.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(wnd.Shown(), wnd.Expected());

    // A change nobody reported stays unseen by a paint for exactly the changes reported.
    QImage expected = wnd.Expected();
    wnd.Change(QRect(30, 20, 5, 5), Qt::yellow, false);
    wnd.Change(QRect(5, 5, 10, 10), Qt::blue, true);
    wnd.repaint(QRect(5, 5, 10, 10));
    QPainter(&expected).fillRect(QRect(5, 5, 10, 10), Qt::blue);
    EXPECT_EQ(wnd.Shown(), expected);
}

TEST(ViewPresenter, ConversionsCoverTheirRectangleOutward) {
    struct SCase {
        double dRatio;
        QRect rcLogical;
        QRect rcDevice;      // ToDevice(rcLogical)
        QRect rcBackLogical; // ToLogical(rcDevice)
    };
    const SCase cases[] = {
        {1.0, QRect(3, 4, 5, 6), QRect(3, 4, 5, 6), QRect(3, 4, 5, 6)},
        {2.0, QRect(3, 4, 5, 6), QRect(6, 8, 10, 12), QRect(3, 4, 5, 6)},
        {1.5, QRect(1, 1, 1, 1), QRect(1, 1, 2, 2), QRect(0, 0, 2, 2)},
        {1.25, QRect(3, 0, 2, 1), QRect(3, 0, 4, 2), QRect(2, 0, 4, 2)},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.dRatio);
        EXPECT_EQ(CViewPresenter::ToDevice(c.rcLogical, c.dRatio), c.rcDevice);
        EXPECT_EQ(CViewPresenter::ToLogical(c.rcDevice, c.dRatio), c.rcBackLogical);
        EXPECT_TRUE(c.rcBackLogical.contains(c.rcLogical));
        // A region is converted rectangle by rectangle.
        const QRegion rgn = QRegion(c.rcDevice) + QRegion(c.rcDevice.translated(40, 0));
        EXPECT_EQ(CViewPresenter::ToLogical(rgn, c.dRatio).boundingRect(),
                  CViewPresenter::ToLogical(rgn.boundingRect(), c.dRatio));
    }
}

} // namespace
