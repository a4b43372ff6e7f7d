#include "image/BmpCodec.h"
#include "ImageTestUtil.h"
#include "image/DrawingImage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(BitmapFileTest, FreshImageSavesAsAnEightBitFileOfWhite) {
    CDrawingImage img;
    img.Create(1024, 740);
    const QString strPath = TmpPath(QStringLiteral("fresh.bmp"));
    ASSERT_TRUE(img.SaveBmp(strPath));
    const QByteArray buf = ReadAll(strPath);
    ASSERT_EQ(buf.size(), 758838);
    EXPECT_EQ(buf.left(2), QByteArray("BM"));
    EXPECT_EQ(Get32(buf, 2), 758838u);
    EXPECT_EQ(Get32(buf, 6), 0u);
    EXPECT_EQ(Get32(buf, 10), 1078u);
    EXPECT_EQ(Get32(buf, 14), 40u);
    EXPECT_EQ(Get32(buf, 18), 1024u);
    EXPECT_EQ(Get32(buf, 22), 740u);
    EXPECT_EQ(Get16(buf, 26), 1u);
    EXPECT_EQ(Get16(buf, 28), 8u);
    EXPECT_EQ(Get32(buf, 30), 0u);
    EXPECT_EQ(Get32(buf, 34), 757760u);
    EXPECT_EQ(Get32(buf, 38), 0u);
    EXPECT_EQ(Get32(buf, 42), 0u);
    EXPECT_EQ(Get32(buf, 46), 256u);
    EXPECT_EQ(Get32(buf, 50), 0u);
    const auto index = static_cast<unsigned char>(buf[1078]);
    const int nEntry = 54 + 4 * index;
    EXPECT_EQ(buf.mid(nEntry, 4), QByteArray("\xFF\xFF\xFF\x00", 4));
    for (int i = 1078; i < buf.size(); ++i) {
        ASSERT_EQ(static_cast<unsigned char>(buf[i]), index) << "offset " << i;
    }
}

TEST(BitmapFileTest, RowsArePaddedToFourBytesAndTheBlockToEightPixels) {
    CDrawingImage img;
    img.Create(1025, 740);
    img.SetPen(QColor(0, 0, 0), 1);
    img.DrawLine(QPoint(1024, 0), QPoint(1024, 0)); // last pixel of the top row
    const QByteArray buf = img.EncodeBmp();
    const int nSizeImage = 1032 * 740;
    ASSERT_EQ(buf.size(), 1078 + nSizeImage);
    EXPECT_EQ(Get32(buf, 2), static_cast<std::uint32_t>(1078 + nSizeImage));
    EXPECT_EQ(Get32(buf, 34), static_cast<std::uint32_t>(nSizeImage));
    // The top row is the last one, 1028 bytes a row.
    const int nTopRow = 1078 + 739 * 1028;
    const auto nBlack = static_cast<unsigned char>(buf[nTopRow + 1024]);
    const auto nWhite = static_cast<unsigned char>(buf[nTopRow + 1023]);
    EXPECT_EQ(buf.mid(54 + 4 * nBlack, 4), QByteArray("\0\0\0\0", 4));
    EXPECT_EQ(buf.mid(54 + 4 * nWhite, 4), QByteArray("\xFF\xFF\xFF\0", 4));
    EXPECT_EQ(static_cast<unsigned char>(buf[1078 + 1024]), nWhite); // bottom row
}

TEST(BitmapFileTest, SavedPictureLoadsBackInItsColours) {
    CDrawingImage img;
    img.Create(300, 200);
    Scribble(img);
    const QString strPath = TmpPath(QStringLiteral("roundtrip.bmp"));
    ASSERT_TRUE(img.SaveBmp(strPath));
    const QImage expected =
        Visible(img).convertToFormat(QImage::Format_Indexed8).convertToFormat(QImage::Format_RGB32);

    CDrawingImage loaded;
    loaded.Create(300, 200);
    ASSERT_TRUE(loaded.LoadBmp(strPath));
    EXPECT_EQ(Visible(loaded), expected);
}

