#include "image/BmpCodec.h"

#include "files/SafeReplace.h"

#include <QImageReader>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <utility>

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kColourTableSize = 4 * 256;
constexpr int kOffBits = kFileHeaderSize + kInfoHeaderSize + kColourTableSize; // 1078

// Decoding compressed pixels may give at most this many pixels per byte of pixel data; a
// run of two bytes gives at most 255 pixels.
constexpr std::int64_t kMaxRlePixelsPerByte = 128;
// What Qt's decoder charges a decoded pixel against its allocation limit, whatever the depth.
constexpr std::int64_t kDecoderBytesPerPixel = 4;
constexpr int kMaxColours = 256;

// Compression values of the bitmap info header.
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

void Put16(QByteArray& buf, int nOffset, std::uint16_t n) {
    buf[nOffset] = static_cast<char>(n & 0xFF);
    buf[nOffset + 1] = static_cast<char>(n >> 8);
}

void Put32(QByteArray& buf, int nOffset, std::uint32_t n) {
    for (int i = 0; i < 4; ++i) {
        buf[nOffset + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
    }
}

std::uint32_t Get16(const QByteArray& buf, int nOffset) {
    const auto* p = reinterpret_cast<const unsigned char*>(buf.constData()) + nOffset;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

std::uint32_t Get32(const QByteArray& buf, int nOffset) {
    return Get16(buf, nOffset) | (Get16(buf, nOffset + 2) << 16);
}

// Where the pixels of a bitmap file can start at the earliest: after the headers, the colour
// masks and the colour table. Qt's decoder reads all of these first and only ever seeks
// forward to bfOffBits, so it takes the pixels from here when bfOffBits points any earlier.
std::int64_t FirstPixelOffset(std::int64_t nInfoSize, std::uint32_t nBitCount,
                              std::uint32_t nCompression, std::int64_t nClrUsed) {
    // Headers shorter than the 108-byte version hold no masks; bit-field files keep them right
    // after the header.
    std::int64_t nMasks = 0;
    if (nInfoSize < 108) {
        nMasks = nCompression == kBiBitfields ? 12 : nCompression == kBiAlphaBitfields ? 16 : 0;
    }
    // Only palette pictures have their table read; a 12-byte header has three bytes an entry
    // and no count of its own.
    std::int64_t nColours = 0;
    if (nBitCount <= 8) {
        nColours = nClrUsed != 0 ? nClrUsed : std::int64_t{1} << nBitCount;
    }
    const std::int64_t nEntrySize = nInfoSize == 12 ? 3 : 4;
    return kFileHeaderSize + nInfoSize + nMasks + nColours * nEntrySize;
}

// What the headers of a bitmap file promise, checked against the size of the file before any
// pixel is decoded. Returns the number of bytes Qt's decoder may take for the picture, or -1
// when the file cannot be trusted.
std::int64_t CheckBmpHeaders(const QByteArray& head, std::int64_t nFileSize) {
    if (head.size() < kFileHeaderSize + 12 || head[0] != 'B' || head[1] != 'M') {
        return -1;
    }
    const std::int64_t nDeclaredSize = Get32(head, 2);
    const std::int64_t nOffBits = Get32(head, 10);
    const std::int64_t nInfoSize = Get32(head, 14);
    if (nDeclaredSize > nFileSize) {
        return -1; // shorter than the header says: truncated
    }
    std::int64_t nWidth = 0;
    std::int64_t nHeight = 0;
    std::uint32_t nBitCount = 0;
    std::uint32_t nCompression = kBiRgb;
    std::int64_t nSizeImage = 0;
    std::int64_t nClrUsed = 0;
    if (nInfoSize == 12) {
        nWidth = Get16(head, 18);
        nHeight = static_cast<std::int16_t>(Get16(head, 20));
        nBitCount = Get16(head, 24);
    } else if (nInfoSize >= kInfoHeaderSize && nInfoSize <= 1024 &&
               head.size() >= kFileHeaderSize + kInfoHeaderSize) {
        nWidth = static_cast<std::int32_t>(Get32(head, 18));
        nHeight = static_cast<std::int32_t>(Get32(head, 22));
        nBitCount = Get16(head, 28);
        nCompression = Get32(head, 30);
        nSizeImage = Get32(head, 34);
        nClrUsed = Get32(head, 46);
    } else {
        return -1;
    }
    if (nHeight < 0) {
        nHeight = -nHeight;
    }
    if (nWidth <= 0 || nHeight <= 0 || nWidth > CBmpCodec::kMaxSide ||
        nHeight > CBmpCodec::kMaxSide) {
        return -1;
    }
    // Pixels said to start inside the headers, the masks or the colour table would be taken
    // from further on, where the file may hold fewer of them than the check below counts.
    if (nOffBits < FirstPixelOffset(nInfoSize, nBitCount, nCompression, nClrUsed) ||
        nOffBits >= nFileSize) {
        return -1;
    }
    const std::int64_t nDataSize = nFileSize - nOffBits;
    if (nSizeImage > nDataSize) {
        return -1;
    }
    const std::int64_t nPixels = nWidth * nHeight;
    switch (nCompression) {
    case kBiRgb:
    case kBiBitfields:
    case kBiAlphaBitfields: {
        if (nBitCount != 1 && nBitCount != 4 && nBitCount != 8 && nBitCount != 16 &&
            nBitCount != 24 && nBitCount != 32) {
            return -1;
        }
        const std::int64_t nRowBytes = ((nWidth * nBitCount + 31) / 32) * 4;
        if (nRowBytes * nHeight > nDataSize) {
            return -1;
        }
        break;
    }
    case kBiRle8:
    case kBiRle4:
        if ((nCompression == kBiRle8 && nBitCount != 8) ||
            (nCompression == kBiRle4 && nBitCount != 4)) {
            return -1;
        }
        if (nPixels > nDataSize * kMaxRlePixelsPerByte) {
            return -1;
        }
        break;
    default:
        return -1;
    }
    return nPixels * kDecoderBytesPerPixel;
}

// Uncompressed 8-bit files, the kind SaveBmp writes, are read without Qt's decoder: it takes
// the whole picture into memory first and refuses pictures of more than 2^28 pixels, which
// SaveBmp writes up to 32768 a side.
bool IsPlainEightBit(const QByteArray& head) {
    return head.size() >= kFileHeaderSize + kInfoHeaderSize && Get32(head, 14) >= kInfoHeaderSize &&
           Get16(head, 28) == 8 && Get32(head, 30) == kBiRgb;
}

// The part of a plain 8-bit file's picture that lies inside sizeMax, with the file's colour
// table; null when the file does not hold it. The headers have been checked already.
QImage ReadEightBitPicture(QIODevice& device, const QByteArray& head, const QSize& sizeMax) {
    const std::int64_t nOffBits = Get32(head, 10);
    const std::int64_t nInfoSize = Get32(head, 14);
    const std::int64_t nWidth = static_cast<std::int32_t>(Get32(head, 18));
    const auto nHeightField = static_cast<std::int32_t>(Get32(head, 22));
    const std::int64_t nHeight = nHeightField < 0 ? -std::int64_t{nHeightField} : nHeightField;
    const std::uint32_t nClrUsed = Get32(head, 46);
    // Qt's decoder refuses larger tables; so do we.
    if (nClrUsed > kMaxColours) {
        return {};
    }
    const int nColours = nClrUsed != 0 ? static_cast<int>(nClrUsed) : kMaxColours;
    if (!device.seek(kFileHeaderSize + nInfoSize)) {
        return {};
    }
    const QByteArray table = device.read(4 * nColours);
    if (table.size() != 4 * nColours) {
        return {};
    }
    QList<QRgb> colours(nColours);
    for (int i = 0; i < nColours; ++i) {
        colours[i] = qRgb(static_cast<unsigned char>(table[4 * i + 2]),
                          static_cast<unsigned char>(table[4 * i + 1]),
                          static_cast<unsigned char>(table[4 * i]));
    }
    const int cx = static_cast<int>(std::min<std::int64_t>(nWidth, sizeMax.width()));
    const int cy = static_cast<int>(std::min<std::int64_t>(nHeight, sizeMax.height()));
    QImage picture(cx, cy, QImage::Format_Indexed8);
    if (picture.isNull()) {
        return {};
    }
    picture.setColorTable(colours);
    const std::int64_t nRowBytes = (nWidth + 3) / 4 * 4;
    for (int y = 0; y < cy; ++y) {
        // Rows are stored bottom-up unless the height is negative.
        const std::int64_t nRow = nHeightField < 0 ? y : nHeight - 1 - y;
        if (!device.seek(nOffBits + nRow * nRowBytes) ||
            device.read(reinterpret_cast<char*>(picture.scanLine(y)), cx) != cx) {
            return {};
        }
    }
    return picture;
}

// A palette file may hold pixel indices past the end of its colour table, and Qt's painter
// reads whatever lies beyond it. Such pixels show black.
void CoverEveryIndex(QImage& picture) {
    int nIndices = 0;
    switch (picture.format()) {
    case QImage::Format_Indexed8:
        nIndices = 256;
        break;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        nIndices = 2;
        break;
    default:
        return;
    }
    QList<QRgb> colours = picture.colorTable();
    if (colours.size() < nIndices) {
        colours.resize(nIndices, qRgb(0, 0, 0));
        picture.setColorTable(colours);
    }
}

// Qt's decoder leaves the pixels that a run-length stream skips (by a delta, an early end of
// line or an early end of the stream) as whatever memory held. The stream is decoded again
// over colour 0, so that every pixel is defined; pixels past the end of a row are dropped.
void DecodeRunLengths(QImage& picture, QIODevice& device, bool bFourBits, bool bTopDown) {
    picture.fill(0);
    const int cx = picture.width();
    const int cy = picture.height();
    // The stream is read in blocks and taken a byte at a time.
    QByteArray block;
    qsizetype nPos = 0;
    const auto next = [&](std::uint8_t& n) {
        if (nPos == block.size()) {
            constexpr qint64 kBlockSize = 64 * 1024;
            block = device.read(kBlockSize);
            nPos = 0;
            if (block.isEmpty()) {
                return false;
            }
        }
        n = static_cast<std::uint8_t>(block[nPos++]);
        return true;
    };
    int x = 0;
    int nRow = 0; // rows in the order the file stores them
    uchar* pRow = picture.scanLine(bTopDown ? 0 : cy - 1);
    const auto put = [&](std::uint8_t nIndex) {
        if (x < cx) {
            pRow[x++] = nIndex;
        }
    };
    const auto moveTo = [&](int xNew, int nRowNew) {
        x = std::min(xNew, cx);
        nRow = nRowNew;
        if (nRow < cy) {
            pRow = picture.scanLine(bTopDown ? nRow : cy - 1 - nRow);
        }
    };
    std::uint8_t nCount = 0;
    std::uint8_t nValue = 0;
    while (nRow < cy && next(nCount) && next(nValue)) {
        if (nCount > 0) { // a run of one index, or of two alternating nibbles
            for (int i = 0; i < nCount; ++i) {
                put(!bFourBits ? nValue : (i % 2 == 0 ? nValue >> 4 : nValue & 0x0F));
            }
            continue;
        }
        switch (nValue) {
        case 0: // end of line
            moveTo(0, nRow + 1);
            break;
        case 1: // end of picture
            return;
        case 2: { // delta: right and up
            std::uint8_t dx = 0;
            std::uint8_t dy = 0;
            if (!next(dx) || !next(dy)) {
                return;
            }
            moveTo(x + dx, nRow + dy);
            break;
        }
        default: { // nValue literal indices, padded to a whole number of 16-bit words
            const int nBytes = bFourBits ? (nValue + 1) / 2 : nValue;
            std::uint8_t nByte = 0;
            for (int i = 0; i < nValue; ++i) {
                if ((!bFourBits || i % 2 == 0) && !next(nByte)) {
                    return;
                }
                put(!bFourBits ? nByte : (i % 2 == 0 ? nByte >> 4 : nByte & 0x0F));
            }
            if (nBytes % 2 != 0 && !next(nByte)) {
                return;
            }
            break;
        }
        }
    }
}

// Qt's limit on the memory an image decode may take holds for the whole program; it is
// changed for one read and put back afterwards.
class CAllocationLimit {
public:
    explicit CAllocationLimit(int nMegabytes) : m_nPrevious(QImageReader::allocationLimit()) {
        QImageReader::setAllocationLimit(nMegabytes);
    }
    ~CAllocationLimit() { QImageReader::setAllocationLimit(m_nPrevious); }
    CAllocationLimit(const CAllocationLimit&) = delete;
    CAllocationLimit& operator=(const CAllocationLimit&) = delete;

private:
    int m_nPrevious;
};

// Any other file, through Qt's decoder, with room for the decoded picture and no more: our own
// checks of the headers against the file's size have bounded that already.
QImage DecodePicture(QIODevice& device, const QByteArray& head, std::int64_t nDecodedBytes) {
    if (!device.seek(0)) {
        return {};
    }
    QImageReader reader(&device, "bmp");
    reader.setAutoTransform(false);
    constexpr std::int64_t kMegabyte = 1024 * 1024;
    const CAllocationLimit limit(static_cast<int>(nDecodedBytes / kMegabyte + 1));
    const QSize sizePicture = reader.size();
    if (!sizePicture.isValid() || sizePicture.width() > CBmpCodec::kMaxSide ||
        sizePicture.height() > CBmpCodec::kMaxSide) {
        return {};
    }
    QImage picture = reader.read();
    if (picture.isNull() || picture.size() != sizePicture) {
        return {};
    }
    const bool bRunLengths = head.size() >= kFileHeaderSize + kInfoHeaderSize &&
                             Get32(head, 14) >= kInfoHeaderSize &&
                             (Get32(head, 30) == kBiRle8 || Get32(head, 30) == kBiRle4);
    if (bRunLengths) {
        if (picture.format() != QImage::Format_Indexed8 || !device.seek(Get32(head, 10))) {
            return {};
        }
        const bool bTopDown = static_cast<std::int32_t>(Get32(head, 22)) < 0;
        DecodeRunLengths(picture, device, Get32(head, 30) == kBiRle4, bTopDown);
    }
    return picture;
}

} // namespace

QByteArray CBmpCodec::Encode(const QImage& bitmap) {
    if (bitmap.isNull()) {
        return {};
    }
    const std::int64_t nWidth = bitmap.width();
    const std::int64_t nHeight = bitmap.height();
    // What Read would refuse is not written.
    if (nWidth > kMaxSide || nHeight > kMaxSide) {
        return {};
    }
    const std::int64_t nRowBytes = (nWidth + 3) / 4 * 4;
    // The pixel block counts rows rounded up to a multiple of 8 pixels; the bytes that the
    // rows do not use stay as filler after the last row.
    const std::int64_t nSizeImage = (nWidth + 7) / 8 * 8 * nHeight;
    const std::int64_t nFileSize = kOffBits + nSizeImage;
    if (nFileSize > std::numeric_limits<std::int32_t>::max()) {
        return {};
    }
    const QImage img8 = bitmap.convertToFormat(QImage::Format_Indexed8);
    if (img8.isNull()) {
        return {};
    }
    QByteArray buf(static_cast<qsizetype>(nFileSize), '\0');
    buf[0] = 'B';
    buf[1] = 'M';
    Put32(buf, 2, static_cast<std::uint32_t>(nFileSize));
    Put32(buf, 10, kOffBits);
    Put32(buf, 14, kInfoHeaderSize);
    Put32(buf, 18, static_cast<std::uint32_t>(nWidth));
    Put32(buf, 22, static_cast<std::uint32_t>(nHeight));
    Put16(buf, 26, 1);
    Put16(buf, 28, 8);
    Put32(buf, 30, kBiRgb);
    Put32(buf, 34, static_cast<std::uint32_t>(nSizeImage));
    Put32(buf, 46, 256);
    const QList<QRgb> colours = img8.colorTable();
    for (int i = 0; i < std::min<int>(256, static_cast<int>(colours.size())); ++i) {
        const int nEntry = kFileHeaderSize + kInfoHeaderSize + 4 * i;
        buf[nEntry] = static_cast<char>(qBlue(colours[i]));
        buf[nEntry + 1] = static_cast<char>(qGreen(colours[i]));
        buf[nEntry + 2] = static_cast<char>(qRed(colours[i]));
    }
    for (std::int64_t y = 0; y < nHeight; ++y) {
        const std::int64_t nOffset = kOffBits + (nHeight - 1 - y) * nRowBytes;
        std::memcpy(buf.data() + nOffset, img8.constScanLine(static_cast<int>(y)),
                    static_cast<std::size_t>(nWidth));
    }
    return buf;
}

CFileResult CBmpCodec::Write(const QString& strPath, const QImage& bitmap) {
    const QByteArray buf = Encode(bitmap);
    if (buf.isEmpty()) {
        return EFileError::Unwritable;
    }
    return CSafeReplace::Replace(std::filesystem::path(strPath.toStdU16String()),
                                 reinterpret_cast<const std::uint8_t*>(buf.constData()),
                                 static_cast<std::size_t>(buf.size()));
}

CFileResult CBmpCodec::Open(const QString& strPath, QFile& file) {
    if (CFileResult result = CFileResult::CheckPlainFile(
            std::filesystem::path(strPath.toStdU16String()), EFileError::NotBitmap);
        !result) {
        return result;
    }
    file.setFileName(strPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return CFileResult::NotOpened();
    }
    return {};
}

CFileResult CBmpCodec::Read(QIODevice& device, const QSize& sizeMax, QImage& picture) {
    if (!device.isReadable() || device.isSequential()) {
        return EFileError::NotBitmap;
    }
    // The headers are checked against what the file really holds before anything is decoded.
    const QByteArray head = device.read(kFileHeaderSize + kInfoHeaderSize);
    const std::int64_t nDecodedBytes = CheckBmpHeaders(head, device.size());
    if (nDecodedBytes < 0) {
        return EFileError::NotBitmap;
    }
    QImage decoded = IsPlainEightBit(head) ? ReadEightBitPicture(device, head, sizeMax)
                                           : DecodePicture(device, head, nDecodedBytes);
    if (decoded.isNull()) {
        return EFileError::NotBitmap;
    }
    CoverEveryIndex(decoded);
    if (decoded.hasAlphaChannel()) {
        // A block transfer copies colours and knows no transparency.
        decoded = decoded.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < decoded.height(); ++y) {
            QRgb* p = reinterpret_cast<QRgb*>(decoded.scanLine(y));
            for (int x = 0; x < decoded.width(); ++x) {
                p[x] |= 0xFF000000u;
            }
        }
    }
    picture = std::move(decoded);
    return {};
}
