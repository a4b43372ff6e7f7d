#pragma once

#include "image/OffscreenBitmap.h"
#include "image/PixelRows.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// A bitmap cut into equal cells; a cell is drawn so that its anchor lands on a given point.
class CSpriteSheet {
public:
    static constexpr int kMaxCells = 36;

    // The resource path of a keyboard bitmap by its id (130..134).
    static QString ResourcePath(int nId);

    // Loads resource bitmap nId and cuts it into nRows x nCols cells anchored at their centres.
    bool Load(int nId, int nRows, int nCols);
    // The same with a picture at hand.
    bool Load(const QImage& img, int nRows, int nCols);
    void Destroy();
    void SetAnchor(const QPoint& pt) { m_ptAnchor = pt; }

    // Draws cell k with its anchor on (x, y). ERop::BrushMask paints clrBrush where the cell is
    // black and keeps the destination where it is white.
    void Draw(QPainter* pDC, int k, int x, int y, ERop rop, QRgb clrBrush = 0) const;
    // The same, changing no pixel outside rcClip. A mask is clipped as it is written; anything
    // else goes through the painter's clip.
    void Draw(QPainter* pDC, int k, int x, int y, ERop rop, QRgb clrBrush,
              const QRect& rcClip) const;
    // The rectangle a Draw at (x, y) covers.
    QRect CellRect(int x, int y) const {
        return QRect(x - m_ptAnchor.x(), y - m_ptAnchor.y(), m_cx, m_cy);
    }

    QImage m_bitmap;
    int m_cx = 0;
    int m_cy = 0;
    std::array<QPoint, kMaxCells> m_cell{};
    QPoint m_ptAnchor;

private:
    // Cuts every cell of a black-and-white sheet at most CPixelRows::kMaxMaskWidth pixels wide
    // into rows of bits, one per black pixel, so that a mask is drawn by writing only the
    // pixels it paints.
    void FindMasks(int nRows, int nCols);
    // Paints the black pixels of cell k, placed with its top left at (xDst, yDst), that lie in
    // rcClip (inside the target).
    void FillMask(QImage& target, const QRect& rcClip, int k, int xDst, int yDst,
                  QRgb clrBrush) const;

    int m_nCells = 0;
    // Set when every pixel of the sheet is pure black or pure white and its cells are narrow
    // enough: ERop::BrushMask then paints exactly the mask's pixels and leaves the rest alone.
    bool m_bMask = false;
    // m_cy rows of cell k from row k * m_cy on; bit i of a row is pixel i, set where black.
    std::vector<std::uint64_t> m_masks;
};