TEST(BitmapFileTest, OutsideReadersSeeTheSamePixels) {
    CDrawingImage img;
    img.Create(123, 77);
    Scribble(img);
    const QString strPath = TmpPath(QStringLiteral("outside.bmp"));
    ASSERT_TRUE(img.SaveBmp(strPath));
    const QImage expected =
        Visible(img).convertToFormat(QImage::Format_Indexed8).convertToFormat(QImage::Format_RGB32);
    bool bAnyReader = false;
    if (HavePillow()) {
        bAnyReader = true;
        const QString strOut = TmpPath(QStringLiteral("outside-pil.ppm"));
        ASSERT_TRUE(RunTool(
            kPython, {QStringLiteral("-c"),
                      QStringLiteral("import sys; from PIL import Image; "
                                     "Image.open(sys.argv[1]).convert('RGB').save(sys.argv[2])"),
                      strPath, strOut}));
        EXPECT_EQ(QImage(strOut).convertToFormat(QImage::Format_RGB32), expected);
    }
    if (QFile::exists(QString::fromLatin1(kConvert))) {
        bAnyReader = true;
        const QString strOut = TmpPath(QStringLiteral("outside-im.ppm"));
        ASSERT_TRUE(RunTool(kConvert, {strPath, QStringLiteral("ppm:") + strOut}));
        EXPECT_EQ(QImage(strOut).convertToFormat(QImage::Format_RGB32), expected);
    }
    if (!bAnyReader) {
        GTEST_SKIP() << "neither Pillow nor ImageMagick is installed";
    }
}

TEST(BitmapFileTest, FilesOfEveryDepthAndCompressionLoad) {
    if (!QFile::exists(QString::fromLatin1(kConvert))) {
        GTEST_SKIP() << "ImageMagick is not installed";
    }
    // Eight colours in bands, one black-and-white picture for the one-bit file.
    QImage colours(61, 23, QImage::Format_RGB32);
    const QRgb palette[] = {qRgb(0, 0, 0),     qRgb(255, 255, 255), qRgb(255, 0, 0),
                            qRgb(0, 128, 0),   qRgb(0, 0, 255),     qRgb(255, 255, 0),
                            qRgb(128, 0, 128), qRgb(0, 255, 255)};
    for (int y = 0; y < colours.height(); ++y) {
        for (int x = 0; x < colours.width(); ++x) {
            colours.setPixel(x, y, palette[(x / 7 + y / 5) % 8]);
        }
    }
    QImage mono = colours.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither)
                      .convertToFormat(QImage::Format_RGB32);
    // Forty colours, more than a four-bit file can hold.
    QImage many(61, 23, QImage::Format_RGB32);
    for (int y = 0; y < many.height(); ++y) {
        for (int x = 0; x < many.width(); ++x) {
            const int i = (x / 3 + y) % 40;
            many.setPixel(x, y, qRgb(i * 6, 255 - i * 5, (i * 37) % 256));
        }
    }
    const QString strMany = TmpPath(QStringLiteral("many.png"));
    ASSERT_TRUE(many.save(strMany));
    const QString strColours = TmpPath(QStringLiteral("colours.png"));
    const QString strMono = TmpPath(QStringLiteral("mono.png"));
    ASSERT_TRUE(colours.save(strColours));
    ASSERT_TRUE(mono.save(strMono));
    const struct {
        const char* pName;
        const QString* pSource;
        QStringList options;
        int nBitCount;
        int nCompression;
    } cases[] = {
        {"1.bmp", &strMono, {"-type", "Bilevel"}, 1, 0},
        {"4.bmp", &strColours, {"-type", "Palette", "-define", "bmp:format=bmp3"}, 4, 0},
        {"8.bmp", &strMany, {"-type", "Palette", "-compress", "None"}, 8, 0},
        {"rle.bmp", &strColours, {"-type", "Palette", "-compress", "RLE"}, 8, 1},
        {"24.bmp", &strColours, {"-type", "TrueColor"}, 24, 0},
        {"32.bmp", &strColours, {"-type", "TrueColorAlpha"}, 32, 3},
    };
    for (const auto& c : cases) {
        const QString strPath = TmpPath(QString::fromLatin1(c.pName));
        QStringList args{*c.pSource};
        args += c.options;
        args << QStringLiteral("BMP3:") + strPath;
        if (c.nBitCount == 32) {
            args.last() = QStringLiteral("BMP:") + strPath;
        }
        ASSERT_TRUE(RunTool(kConvert, args)) << c.pName;
        const QByteArray buf = ReadAll(strPath);
        ASSERT_GT(buf.size(), 54) << c.pName;
        SCOPED_TRACE(c.pName);
        EXPECT_EQ(Get16(buf, 28), c.nBitCount);
        EXPECT_EQ(Get32(buf, 30), static_cast<std::uint32_t>(c.nCompression));

        CDrawingImage img;
        img.Create(80, 30);
        ASSERT_TRUE(img.LoadBmp(strPath));
        const QImage& expected = c.pSource == &strMono   ? mono
                                 : c.pSource == &strMany ? many
                                                         : colours;
        EXPECT_EQ(Visible(img).copy(0, 0, 61, 23), expected);
        EXPECT_EQ(img.GetImage().pixel(70, 25), qRgb(255, 255, 255));
    }
}

class BrokenFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        CDrawingImage source;
        source.Create(64, 48);
        Scribble(source);
        m_good = source.EncodeBmp();
        m_picture = Visible(source);
        m_img.Create(100, 50);
        m_img.SetPen(QColor(0, 200, 0), 5);
        m_img.DrawLine(QPoint(0, 0), QPoint(99, 49));
        m_before = m_img.GetImage().copy();
    }
    // Loads the bytes through a file; the image must stay as it was.
    void ExpectRefused(const QByteArray& buf, const char* pWhat) {
        const QString strPath = TmpPath(QStringLiteral("broken.bmp"));
        ASSERT_TRUE(WriteAll(strPath, buf));
        EXPECT_FALSE(m_img.LoadBmp(strPath)) << pWhat;
        EXPECT_EQ(m_img.GetImage(), m_before) << pWhat;
    }
    QByteArray m_good;
    QImage m_picture; // what m_good holds before its colours are reduced
    CDrawingImage m_img;
    QImage m_before;
};

TEST_F(BrokenFileTest, TruncatedFilesAreRefused) {
    for (int nSize :
         {0, 2, 14, 30, 54, 1077, 1078, 1078 + 64, static_cast<int>(m_good.size()) - 1}) {
        ExpectRefused(m_good.left(nSize), "truncated");
    }
    // Each refusal says why: the system's reason, or that the file holds no picture.
    const struct {
        QString strPath;
        const char* pszReason;
    } refused[] = {
        {TmpPath(QStringLiteral("no-such-file.bmp")), "No such file or directory"},
        {TmpPath(QStringLiteral("broken.bmp/x.bmp")), "Not a directory"},
        {TmpPath(QString()), "not a readable bitmap"},
        {TmpPath(QStringLiteral("broken.bmp")), "not a readable bitmap"},
    };
    for (const auto& r : refused) {
        const CFileResult result = m_img.LoadBmp(r.strPath);
        EXPECT_FALSE(result) << r.pszReason;
        EXPECT_EQ(result.GetReason(), r.pszReason) << r.strPath.toStdString();
        EXPECT_EQ(m_img.GetImage(), m_before) << r.pszReason;
    }
}

TEST_F(BrokenFileTest, LyingHeadersAreRefused) {
    QByteArray buf = m_good;
    Put32(buf, 18, 40000); // wider than any picture we take
    ExpectRefused(buf, "width 40000");
    buf = m_good;
    Put32(buf, 22, 0x7FFFFFFF);
    ExpectRefused(buf, "height 2^31-1");
    buf = m_good;
    Put32(buf, 22, 0x80000000u);
    ExpectRefused(buf, "height -2^31");
    buf = m_good;
    Put32(buf, 18, 0);
    ExpectRefused(buf, "width 0");
    buf = m_good;
    Put32(buf, 10, static_cast<std::uint32_t>(buf.size()) + 10);
    ExpectRefused(buf, "pixels after the end");
    buf = m_good;
    Put32(buf, 10, 20);
    ExpectRefused(buf, "pixels inside the header");
    buf = m_good;
    Put32(buf, 34, 0x10000000);
    ExpectRefused(buf, "pixel block larger than the file");
    buf = m_good;
    Put32(buf, 2, static_cast<std::uint32_t>(buf.size()) * 2);
    ExpectRefused(buf, "file size larger than the file");
    buf = m_good;
    Put32(buf, 18, 30000); // rows that the file does not hold
    Put32(buf, 22, 30000);
    Put32(buf, 34, 0);
    ExpectRefused(buf, "30000 x 30000 in a small file");
    buf = m_good;
    Put32(buf, 30, 1); // run-length pixels claiming far more than the data can give
    Put32(buf, 18, 32000);
    Put32(buf, 22, 32000);
    Put32(buf, 34, 0);
    ExpectRefused(buf, "run-length bomb");
    buf = m_good;
    buf[0] = 'P';
    ExpectRefused(buf, "not a bitmap");
    ExpectRefused(QByteArray("\x89PNG\r\n\x1a\n") + m_good, "png signature");
}

