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
// ANDed onto every composed frame. Saved as an 8-bit bitmap file, loaded from any bitmap file
// Qt's decoder takes; uncompressed 8-bit files, ours among them, are read without it.
class CDrawingImage : public COffscreenBitmap {
public:
    // Pictures larger than this in either direction are neither loaded nor saved.
    static constexpr int kMaxLoadSide = 32768;

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
    void DrawLine(const QPoint& ptFrom, const QPoint& ptTo);
    // Writes the whole image as an 8-bit bitmap file through CSafeReplace: an existing file is
    // replaced only when the new one was written completely. Fails, saying why, when nothing
    // was written (EFileError::Unwritable when no bitmap file can hold the image).
    CFileResult SaveBmp(const QString& strPath);
    // Copies the picture of a bitmap file into the top-left corner. A file that cannot be read
    // safely leaves the image unchanged (EFileError::NotBitmap where the system had nothing
    // against it). Memory follows what the file's size justifies.
    CFileResult LoadBmp(const QString& strPath);
    // The same from an open, random-access device.
    CFileResult LoadBmp(QIODevice& device);

    // The bytes SaveBmp writes; empty when the image is larger than kMaxLoadSide either way or
    // the file would not fit the header's 32-bit sizes.
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
