#pragma once

#include "image/OffscreenBitmap.h"
#include "image/PixelRows.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// The pixels of an image that masks are painted into directly: looked up once for many cells.
struct SMaskTarget {
    uchar* m_pBits = nullptr;
    qsizetype m_nStride = 0;
    QSize m_size;

    // The image is detached here, once.
    static SMaskTarget Of(QImage& image) {
        return SMaskTarget{image.bits(), image.bytesPerLine(), image.size()};
    }
};

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
    // Paints the black pixels of cell k in clrBrush with its anchor on pt, changing no pixel
    // outside rcClip or the target. Only for a sheet with masks (HasMasks).
    void DrawMask(QImage& target, int k, QPoint pt, QRgb clrBrush, const QRect& rcClip) const {
        DrawMask(SMaskTarget::Of(target), k, pt, clrBrush, rcClip);
    }
    void DrawMask(const SMaskTarget& target, int k, QPoint pt, QRgb clrBrush,
                  const QRect& rcClip) const;
    // Whether every pixel is pure black or white and the cells are narrow enough for masks:
    // ERop::BrushMask then paints exactly the black pixels and leaves the rest alone.
    bool HasMasks() const { return m_bMask; }
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
    // Cuts every cell of a black-and-white sheet into rows of bits, one per black pixel, in
    // words of CPixelRows::kMaxMaskWidth columns, so that a mask is drawn by writing only the
    // pixels it paints.
    void FindMasks(int nRows, int nCols);
    // A mask drawn with ERop::BrushMask straight into the image the painter draws on, when it
    // may be; false when the painter must draw it.
    bool DrawMaskDirect(QPainter* pDC, int k, QPoint pt, ERop rop, QRgb clrBrush,
                        const QRect& rcClip) const;
    // Paints the black pixels of cell k, placed with its top left at (xDst, yDst), that lie in
    // rcClip and the target.
    void FillMask(const SMaskTarget& target, const QRect& rcClip, int k, int xDst, int yDst,
                  QRgb clrBrush) const;

    // The m_cy rows of word w of cell k; bit i of a row is pixel 64 * w + i, set where black.
    std::uint64_t* MaskRows(int k, int w) {
        return m_masks.data() + static_cast<std::size_t>((k * m_nWords + w) * m_cy);
    }
    const std::uint64_t* MaskRows(int k, int w) const {
        return m_masks.data() + static_cast<std::size_t>((k * m_nWords + w) * m_cy);
    }

    // Cells wider than this many words of masks are drawn by the painter.
    static constexpr int kMaxMaskWords = 8;
    int m_nCells = 0;
    bool m_bMask = false; // see HasMasks
    int m_nWords = 0;     // mask words per row of a cell
    std::vector<std::uint64_t> m_masks;
};

// One mask cell painted in one colour by a single-note update. Painting it again on an image
// that showed the same picture before gives that image the same pixels: a copy of what changed
// can be brought up to date this way instead of copying the cell's rectangle.
struct SMaskStamp {
    const CSpriteSheet* m_pSheet = nullptr;
    int m_k = 0;
    QPoint m_pt; // the anchor
    QRgb m_clr = 0;
    QRect m_rc; // what it may change, inside its clip

    // Paints it on target, ptOffset away from where it was painted first.
    void DrawOn(const SMaskTarget& target, QPoint ptOffset) const {
        if (m_pSheet == nullptr) {
            return;
        }
        m_pSheet->DrawMask(target, m_k, m_pt + ptOffset, m_clr, m_rc.translated(ptOffset));
    }
};
