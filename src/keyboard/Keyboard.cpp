#include "keyboard/Keyboard.h"

#include "keyboard/KeyboardArt.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <cmath>

CKeyboard::~CKeyboard() = default;

QSize CKeyboard::FullScreenSize() {
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    if (pScreen == nullptr) {
        return QSize(1024, 768);
    }
    return pScreen->availableGeometry().size();
}

void CKeyboard::Create(QWidget* pView) {
    const QSize size = FullScreenSize();
    Create(pView, size.width(), size.height());
}

QSize CKeyboard::DeviceSize(int cx, int cy) const {
    const double dRatio = m_grid.GetDeviceRatio();
    return QSize(static_cast<int>(std::ceil(std::max(cx, 0) * dRatio)),
                 static_cast<int>(std::ceil(std::max(cy, 0) * dRatio)));
}

void CKeyboard::Create(QWidget* pView, int cx, int cy) {
    m_pView = pView;
    const QSize size = DeviceSize(cx, cy);
    m_frame.Create(size.width(), size.height());
    m_grid.Create(size.width(), size.height());
    m_image.Create(cx, cy);
    m_hArrowCursor = QCursor(Qt::ArrowCursor);
    LoadPenCursor();
}

void CKeyboard::LoadPenCursor() {
    const double dRatio = m_grid.GetDeviceRatio();
    CSpriteSheet::ResourcePath(kPenCursorId); // registers the resources
    const QPixmap pixPen = dRatio == 1.0 ? QPixmap(QStringLiteral(":/vorkeln/pen.png"))
                                         : QPixmap::fromImage(CKeyboardArt::PenCursor(dRatio));
    // The pen's tip is the cursor's bottom-left corner.
    m_hPenCursor = pixPen.isNull() ? QCursor(Qt::CrossCursor) : QCursor(pixPen, 0, 31);
}

void CKeyboard::SetDeviceRatio(double dRatio) {
    if (dRatio == m_grid.GetDeviceRatio()) {
        return;
    }
    m_grid.SetDeviceRatio(dRatio);
    LoadPenCursor();
    // A new density changes every pixel: the single-note changes no longer apply.
    m_frameChanges.Clear();
    m_bFrameChangesLost = true;
    SetViewSize(m_sizeView.width(), m_sizeView.height());
}

void CKeyboard::SetZoom(int nZoom, QPoint ptFixed) {
    m_grid.SetZoom(nZoom, ptFixed);
    m_grid.m_bRedraw = 1;
}

void CKeyboard::Destroy() {
    m_frameChanges.Clear(); // its stamps point into the grid's sheets
    m_frame.Destroy();
    m_grid.Destroy();
    m_image.Destroy();
}

void CKeyboard::SetViewSize(int cx, int cy) {
    m_sizeView = QSize(cx, cy);
    const QSize size = DeviceSize(cx, cy);
    // A view larger than the bitmaps (a second screen, a screen added later) makes them grow.
    if (size.width() > m_frame.GetImage().width() || size.height() > m_frame.GetImage().height()) {
        m_frame.Create(std::max(size.width(), m_frame.GetImage().width()),
                       std::max(size.height(), m_frame.GetImage().height()));
        m_frameChanges.Clear();
        m_bFrameChangesLost = true;
    }
    m_grid.EnsureSize(size.width(), size.height());
    m_image.EnsureSize(cx, cy);
    m_frame.SetViewSize(size.width(), size.height());
    m_image.SetViewSize(cx, cy);
    m_grid.Layout(cx, cy);
    m_grid.m_bRedraw = 1;
}

void CKeyboard::ComposeFrame() {
    QPainter* pDC = m_frame.BeginDraw();
    if (pDC == nullptr) {
        return;
    }
    m_grid.Paint(pDC);
    m_image.DrawOnto(pDC, m_frame.GetViewRect(), m_grid.GetDeviceRatio());
    m_frame.EndDraw();
    m_grid.ClearChanges();
    // The whole frame is new and will be shown whole.
    m_frameChanges.Clear();
    m_bFrameChangesLost = false;
}

bool CKeyboard::TakeFrameChanges(CFrameChanges& changes) {
    m_frameChanges.MoveTo(changes);
    const bool bKept = !m_bFrameChangesLost;
    m_bFrameChangesLost = false;
    return bKept;
}

