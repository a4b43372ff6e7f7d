#include "keyboard/SpriteSheet.h"

#include <algorithm>

// The pictures live in a static library: register them before the first use.
static void InitKeyboardResources() {
    static const bool bDone = [] {
        Q_INIT_RESOURCE(keyboard);
        return true;
    }();
    (void)bDone;
}

QString CSpriteSheet::ResourcePath(int nId) {
    InitKeyboardResources();
    return QStringLiteral(":/vorkeln/keyboard/%1.png").arg(nId);
}

bool CSpriteSheet::Load(int nId, int nRows, int nCols) {
    return Load(QImage(ResourcePath(nId)), nRows, nCols);
}

bool CSpriteSheet::Load(const QImage& img, int nRows, int nCols) {
    Destroy();
    if (img.isNull() || nRows <= 0 || nCols <= 0 || nRows * nCols > kMaxCells) {
        return false;
    }
    m_bitmap = img.convertToFormat(COffscreenBitmap::kFormat);
    m_cx = m_bitmap.width() / nCols;
    m_cy = m_bitmap.height() / nRows;
    m_ptAnchor = QPoint(m_cx / 2, m_cy / 2);
    for (int r = 0; r < nRows; ++r) {
        for (int c = 0; c < nCols; ++c) {
            m_cell[static_cast<std::size_t>(r * nCols + c)] = QPoint(c * m_cx, r * m_cy);
        }
    }
    m_nCells = nRows * nCols;
    FindMasks(nRows, nCols);
    return true;
}

void CSpriteSheet::FindMasks(int nRows, int nCols) {
    constexpr QRgb kBlack = 0xFF000000u;
    constexpr QRgb kWhite = 0xFFFFFFFFu;
    constexpr int kWordBits = CPixelRows::kMaxMaskWidth;
    m_bMask = false;
    m_masks.clear();
    m_nWords = 0;
    if (m_cx > kMaxMaskWords * kWordBits) {
        return;
    }
    const int cxSheet = m_bitmap.width();
    const int cySheet = m_bitmap.height();
    for (int j = 0; j < cySheet; ++j) {
        const auto* pRow = reinterpret_cast<const QRgb*>(m_bitmap.constScanLine(j));
        for (int i = 0; i < cxSheet; ++i) {
            if (pRow[i] != kBlack && pRow[i] != kWhite) {
                return;
            }
        }
    }
    m_nWords = (m_cx + kWordBits - 1) / kWordBits;
    m_masks.assign(static_cast<std::size_t>(nRows * nCols * m_nWords * m_cy), 0);
    for (int r = 0; r < nRows; ++r) {
        for (int c = 0; c < nCols; ++c) {
            const int k = r * nCols + c;
            for (int j = 0; j < m_cy; ++j) {
                const auto* pRow =
                    reinterpret_cast<const QRgb*>(m_bitmap.constScanLine(r * m_cy + j)) + c * m_cx;
                for (int i = 0; i < m_cx; ++i) {
                    if (pRow[i] == kBlack) {
                        MaskRows(k, i / kWordBits)[j] |= std::uint64_t{1} << (i % kWordBits);
                    }
                }
            }
        }
    }
    m_bMask = true;
}

