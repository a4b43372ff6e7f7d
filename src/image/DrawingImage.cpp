#include "image/DrawingImage.h"

#include "image/BmpCodec.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {
constexpr int kMaxPenWidth = 255;
} // namespace

void CDrawingImage::Create(int cx, int cy) {
    COffscreenBitmap::Create(cx, cy);
    Clear();
    SetPen(QColor(0, 0, 0), 1);
}

void CDrawingImage::Destroy() {
    COffscreenBitmap::Destroy();
    m_pen = QPen();
}

void CDrawingImage::Clear() {
    if (m_bitmap.isNull()) {
        return;
    }
    EndDraw();
    std::memset(m_bitmap.bits(), 0xFF, static_cast<std::size_t>(m_bitmap.sizeInBytes()));
    m_rcInk = QRect();
    m_bModified = false;
}

QPainter* CDrawingImage::BeginDraw() {
    m_rcInk = m_bitmap.rect();
    m_bModified = true;
    return COffscreenBitmap::BeginDraw();
}

void CDrawingImage::SetPen(const QColor& clr, int nWidth) {
    m_pen = QPen(QColor(clr.rgb()), std::clamp(nWidth, 1, kMaxPenWidth), Qt::SolidLine,
                 Qt::RoundCap, Qt::RoundJoin);
}

void CDrawingImage::DrawOnto(QPainter* pDC) const {
    DrawOnto(pDC, m_rcView);
}

void CDrawingImage::DrawOnto(QPainter* pDC, const QRegion& rgn) const {
    for (const QRect& rc : rgn.intersected(m_rcView.intersected(m_rcInk))) {
        CopyRectTo(pDC, rc, 0, 0, ERop::SrcAnd);
    }
}

void CDrawingImage::DrawOnto(QPainter* pDC, const QRect& rcDevice, double dRatio) const {
    if (dRatio == 1.0) {
        DrawOnto(pDC, rcDevice);
        return;
    }
    const QRect rcInk = m_rcView.intersected(m_rcInk);
    if (rcInk.isEmpty() || pDC == nullptr || !pDC->isActive()) {
        return;
    }
    // The ink in device pixels: from the first device pixel whose top left lies in it.
    const auto toDevice = [dRatio](int v) { return static_cast<int>(std::ceil(v * dRatio)); };
    const QRect rcInkDevice(
        QPoint(toDevice(rcInk.left()), toDevice(rcInk.top())),
        QPoint(toDevice(rcInk.right() + 1) - 1, toDevice(rcInk.bottom() + 1) - 1));
    QImage* pTarget = DirectTarget(pDC);
    const QRect rc = rcDevice.intersected(rcInkDevice)
                         .intersected(pTarget != nullptr ? pTarget->rect() : rcInkDevice);
    if (rc.isEmpty()) {
        return;
    }
    if (pTarget == nullptr) {
        // Through the painter: the same nearest pixels, without smoothing.
        const QRectF rcSource(rc.x() / dRatio, rc.y() / dRatio, rc.width() / dRatio,
                              rc.height() / dRatio);
        const QPainter::CompositionMode modeOld = pDC->compositionMode();
        pDC->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        pDC->setRenderHint(QPainter::SmoothPixmapTransform, false);
        pDC->drawImage(QRectF(rc), m_bitmap, rcSource);
        pDC->setCompositionMode(modeOld);
        return;
    }
    std::vector<int> columns(static_cast<std::size_t>(rc.width()));
    for (int i = 0; i < rc.width(); ++i) {
        columns[static_cast<std::size_t>(i)] =
            std::min(m_bitmap.width() - 1, static_cast<int>((rc.x() + i) / dRatio));
    }
    for (int y = rc.top(); y <= rc.bottom(); ++y) {
        const int ySource = std::min(m_bitmap.height() - 1, static_cast<int>(y / dRatio));
        const auto* pSource = reinterpret_cast<const QRgb*>(m_bitmap.constScanLine(ySource));
        auto* pDst = reinterpret_cast<QRgb*>(pTarget->scanLine(y)) + rc.x();
        for (int i = 0; i < rc.width(); ++i) {
            pDst[i] &= pSource[columns[static_cast<std::size_t>(i)]];
        }
    }
}

void CDrawingImage::EnsureSize(int cx, int cy) {
    if (cx <= m_bitmap.width() && cy <= m_bitmap.height()) {
        return;
    }
    const QImage old = m_bitmap;
    const QSize sizeView = m_sizeView;
    const QRect rcInk = m_rcInk;
    const bool bModified = m_bModified;
    const QPen pen = m_pen;
    Create(std::max(cx, old.width()), std::max(cy, old.height()));
    m_pen = pen;
    if (QPainter* pDC = COffscreenBitmap::BeginDraw()) {
        pDC->setCompositionMode(QPainter::CompositionMode_Source);
        pDC->drawImage(QPoint(0, 0), old);
        EndDraw();
    }
    SetViewSize(sizeView.width(), sizeView.height());
    m_rcInk = rcInk;
    m_bModified = bModified;
}

void CDrawingImage::DrawOnto(QPainter* pDC, const QRect& rc) const {
    const QRect rcInk = rc.intersected(m_rcView).intersected(m_rcInk);
    if (!rcInk.isEmpty()) {
        CopyRectTo(pDC, rcInk, 0, 0, ERop::SrcAnd);
    }
}

void CDrawingImage::DrawLine(const QPoint& ptFrom, const QPoint& ptTo) {
    QPainter* pDC = COffscreenBitmap::BeginDraw();
    if (pDC == nullptr) {
        return;
    }
    const int nReach = m_pen.width() + 1;
    m_rcInk |= QRect(ptFrom, ptTo)
                   .normalized()
                   .adjusted(-nReach, -nReach, nReach, nReach)
                   .intersected(m_bitmap.rect());
    pDC->setRenderHint(QPainter::Antialiasing, false);
    pDC->setPen(m_pen);
    pDC->drawLine(ptFrom, ptTo);
    EndDraw();
    m_bModified = true;
}

QByteArray CDrawingImage::EncodeBmp() const {
    return CBmpCodec::Encode(m_bitmap);
}

CFileResult CDrawingImage::SaveBmp(const QString& strPath) {
    CFileResult result = CBmpCodec::Write(strPath, m_bitmap);
    if (result) {
        m_bModified = false;
    }
    return result;
}

CFileResult CDrawingImage::LoadBmp(const QString& strPath) {
    QFile file;
    if (CFileResult result = CBmpCodec::Open(strPath, file); !result) {
        return result;
    }
    return LoadBmp(file);
}

CFileResult CDrawingImage::LoadBmp(QIODevice& device) {
    if (m_bitmap.isNull()) {
        return EFileError::NotBitmap;
    }
    QImage picture;
    if (CFileResult result = CBmpCodec::Read(device, m_size, picture); !result) {
        return result;
    }
    QPainter* pDC = COffscreenBitmap::BeginDraw();
    if (pDC == nullptr) {
        return EFileError::NotBitmap;
    }
    m_rcInk |= picture.rect().intersected(m_bitmap.rect());
    pDC->setCompositionMode(QPainter::CompositionMode_Source);
    pDC->drawImage(QPoint(0, 0), picture);
    EndDraw();
    m_bModified = false;
    return {};
}
