#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <memory>

// Raster operations of the block transfers. The values are the classic ternary raster-operation
// codes, so that a reader who knows them finds them again.
enum class ERop : std::uint32_t {
    SrcCopy = 0x00CC0020,  // destination := source
    SrcAnd = 0x008800C6,   // destination := source AND destination
    SrcPaint = 0x00EE0086, // destination := source OR destination
    BrushMask = 0x00B8074A // brush where the source is black, destination where it is white
};

// A picture composed off screen and copied out with one block transfer. Every bitmap of the
// program and the window share one pixel format (Format_RGB32), so copies never convert pixels.
// The painter exists only between BeginDraw and EndDraw; pairs on one object never nest.
class COffscreenBitmap {
public:
    static constexpr QImage::Format kFormat = QImage::Format_RGB32;

    COffscreenBitmap() = default;
    ~COffscreenBitmap();
    COffscreenBitmap(const COffscreenBitmap&) = delete;
    COffscreenBitmap& operator=(const COffscreenBitmap&) = delete;

    // Makes a black bitmap of cx x cy pixels (negative sizes count as 0).
    void Create(int cx, int cy);
    void Destroy();
    void SetViewSize(int cx, int cy);

    // Starts a drawing operation and returns its painter; null when there is no bitmap.
    QPainter* BeginDraw();
    void EndDraw();

    // Copies the visible part (m_sizeView) of the bitmap to pDC at (x, y).
    void CopyTo(QPainter* pDC, int x, int y, ERop rop) const;
    // Copies one rectangle of the bitmap to the same place in pDC.
    void CopyRectTo(QPainter* pDC, const QRect& rc, int dx, int dy, ERop rop) const;

    // One block transfer of cx x cy pixels from src at (xSrc, ySrc) to pDC at (x, y).
    // clrBrush is used only by ERop::BrushMask.
    static void BitBlt(QPainter* pDC, int x, int y, int cx, int cy, const QImage& src, int xSrc,
                       int ySrc, ERop rop, QRgb clrBrush = 0);

    // The image pDC paints on when a transfer may write its pixels directly: one of our
    // bitmaps, painted without clipping or transformation. Null otherwise.
    static QImage* DirectTarget(QPainter* pDC);

    // A COLORREF (0x00BBGGRR) as an opaque Qt colour.
    static constexpr QRgb RgbFromColorRef(std::uint32_t clr) {
        return 0xFF000000u | ((clr & 0xFFu) << 16) | (clr & 0xFF00u) | ((clr >> 16) & 0xFFu);
    }

    const QSize& GetSize() const { return m_size; }
    const QSize& GetViewSize() const { return m_sizeView; }
    const QRect& GetViewRect() const { return m_rcView; }
    const QImage& GetImage() const { return m_bitmap; }
    QPainter* GetDC() const { return m_dc.get(); }

protected:
    QSize m_size{0, 0};
    QImage m_bitmap;
    QSize m_sizeView{0, 0};
    QRect m_rcView;
    std::unique_ptr<QPainter> m_dc;
};
