#include "app/ViewPresenter.h"

#include "image/PixelRows.h"

#include <QPaintEngine>
#include <QPainter>
#include <QWidget>

#include <cmath>
#include <vector>

namespace {

// The window's pixels, when the painter writes them into a plain image like the frame, of the
// frame's density and unclipped: rows can then be copied straight into it, which costs far less
// than the raster engine's clipped drawImage for every one of hundreds of small rectangles.
// Everything here is in device pixels.
struct SWindowPixels {
    SMaskTarget m_pixels; // null bits: not writable directly
    QRect m_rcBounds;     // in the widget's coordinates
    QPoint m_ptOffset;    // widget to image

    static SWindowPixels Of(QPainter& painter, const QImage& frame, double dRatio) {
        SWindowPixels target;
        const QPaintEngine* pEngine = painter.paintEngine();
        QPaintDevice* pDevice = pEngine != nullptr ? pEngine->paintDevice() : nullptr;
        const QTransform& xform = painter.deviceTransform();
        if (pDevice == nullptr || pDevice->devType() != QInternal::Image || painter.hasClipping() ||
            xform.type() > QTransform::TxScale || xform.m11() != dRatio || xform.m22() != dRatio) {
            return target;
        }
        auto* pImage = static_cast<QImage*>(pDevice);
        const QPoint ptOffset(static_cast<int>(xform.dx()), static_cast<int>(xform.dy()));
        // The painter has detached the image already: bits() shares nothing from here on.
        // The transform alone says how the painter's units meet the image's pixels.
        if (pImage->format() != frame.format() || xform.dx() != ptOffset.x() ||
            xform.dy() != ptOffset.y() || !pImage->isDetached()) {
            return target;
        }
        target.m_pixels = SMaskTarget::Of(*pImage);
        target.m_rcBounds = pImage->rect().translated(-ptOffset);
        target.m_ptOffset = ptOffset;
        return target;
    }
};

// Copies rc (device pixels) of the frame to the same place in the window.
void ShowFrameRect(QPainter& painter, const SWindowPixels& target, const QImage& frame,
                   const QRect& rc, double dRatio) {
    if (rc.isEmpty()) {
        return;
    }
    if (target.m_pixels.m_pBits == nullptr || !target.m_rcBounds.contains(rc)) {
        if (dRatio == 1.0) {
            painter.drawImage(rc.topLeft(), frame, rc);
        } else {
            // Device pixel for device pixel: the painter's scale undoes the division.
            painter.drawImage(
                QRectF(rc.x() / dRatio, rc.y() / dRatio, rc.width() / dRatio, rc.height() / dRatio),
                frame, rc);
        }
        return;
    }
    constexpr std::size_t kPixelBytes = sizeof(QRgb);
    const qsizetype nSrcStride = frame.bytesPerLine();
    const uchar* pSrc =
        frame.constBits() + rc.y() * nSrcStride + static_cast<std::size_t>(rc.x()) * kPixelBytes;
    const qsizetype nDstStride = target.m_pixels.m_nStride;
    uchar* pDst = target.m_pixels.m_pBits + (rc.y() + target.m_ptOffset.y()) * nDstStride +
                  static_cast<std::size_t>(rc.x() + target.m_ptOffset.x()) * kPixelBytes;
    CPixelRows::Copy(pDst, nDstStride, pSrc, nSrcStride, rc.width(), rc.height());
}

} // namespace

QRegion CViewPresenter::TakeChanged() {
    QRegion rgn;
    rgn.swap(m_rgnChanged);
    return rgn;
}

void CViewPresenter::Forget() {
    m_rgnChanged = QRegion();
    m_rgnWindowBehind = QRegion();
}