// The pixels of an 8-bit file with a 40-byte header moved behind a 12-byte header: width and
// height in 16 bits, three bytes a colour.
QByteArray CoreHeaderCopy(const QByteArray& good) {
    QByteArray buf(14 + 12, '\0');
    buf[0] = 'B';
    buf[1] = 'M';
    Put32(buf, 14, 12);
    Put16(buf, 18, static_cast<std::uint16_t>(Get32(good, 18)));
    Put16(buf, 20, static_cast<std::uint16_t>(Get32(good, 22)));
    Put16(buf, 22, 1);
    Put16(buf, 24, 8);
    for (int i = 0; i < 256; ++i) {
        buf += good.mid(54 + 4 * i, 3);
    }
    Put32(buf, 10, static_cast<std::uint32_t>(buf.size()));
    buf += good.mid(static_cast<int>(Get32(good, 10)));
    Put32(buf, 2, static_cast<std::uint32_t>(buf.size()));
    return buf;
}

// A 32-bit file with its colour masks after the 40-byte header, bottom row first.
QByteArray BitFieldsFile(const QImage& picture) {
    const int nOffBits = 14 + 40 + 12;
    QByteArray buf(nOffBits, '\0');
    buf[0] = 'B';
    buf[1] = 'M';
    Put32(buf, 10, nOffBits);
    Put32(buf, 14, 40);
    Put32(buf, 18, static_cast<std::uint32_t>(picture.width()));
    Put32(buf, 22, static_cast<std::uint32_t>(picture.height()));
    Put16(buf, 26, 1);
    Put16(buf, 28, 32);
    Put32(buf, 30, 3);
    Put32(buf, 54, 0xFF0000);
    Put32(buf, 58, 0x00FF00);
    Put32(buf, 62, 0x0000FF);
    for (int y = picture.height() - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width(); ++x) {
            QByteArray pixel(4, '\0');
            Put32(pixel, 0, picture.pixel(x, y) & 0xFFFFFF);
            buf += pixel;
        }
    }
    Put32(buf, 2, static_cast<std::uint32_t>(buf.size()));
    return buf;
}

QImage LoadFromMemory(const QByteArray& file, int cx, int cy) {
    QByteArray buf = file;
    QBuffer device(&buf);
    EXPECT_TRUE(device.open(QIODevice::ReadOnly));
    CDrawingImage img;
    img.Create(cx, cy);
    EXPECT_TRUE(img.LoadBmp(device));
    return Visible(img);
}

// Qt reads the colour masks and the colour table before the pixels and never seeks back: an
// offset pointing into them would have the pixels taken from after them, where the file holds
// fewer rows than the offset promises.
TEST_F(BrokenFileTest, PixelsInsideTheColourTableOrMasksAreRefused) {
    // 256 colours from the bit depth; after the table, rows for only 32 of the 48 lines.
    QByteArray buf = m_good.left(1078 + 32 * 64);
    Put32(buf, 2, static_cast<std::uint32_t>(buf.size()));
    Put32(buf, 10, 54);
    Put32(buf, 46, 0);
    ExpectRefused(buf, "8-bit, pixels at the colour table");
    buf = m_good;
    Put32(buf, 10, 54 + 512);
    ExpectRefused(buf, "8-bit, pixels half way through the colour table");

    const QByteArray core = CoreHeaderCopy(m_good);
    ASSERT_EQ(Get32(core, 10), 14u + 12 + 3 * 256);
    buf = core.left(26 + 64 * 48); // enough rows counted from the offset, 36 after the table
    Put32(buf, 2, static_cast<std::uint32_t>(buf.size()));
    Put32(buf, 10, 26);
    ExpectRefused(buf, "12-byte header, pixels at the colour table");

    const QByteArray fields = BitFieldsFile(m_picture);
    buf = fields.left(fields.size() - 12);
    Put32(buf, 2, static_cast<std::uint32_t>(buf.size()));
    Put32(buf, 10, 54);
    ExpectRefused(buf, "bit fields, pixels at the masks");

    // Pixels right after the table or the masks load exactly.
    const QImage expected = LoadFromMemory(m_good, 64, 48);
    EXPECT_EQ(LoadFromMemory(core, 64, 48), expected);
    EXPECT_EQ(LoadFromMemory(fields, 64, 48), m_picture);
}