QPainter* CKeyboard::FrameDC() {
    QPainter* pDC = m_frame.GetDC();
    return pDC != nullptr ? pDC : m_frame.BeginDraw();
}

void CKeyboard::EndFrameBatch() {
    --m_nFrameBatch;
    // The painter does not outlive the batch: the frame may be read or copied before the next.
    m_frame.EndDraw();
    ShowFrameUpdates();
    ShowFrameBatch();
}

void CKeyboard::FinishFrameUpdate() {
    CFrameChanges& changed = m_grid.GetChanges();
    const QRect rcInk = m_image.GetInkRect();
    if (QPainter* pDC = m_frame.GetDC(); pDC != nullptr && !rcInk.isEmpty()) {
        // Where the drawing lies over a ring the frame no longer holds the ring alone. ANDing
        // a rectangle twice gives the same picture, so overlaps do no harm.
        const double dRatio = m_grid.GetDeviceRatio();
        const QPoint ptFrom = m_grid.ToDevice(rcInk.topLeft());
        const QPoint ptTo = m_grid.ToDevice(rcInk.bottomRight() + QPoint(1, 1));
        changed.StampsToRects(QRect(ptFrom, ptTo - QPoint(1, 1)));
        for (const QRect& rc : changed.Rects()) {
            m_image.DrawOnto(pDC, rc, dRatio);
        }
    }
    if (!IsInFrameBatch()) {
        m_frame.EndDraw();
    }
    if (!m_bFrameChangesLost) {
        if (m_frameChanges.Size() + changed.Size() > kMaxFrameChanges) {
            m_frameChanges.Clear();
            m_bFrameChangesLost = true;
        } else {
            m_frameChanges.Append(changed);
        }
    }
    changed.AppendBands(m_unshownBands);
    m_grid.ClearChanges();
    if (!IsInFrameBatch()) {
        ShowFrameUpdates();
    }
}

void CKeyboard::ShowFrameUpdates() {
    if (!m_unshownBands.empty()) {
        const QRegion rgn = CFrameChanges::CoverBands(m_unshownBands);
        m_unshownBands.clear();
        UpdateWindowFromFrame(rgn);
    }
}

void CKeyboard::SetCurrentNote(int nNote) {
    QPainter* pDC = FrameDC();
    if (pDC != nullptr) {
        m_grid.ClearChanges();
        if (m_nCurrentNote >= 0) {
            m_grid.SetHover(pDC, m_nCurrentNote, false);
        }
        if (nNote >= 0) {
            m_grid.SetHover(pDC, nNote, true);
        }
        FinishFrameUpdate();
    }
    m_nCurrentNote = nNote;
}

void CKeyboard::ShowNote(int nChannel, int nNote, bool bOn) {
    if (m_bDeferNotes) {
        if (bOn) {
            m_grid.ShowNoteOn(nullptr, nChannel, nNote);
        } else {
            m_grid.ShowNoteOff(nullptr, nChannel, nNote);
        }
        m_grid.ClearChanges();
        if (m_grid.HasPending()) {
            OnNoteDeferred();
        }
        return;
    }
    QPainter* pDC = FrameDC();
    if (pDC == nullptr) {
        return;
    }
    m_grid.ClearChanges();
    if (bOn) {
        m_grid.ShowNoteOn(pDC, nChannel, nNote);
    } else {
        m_grid.ShowNoteOff(pDC, nChannel, nNote);
    }
    FinishFrameUpdate();
}

void CKeyboard::DrawDeferredNotes() {
    if (!m_grid.HasPending()) {
        return;
    }
    QPainter* pDC = FrameDC();
    if (pDC == nullptr) {
        return;
    }
    m_grid.ClearChanges();
    m_grid.DrawPending(pDC);
    FinishFrameUpdate();
}

void CKeyboard::DragTo(const QPoint& pt) {
    m_grid.ScrollBy(pt.x() - m_ptDrag.x(), pt.y() - m_ptDrag.y());
    m_ptDrag = pt;
    InvalidateView();
}

void CKeyboard::StrokeTo(const QPoint& pt) {
    m_image.DrawLine(m_ptDrag, pt);
    m_ptDrag = pt;
    InvalidateView();
}

void CKeyboard::UpdateWindowFromFrame(const QRegion& /*rgn*/) {}

void CKeyboard::InvalidateView() {}
