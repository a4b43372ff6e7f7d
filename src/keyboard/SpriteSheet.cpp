#include "keyboard/SpriteSheet.h"

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
    return true;
}

void CSpriteSheet::Destroy() {
    m_bitmap = QImage();
    m_cx = m_cy = 0;
    m_nCells = 0;
}

void CSpriteSheet::Draw(QPainter* pDC, int k, int x, int y, ERop rop, QRgb clrBrush) const {
    if (k < 0 || k >= m_nCells || pDC == nullptr) {
        return;
    }
    const QPoint ptCell = m_cell[static_cast<std::size_t>(k)];
    const int xDst = x - m_ptAnchor.x();
    const int yDst = y - m_ptAnchor.y();
    COffscreenBitmap::BitBlt(pDC, xDst, yDst, m_cx, m_cy, m_bitmap, ptCell.x(), ptCell.y(), rop,
                             clrBrush);
}