// Qt's decoder limit holds for every image the program reads.
TEST(BitmapFileTest, LoadingLeavesTheDecoderLimitAsItWas) {
    const int nPrevious = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(1);
    // A 24-bit file goes through Qt's decoder, whose limit is set for the read alone.
    QImage source(1024, 513, QImage::Format_RGB32);
    source.fill(qRgb(10, 20, 30));
    const QString strPath = TmpPath(QStringLiteral("limit.bmp"));
    ASSERT_TRUE(source.save(strPath, "BMP"));
    ASSERT_EQ(Get16(ReadAll(strPath), 28), 24u);
    CDrawingImage img;
    img.Create(1024, 513);
    EXPECT_TRUE(img.LoadBmp(strPath));
    EXPECT_EQ(img.GetImage().pixel(1023, 512), qRgb(10, 20, 30));
    EXPECT_EQ(QImageReader::allocationLimit(), 1);
    QImageReader::setAllocationLimit(nPrevious);
}

TEST(BitmapFileTest, CodecReadsOnlyTheRoomGivenAndLeavesThePictureWhenRefused) {
    CDrawingImage source;
    source.Create(30, 20);
    source.SetPen(QColor(0, 0, 255), 1);
    source.DrawLine(QPoint(0, 0), QPoint(29, 0));
    const QString strPath = TmpPath(QStringLiteral("codec.bmp"));
    ASSERT_TRUE(CBmpCodec::Write(strPath, source.GetImage()));
    const auto read = [&strPath](QImage& picture) {
        QFile file;
        const CFileResult result = CBmpCodec::Open(strPath, file);
        return result ? CBmpCodec::Read(file, QSize(10, 5), picture) : result;
    };
    QImage picture;
    ASSERT_TRUE(read(picture));
    EXPECT_EQ(picture.size(), QSize(10, 5));
    EXPECT_EQ(picture.pixel(9, 0), qRgb(0, 0, 255));

    ASSERT_TRUE(WriteAll(strPath, ReadAll(strPath).left(100)));
    EXPECT_EQ(read(picture).GetError(), EFileError::NotBitmap);
    EXPECT_EQ(picture.size(), QSize(10, 5));
    EXPECT_TRUE(CBmpCodec::Encode(QImage()).isEmpty());
}

TEST(BitmapFileTest, FailedSaveLeavesTheDiskAlone) {
    CDrawingImage img;
    img.Create(10, 10);
    EXPECT_EQ(img.SaveBmp(TmpPath(QStringLiteral("no-such-dir/x.bmp"))).GetError(),
              std::errc::no_such_file_or_directory);
    const QString strPath = TmpPath(QStringLiteral("keep.bmp"));
    ASSERT_TRUE(WriteAll(strPath, QByteArray("old content")));
    CDrawingImage none; // never created: nothing to write
    EXPECT_EQ(none.SaveBmp(strPath).GetError(), EFileError::Unwritable);
    EXPECT_EQ(ReadAll(strPath), QByteArray("old content"));
    ASSERT_TRUE(img.SaveBmp(strPath));
    EXPECT_EQ(ReadAll(strPath).size(), 1078 + 16 * 10);
}

TEST(BitmapFileTest, LoadsFromMemory) {
    CDrawingImage source;
    source.Create(16, 8);
    Scribble(source);
    QByteArray buf = source.EncodeBmp();
    QBuffer device(&buf);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    CDrawingImage img;
    img.Create(16, 8);
    EXPECT_TRUE(img.LoadBmp(device));
}

// A run-length bitmap file: a colour table and the compressed pixel stream.
QByteArray RunLengthFile(int cx, int cy, bool bFourBits, const std::vector<QRgb>& table,
                         const QByteArray& stream) {
    const int nOffBits = 14 + 40 + 4 * static_cast<int>(table.size());
    QByteArray buf(nOffBits, '\0');
    buf[0] = 'B';
    buf[1] = 'M';
    Put32(buf, 2, static_cast<std::uint32_t>(nOffBits + stream.size()));
    Put32(buf, 10, static_cast<std::uint32_t>(nOffBits));
    Put32(buf, 14, 40);
    Put32(buf, 18, static_cast<std::uint32_t>(cx));
    Put32(buf, 22, static_cast<std::uint32_t>(cy));
    Put32(buf, 26, 1 | ((bFourBits ? 4u : 8u) << 16)); // planes, bits per pixel
    Put32(buf, 30, bFourBits ? 2 : 1);
    Put32(buf, 34, static_cast<std::uint32_t>(stream.size()));
    Put32(buf, 46, static_cast<std::uint32_t>(table.size()));
    for (std::size_t i = 0; i < table.size(); ++i) {
        Put32(buf, 54 + 4 * static_cast<int>(i), table[i] & 0xFFFFFF);
    }
    return buf + stream;
}

