#pragma once

#include "files/FileResult.h"
#include "image/OffscreenBitmap.h"

#include <QColor>
#include <QIODevice>
#include <QPen>
#include <QPoint>
#include <QRegion>
#include <QString>

// The sheet the size of the screen that lies over the keyboard. White is transparent: it is
// ANDed onto every composed frame. Saved and loaded as bitmap files through CBmpCodec.
class CDrawingImage : public COffscreenBitmap {
public:
    // Bitmap, cleared, black pen of width 1.
    void Create(int cx, int cy);
    void Destroy();
    // Every byte of the bitmap becomes 0xFF (white).
    void Clear();
    // Solid pen, no antialiasing; the width is clamped to 1..255.
    void SetPen(const QColor& clr, int nWidth);
    // ANDs the visible part of the image onto pDC at (0, 0).
    void DrawOnto(QPainter* pDC) const;
    // The same for the visible part of a region or a rectangle only.
    void DrawOnto(QPainter* pDC, const QRegion& rgn) const;
    void DrawOnto(QPainter* pDC, const QRect& rc) const;
    // ANDs the image onto a target dRatio times as dense: each pixel of the image covers the
    // target pixels whose top left lies in it. rcDevice is in the target's pixels.
    void DrawOnto(QPainter* pDC, const QRect& rcDevice, double dRatio) const;
    // Makes the bitmap at least cx x cy, keeping the picture in its top-left corner.
    void EnsureSize(int cx, int cy);
    void DrawLine(const QPoint& ptFrom, const QPoint& ptTo);
    // Writes the whole image as an 8-bit bitmap file (CBmpCodec::Write); fails, saying why,
    // when nothing was written.
    CFileResult SaveBmp(const QString& strPath);
    // Copies the picture of a bitmap file into the top-left corner. A file that cannot be read
    // safely leaves the image unchanged (EFileError::NotBitmap where the system had nothing
    // against it).
    CFileResult LoadBmp(const QString& strPath);
    // The same from an open, random-access device.
    CFileResult LoadBmp(QIODevice& device);

    // The bytes SaveBmp writes (CBmpCodec::Encode).
    QByteArray EncodeBmp() const;

    // Unsaved changes: strokes and drawing from outside mark the image; Clear, a load and a
    // save clear the mark.
    bool IsModified() const { return m_bModified; }
    void SetModified(bool bModified) { m_bModified = bModified; }

    // Drawing on the image from outside: the whole image then counts as drawn on.
    QPainter* BeginDraw();

    const QPen& GetPen() const { return m_pen; }
    // The part of the image that may hold anything but white.
    const QRect& GetInkRect() const { return m_rcInk; }

private:
    QPen m_pen;
    // White is transparent: composition skips what lies outside this rectangle.
    QRect m_rcInk;
    bool m_bModified = false;
};
