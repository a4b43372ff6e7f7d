#pragma once

#include "files/FileResult.h"

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QImage>
#include <QSize>
#include <QString>

// Bitmap files. Reads any bitmap file Qt's decoder takes once its headers have been checked
// against the file's size, and uncompressed 8-bit files, ours among them, without the decoder;
// writes a picture as an 8-bit file with a full colour table. Memory follows what the file's size
// justifies. Nothing here prints or shows anything.
class CBmpCodec {
public:
    // Pictures larger than this in either direction are neither read nor written.
    static constexpr int kMaxSide = 32768;

    // The bytes of the 8-bit file of bitmap; empty when it is null, larger than kMaxSide either
    // way, or the file would not fit the header's 32-bit sizes.
    static QByteArray Encode(const QImage& bitmap);
    // Writes Encode's bytes through CSafeReplace: an existing file is replaced only when the new
    // one was written completely. EFileError::Unwritable when Encode refuses.
    static CFileResult Write(const QString& strPath, const QImage& bitmap);

    // Opens strPath in file for Read: the system's reason when it cannot, EFileError::NotBitmap
    // when it is no plain file (a folder, a device).
    static CFileResult Open(const QString& strPath, QFile& file);
    // The picture of a bitmap file on an open, random-access device, every pixel defined and
    // opaque. An 8-bit file read without the decoder gives only its part inside sizeMax.
    // EFileError::NotBitmap when the file cannot be read safely; picture is then left as it was.
    static CFileResult Read(QIODevice& device, const QSize& sizeMax, QImage& picture);
};
