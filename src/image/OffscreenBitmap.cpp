#include "image/OffscreenBitmap.h"

#include "image/PixelRows.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// pDst[i] = fn(pDst[i], pSrc[i]) for a bitwise fn, four pixels at a time where the processor
// has 128-bit registers (the compiler does not do it by itself for loops of any length).
template <typename Fn>
void CombineRow(QRgb* __restrict pDst, const QRgb* __restrict pSrc, int n, Fn fn) {
    int i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= n; i += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pDst + i));
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pDst + i), fn(d, s));
    }
#endif
    for (; i < n; ++i) {
        pDst[i] = fn(pDst[i], pSrc[i]);
    }
}

// One row of a transfer; every operation works on whole 32-bit pixels, the unused top byte
// of the format stays all ones. Source and destination rows never overlap except in a copy
// of a bitmap onto itself, which memmove handles.
void TransferRow(QRgb* __restrict pDst, const QRgb* __restrict pSrc, int n, ERop rop,
                 QRgb clrBrush) {
    switch (rop) {
    case ERop::SrcCopy:
        std::memmove(pDst, pSrc, static_cast<std::size_t>(n) * sizeof(QRgb));
        break;
    case ERop::SrcAnd:
        CombineRow(pDst, pSrc, n, [](auto d, auto s) { return d & s; });
        break;
    case ERop::SrcPaint:
        CombineRow(pDst, pSrc, n, [](auto d, auto s) { return d | s; });
        break;
    case ERop::BrushMask:
        for (int i = 0; i < n; ++i) {
            pDst[i] = (pSrc[i] & pDst[i]) | (~pSrc[i] & clrBrush) | 0xFF000000u;
        }
        break;
    }
}

} // namespace

QImage* COffscreenBitmap::DirectTarget(QPainter* pDC) {
    QPaintDevice* pDevice = pDC->device();
    if (pDevice == nullptr || pDevice->devType() != QInternal::Image || pDC->hasClipping() ||
        !pDC->transform().isIdentity()) {
        return nullptr;
    }
    auto* pImage = static_cast<QImage*>(pDevice);
    return pImage->format() == kFormat ? pImage : nullptr;
}

COffscreenBitmap::~COffscreenBitmap() {
    EndDraw();
}

void COffscreenBitmap::Create(int cx, int cy) {
    EndDraw();
    cx = std::max(cx, 0);
    cy = std::max(cy, 0);
    m_size = QSize(cx, cy);
    m_bitmap = QImage(cx, cy, kFormat);
    // Single-note updates write a few pixels into each of many rows.
    CPixelRows::PreferLargePages(m_bitmap.bits(), static_cast<std::size_t>(m_bitmap.sizeInBytes()),
                                 false);
    // A new bitmap is black, not whatever the memory held: parts of it may be shown or
    // compared before anything is drawn there.
    m_bitmap.fill(QColor(Qt::black));
}

void COffscreenBitmap::Destroy() {
    EndDraw();
    m_bitmap = QImage();
}

void COffscreenBitmap::SetViewSize(int cx, int cy) {
    m_sizeView = QSize(cx, cy);
    m_rcView = QRect(0, 0, cx, cy);
}

QPainter* COffscreenBitmap::BeginDraw() {
    EndDraw();
    if (m_bitmap.isNull()) {
        return nullptr;
    }
    m_dc = std::make_unique<QPainter>(&m_bitmap);
    if (!m_dc->isActive()) {
        m_dc.reset();
    }
    return m_dc.get();
}

void COffscreenBitmap::EndDraw() {
    if (m_dc) {
        m_dc->end();
        m_dc.reset();
    }
}

void COffscreenBitmap::CopyTo(QPainter* pDC, int x, int y, ERop rop) const {
    BitBlt(pDC, x, y, m_sizeView.width(), m_sizeView.height(), m_bitmap, 0, 0, rop);
}

void COffscreenBitmap::CopyRectTo(QPainter* pDC, const QRect& rc, int dx, int dy, ERop rop) const {
    BitBlt(pDC, rc.x() + dx, rc.y() + dy, rc.width(), rc.height(), m_bitmap, rc.x(), rc.y(), rop);
}

void COffscreenBitmap::BitBlt(QPainter* pDC, int x, int y, int cx, int cy, const QImage& src,
                              int xSrc, int ySrc, ERop rop, QRgb clrBrush) {
    if (pDC == nullptr || !pDC->isActive() || src.isNull() || cx <= 0 || cy <= 0) {
        return;
    }
    // Only the part that the source really has is transferred.
    const QRect rcSrc = QRect(xSrc, ySrc, cx, cy).intersected(src.rect());
    if (rcSrc.isEmpty()) {
        return;
    }
    const QPoint ptDst(x + rcSrc.x() - xSrc, y + rcSrc.y() - ySrc);
    QImage* pTarget = DirectTarget(pDC);
    if (pTarget != nullptr && src.format() == kFormat &&
        (rop == ERop::SrcCopy || pTarget->constBits() != src.constBits())) {
        const QRect rcDst = QRect(ptDst, rcSrc.size()).intersected(pTarget->rect());
        if (rcDst.isEmpty()) {
            return;
        }
        const int xFrom = rcSrc.x() + rcDst.x() - ptDst.x();
        const int yFrom = rcSrc.y() + rcDst.y() - ptDst.y();
        const qsizetype nDstStride = pTarget->bytesPerLine();
        const qsizetype nSrcStride = src.bytesPerLine();
        uchar* pDstRow = pTarget->bits() + rcDst.y() * nDstStride + rcDst.x() * 4;
        const uchar* pSrcRow = src.constBits() + yFrom * nSrcStride + xFrom * 4;
        for (int j = 0; j < rcDst.height(); ++j) {
            TransferRow(reinterpret_cast<QRgb*>(pDstRow + j * nDstStride),
                        reinterpret_cast<const QRgb*>(pSrcRow + j * nSrcStride), rcDst.width(), rop,
                        clrBrush);
        }
        return;
    }
    const QPainter::CompositionMode modeOld = pDC->compositionMode();
    switch (rop) {
    case ERop::SrcCopy:
        pDC->setCompositionMode(QPainter::CompositionMode_Source);
        pDC->drawImage(ptDst, src, rcSrc);
        break;
    case ERop::SrcAnd:
        pDC->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        pDC->drawImage(ptDst, src, rcSrc);
        break;
    case ERop::SrcPaint:
        pDC->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        pDC->drawImage(ptDst, src, rcSrc);
        break;
    case ERop::BrushMask: {
        // D := (S AND D) OR (NOT S AND P), in two exact bitwise passes.
        pDC->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        pDC->drawImage(ptDst, src, rcSrc);
        QImage imgPaint(rcSrc.size(), kFormat);
        const QImage srcRgb = src.format() == kFormat ? src : src.convertToFormat(kFormat);
        for (int j = 0; j < rcSrc.height(); ++j) {
            const QRgb* pSrc = reinterpret_cast<const QRgb*>(srcRgb.constScanLine(rcSrc.y() + j));
            QRgb* pOut = reinterpret_cast<QRgb*>(imgPaint.scanLine(j));
            for (int i = 0; i < rcSrc.width(); ++i) {
                pOut[i] = 0xFF000000u | (~pSrc[rcSrc.x() + i] & clrBrush);
            }
        }
        pDC->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        pDC->drawImage(ptDst, imgPaint);
        break;
    }
    }
    pDC->setCompositionMode(modeOld);
}