void CSpriteSheet::FillMask(const SMaskTarget& target, const QRect& rcClip, int k, int xDst,
                            int yDst, QRgb clrBrush) const {
    constexpr int kWordBits = CPixelRows::kMaxMaskWidth;
    // Rows and columns of the cell that lie inside the clip and the target.
    const int nFirstRow = std::max({0, rcClip.top() - yDst, -yDst});
    const int nEndRow = std::min({m_cy, rcClip.bottom() + 1 - yDst, target.m_size.height() - yDst});
    const int nFirstColumn = std::max({0, rcClip.left() - xDst, -xDst});
    const int nEndColumn =
        std::min({m_cx, rcClip.right() + 1 - xDst, target.m_size.width() - xDst});
    if (nFirstRow >= nEndRow || nFirstColumn >= nEndColumn || target.m_pBits == nullptr) {
        return;
    }
    const qsizetype nStride = target.m_nStride;
    // A cell wider than one mask word is painted one word's columns at a time.
    for (int w = nFirstColumn / kWordBits; w * kWordBits < nEndColumn; ++w) {
        const int nFrom = std::max(nFirstColumn, w * kWordBits);
        const int nTo = std::min(nEndColumn, (w + 1) * kWordBits);
        const int nColumns = nTo - nFrom;
        const std::uint64_t qwClip =
            nColumns >= kWordBits ? ~std::uint64_t{0} : (std::uint64_t{1} << nColumns) - 1u;
        uchar* pFirst = target.m_pBits + (yDst + nFirstRow) * nStride +
                        static_cast<qsizetype>(xDst + nFrom) * sizeof(QRgb);
        // Where the mask is black the brush replaces the pixel, the unused top byte all ones.
        CPixelRows::FillMasked(pFirst, nStride, MaskRows(k, w) + nFirstRow, nEndRow - nFirstRow,
                               nFrom - w * kWordBits, qwClip, clrBrush | 0xFF000000u);
    }
}

void CSpriteSheet::DrawMask(const SMaskTarget& target, int k, QPoint pt, QRgb clrBrush,
                            const QRect& rcClip) const {
    if (k < 0 || k >= m_nCells || !m_bMask) {
        return;
    }
    FillMask(target, rcClip, k, pt.x() - m_ptAnchor.x(), pt.y() - m_ptAnchor.y(), clrBrush);
}

void CSpriteSheet::Destroy() {
    m_bitmap = QImage();
    m_cx = m_cy = 0;
    m_nCells = 0;
    m_bMask = false;
    m_nWords = 0;
    m_masks.clear();
}

bool CSpriteSheet::DrawMaskDirect(QPainter* pDC, int k, QPoint pt, ERop rop, QRgb clrBrush,
                                  const QRect& rcClip) const {
    if (rop != ERop::BrushMask || !m_bMask || !pDC->isActive()) {
        return false;
    }
    QImage* pTarget = COffscreenBitmap::DirectTarget(pDC);
    if (pTarget == nullptr) {
        return false;
    }
    DrawMask(*pTarget, k, pt, clrBrush, rcClip);
    return true;
}

void CSpriteSheet::Draw(QPainter* pDC, int k, int x, int y, ERop rop, QRgb clrBrush) const {
    if (k < 0 || k >= m_nCells || pDC == nullptr) {
        return;
    }
    const QPoint ptCell = m_cell[static_cast<std::size_t>(k)];
    const int xDst = x - m_ptAnchor.x();
    const int yDst = y - m_ptAnchor.y();
    if (DrawMaskDirect(pDC, k, QPoint(x, y), rop, clrBrush, CellRect(x, y))) {
        return;
    }
    COffscreenBitmap::BitBlt(pDC, xDst, yDst, m_cx, m_cy, m_bitmap, ptCell.x(), ptCell.y(), rop,
                             clrBrush);
}

void CSpriteSheet::Draw(QPainter* pDC, int k, int x, int y, ERop rop, QRgb clrBrush,
                        const QRect& rcClip) const {
    if (k < 0 || k >= m_nCells || pDC == nullptr) {
        return;
    }
    if (DrawMaskDirect(pDC, k, QPoint(x, y), rop, clrBrush, rcClip)) {
        return;
    }
    // Only the part inside the clip is transferred: no painter clip, which would take the slow
    // path of every transfer.
    const QRect rcCell = CellRect(x, y);
    const QRect rc = rcCell.intersected(rcClip);
    if (rc.isEmpty()) {
        return;
    }
    const QPoint ptCell = m_cell[static_cast<std::size_t>(k)];
    COffscreenBitmap::BitBlt(pDC, rc.x(), rc.y(), rc.width(), rc.height(), m_bitmap,
                             ptCell.x() + rc.x() - rcCell.x(), ptCell.y() + rc.y() - rcCell.y(),
                             rop, clrBrush);
}