QRect CViewPresenter::ToDevice(const QRect& rc, double dRatio) {
    if (dRatio == 1.0) {
        return rc;
    }
    const int x0 = static_cast<int>(std::floor(rc.left() * dRatio));
    const int y0 = static_cast<int>(std::floor(rc.top() * dRatio));
    const int x1 = static_cast<int>(std::ceil((rc.right() + 1) * dRatio));
    const int y1 = static_cast<int>(std::ceil((rc.bottom() + 1) * dRatio));
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

QRect CViewPresenter::ToLogical(const QRect& rc, double dRatio) {
    if (dRatio == 1.0) {
        return rc;
    }
    const int x0 = static_cast<int>(std::floor(rc.left() / dRatio));
    const int y0 = static_cast<int>(std::floor(rc.top() / dRatio));
    const int x1 = static_cast<int>(std::ceil((rc.right() + 1) / dRatio));
    const int y1 = static_cast<int>(std::ceil((rc.bottom() + 1) / dRatio));
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

QRegion CViewPresenter::ToLogical(const QRegion& rgn, double dRatio) {
    if (dRatio == 1.0) {
        return rgn;
    }
    QRegion rgnLogical;
    for (const QRect& rc : rgn) {
        rgnLogical += ToLogical(rc, dRatio);
    }
    return rgnLogical;
}

void CViewPresenter::Show(QWidget& wnd, const QImage& frame, double dRatio, const QRect& rcView,
                          const QRegion& rgn, const QRegion& rgnChanged, bool bKept,
                          bool bComposed) {
    const QRect rcViewLogical = ToLogical(rcView, dRatio).intersected(wnd.rect());
    const bool bExact = bKept && !bComposed && m_rgnWindowBehind.isEmpty() &&
                        rgn == rgnChanged.intersected(wnd.rect());
    QPainter painter(&wnd);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);

    const SWindowPixels target = SWindowPixels::Of(painter, frame, dRatio);
    if (bExact) {
        // The stamps come in the frame's order; one that a copied rectangle covers is then
        // overwritten with the frame as it is now.
        const QRect rcDirect =
            target.m_pixels.m_pBits != nullptr ? rcView.intersected(target.m_rcBounds) : QRect();
        for (const SMaskStamp& stamp : m_frameChanges.Stamps()) {
            if (rcDirect.contains(stamp.m_rc)) {
                stamp.DrawOn(target.m_pixels, target.m_ptOffset);
            } else {
                ShowFrameRect(painter, target, frame, stamp.m_rc.intersected(rcView), dRatio);
            }
        }
        for (const QRect& rc : m_frameChanges.Rects()) {
            ShowFrameRect(painter, target, frame, rc.intersected(rcView), dRatio);
        }
        return;
    }
    // Pixels this program writes itself get stamps like the frame's. A new window store always
    // has a paint of this kind first; once it is on large pages, asking again costs microseconds.
    if (target.m_pixels.m_pBits != nullptr) {
        CPixelRows::PreferLargePages(target.m_pixels.m_pBits,
                                     static_cast<std::size_t>(target.m_pixels.m_nStride) *
                                         static_cast<std::size_t>(target.m_pixels.m_size.height()),
                                     true);
    }
    for (const QRect& rc : rgn) {
        ShowFrameRect(painter, target, frame, ToDevice(rc, dRatio).intersected(rcView), dRatio);
    }
    for (const QRect& rc : rgn.subtracted(rcViewLogical)) {
        painter.fillRect(rc, Qt::black);
    }
    // Only this paint's region shows the frame now. What else changed, whether it was asked
    // for already or is still to be, is left to a later paint, which must copy it whole.
    QRegion rgnBehind;
    if (bComposed || !bKept) {
        rgnBehind = rcViewLogical;
    } else {
        std::vector<QRect> bands;
        m_frameChanges.AppendBands(bands);
        rgnBehind = ToLogical(CFrameChanges::CoverBands(bands), dRatio).united(rgnChanged);
        rgnBehind += m_rgnWindowBehind;
    }
    // A part that something covers gets its own paint when it is uncovered.
    m_rgnWindowBehind =
        rgnBehind.intersected(wnd.visibleRegion()).intersected(rcViewLogical).subtracted(rgn);
    if (!m_rgnWindowBehind.isEmpty()) {
        wnd.update(m_rgnWindowBehind);
    }
}
