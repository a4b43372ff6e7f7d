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
    FindRuns(nRows, nCols);
    return true;
}

void CSpriteSheet::FindRuns(int nRows, int nCols) {
    constexpr QRgb kBlack = 0xFF000000u;
    constexpr QRgb kWhite = 0xFFFFFFFFu;
    m_bMask = false;
    for (auto& runs : m_runs) {
        runs.clear();
    }
    for (int j = 0; j < m_bitmap.height(); ++j) {
        const auto* pRow = reinterpret_cast<const QRgb*>(m_bitmap.constScanLine(j));
        for (int i = 0; i < m_bitmap.width(); ++i) {
            if (pRow[i] != kBlack && pRow[i] != kWhite) {
                return;
            }
        }
    }
    for (int r = 0; r < nRows; ++r) {
        for (int c = 0; c < nCols; ++c) {
            std::vector<SRun>& runs = m_runs[static_cast<std::size_t>(r * nCols + c)];
            for (int j = 0; j < m_cy; ++j) {
                const auto* pRow =
                    reinterpret_cast<const QRgb*>(m_bitmap.constScanLine(r * m_cy + j)) + c * m_cx;
                for (int i = 0; i < m_cx;) {
                    if (pRow[i] != kBlack) {
                        ++i;
                        continue;
                    }
                    const int nStart = i;
                    while (i < m_cx && pRow[i] == kBlack) {
                        ++i;
                    }
                    runs.push_back({static_cast<std::int16_t>(j), static_cast<std::int16_t>(nStart),
                                    static_cast<std::int16_t>(i - nStart)});
                }
            }
        }
    }
    m_bMask = true;
}

void CSpriteSheet::FillRuns(QImage& target, int k, int xDst, int yDst, QRgb clrBrush) const {
    // Where the mask is black the brush replaces the pixel, the unused top byte all ones.
    const QRgb clr = clrBrush | 0xFF000000u;
    const int cx = target.width();
    const int cy = target.height();
    uchar* pBits = target.bits();
    const qsizetype nStride = target.bytesPerLine();
    for (const SRun& run : m_runs[static_cast<std::size_t>(k)]) {
        const int y = yDst + run.y;
        if (y < 0 || y >= cy) {
            continue;
        }
        const int x0 = std::max(xDst + run.x, 0);
        const int x1 = std::min(xDst + run.x + run.n, cx);
        if (x0 < x1) {
            std::fill_n(reinterpret_cast<QRgb*>(pBits + y * nStride) + x0, x1 - x0, clr);
        }
    }
}

void CSpriteSheet::Destroy() {
    m_bitmap = QImage();
    m_cx = m_cy = 0;
    m_nCells = 0;
    m_bMask = false;
    for (auto& runs : m_runs) {
        runs.clear();
    }
}

void CSpriteSheet::Draw(QPainter* pDC, int k, int x, int y, ERop rop, QRgb clrBrush) const {
    if (k < 0 || k >= m_nCells || pDC == nullptr) {
        return;
    }
    const QPoint ptCell = m_cell[static_cast<std::size_t>(k)];
    const int xDst = x - m_ptAnchor.x();
    const int yDst = y - m_ptAnchor.y();
    if (rop == ERop::BrushMask && m_bMask && pDC->isActive()) {
        if (QImage* pTarget = COffscreenBitmap::DirectTarget(pDC)) {
            FillRuns(*pTarget, k, xDst, yDst, clrBrush);
            return;
        }
    }
    COffscreenBitmap::BitBlt(pDC, xDst, yDst, m_cx, m_cy, m_bitmap, ptCell.x(), ptCell.y(), rop,
                             clrBrush);
}