// Loads the file onto a white 8 x 6 image after leaving used memory full of a colour that no
// test expects, so that pixels the decoder never wrote would show.
QImage LoadRunLengths(const QByteArray& file) {
    for (int i = 0; i < 8; ++i) {
        QImage dirt(8 + i, 6, QImage::Format_Indexed8);
        dirt.fill(0x5A);
    }
    QByteArray buf = file;
    QBuffer device(&buf);
    EXPECT_TRUE(device.open(QIODevice::ReadOnly));
    CDrawingImage img;
    img.Create(8, 6);
    EXPECT_TRUE(img.LoadBmp(device));
    return img.GetImage().copy();
}

// Pixels as letters: the picture's colours by index, '-' for the white the picture leaves.
std::vector<std::string> Rows(const QImage& image, const std::vector<QRgb>& table) {
    std::vector<std::string> rows;
    for (int y = 0; y < image.height(); ++y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = image.pixel(x, y) | 0xFF000000u;
            const auto it = std::find(table.begin(), table.end(), rgb);
            row += rgb == qRgb(255, 255, 255) ? '-'
                   : it != table.end()        ? static_cast<char>('a' + (it - table.begin()))
                                              : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

const std::vector<QRgb> kRunColours = {qRgb(200, 0, 0), qRgb(0, 150, 0), qRgb(0, 0, 100),
                                       qRgb(0, 0, 0)};

// Skipped pixels, early ends of lines and of the picture, runs past the row end and indices
// past the colour table: every pixel of the picture is defined.
TEST(BitmapFileTest, EightBitRunLengthsDefineEveryPixel) {
    const std::vector<QRgb> table(kRunColours.begin(), kRunColours.begin() + 3);
    const QByteArray stream("\x02\x01"                 // bottom row: bb
                            "\x00\x02\x00\x01"         // delta one up
                            "\x00\x03\x02\x01\x09\x00" // literal c b (past the table), padded
                            "\x00\x00"                 // end of line
                            "\x09\x02"                 // nine c into a row of five
                            "\x00\x01",                // end: the top row is left
                            18);
    const auto rows = Rows(LoadRunLengths(RunLengthFile(5, 4, false, table, stream)),
                           {table[0], table[1], table[2], qRgb(0, 0, 0)});
    const std::vector<std::string> expected = {"aaaaa---", "ccccc---", "aacbd---",
                                               "bbaaa---", "--------", "--------"};
    EXPECT_EQ(rows, expected);
}

TEST(BitmapFileTest, FourBitRunLengthsDefineEveryPixel) {
    const QByteArray stream("\x03\x12"         // b c b
                            "\x00\x00"         // end of line
                            "\x00\x03\x21\x30" // literal c b d
                            "\x00\x02\x01",    // a delta cut short by the end of the file
                            11);
    const auto rows =
        Rows(LoadRunLengths(RunLengthFile(4, 3, true, kRunColours, stream)), kRunColours);
    const std::vector<std::string> expected = {"aaaa----", "cbda----", "bcba----",
                                               "--------", "--------", "--------"};
    EXPECT_EQ(rows, expected);
}

// A file the fuzzer made: its stream ends every line at once, so no pixel is given.
TEST(BitmapFileTest, StreamThatGivesNoPixelsLeavesColourZero) {
    // The fuzzer's seed: its first byte chooses the size of the image, the file follows.
    QByteArray buf = ReadAll(QStringLiteral(VORKELN_SOURCE_DIR
                                            "/fuzz/corpus/fuzz_bmp_load/rle4-past-palette.bmp"))
                         .mid(1);
    ASSERT_FALSE(buf.isEmpty());
    const QImage image = LoadRunLengths(buf);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb expected = x < 5 && y < 3 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
            ASSERT_EQ(image.pixel(x, y), expected) << x << "," << y;
        }
    }
}

} // namespace
