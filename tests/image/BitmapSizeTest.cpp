#include "ImageTestUtil.h"
#include "image/DrawingImage.h"

#include <QImageReader>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

// What a saved image looks like once its colours are reduced to the file's 256.
QImage Reduced(const CDrawingImage& img) {
    return Visible(img)
        .convertToFormat(QImage::Format_Indexed8)
        .convertToFormat(QImage::Format_RGB32);
}

std::string SizeName(const QSize& size) {
    return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

// The sizes of screens and of what lies on either side of the limits bitmaps met: Qt's decoder
// refused a file of 1024 x 513 and more under our old limit, and takes no picture of more than
// 2^28 pixels; SaveBmp writes up to 32768 a side.
const QSize kSizes[] = {{1024, 512}, {1024, 513}, {1920, 1080}, {3840, 2160},
                        {32768, 1},  {1, 32768},  {16385, 16}};

TEST(BitmapSizes, EverySizeSavedOpensAgainWithTheSamePixels) {
    for (const QSize& size : kSizes) {
        SCOPED_TRACE(SizeName(size));
        CDrawingImage img;
        img.Create(size.width(), size.height());
        Scribble(img);
        const QString strPath = TmpPath(QStringLiteral("size.bmp"));
        ASSERT_TRUE(img.SaveBmp(strPath));
        CDrawingImage loaded;
        loaded.Create(size.width(), size.height());
        loaded.SetPen(QColor(0, 255, 0), 9);
        loaded.DrawLine(QPoint(0, 0), QPoint(size.width(), size.height()));
        ASSERT_TRUE(loaded.LoadBmp(strPath));
        EXPECT_EQ(Visible(loaded), Reduced(img));
    }
    // A drawing larger than any picture loaded is not saved.
    for (const QSize& size : {QSize(32769, 1), QSize(1, 32769)}) {
        CDrawingImage img;
        img.Create(size.width(), size.height());
        EXPECT_TRUE(img.EncodeBmp().isEmpty()) << SizeName(size);
        EXPECT_FALSE(img.SaveBmp(TmpPath(QStringLiteral("too-large.bmp"))));
    }
}

TEST(BitmapSizes, TheLargestFileSaveBmpWritesLoadsWhereItFits) {
    // 32768 x 32768 at 8 bits: a gigabyte of pixels, all colour 0, kept sparse on the disk.
    constexpr std::int64_t kSide = 32768;
    QByteArray head(1078, '\0');
    head[0] = 'B';
    head[1] = 'M';
    Put32(head, 2, static_cast<std::uint32_t>(1078 + kSide * kSide));
    Put32(head, 10, 1078);
    Put32(head, 14, 40);
    Put32(head, 18, kSide);
    Put32(head, 22, kSide);
    Put16(head, 26, 1);
    Put16(head, 28, 8);
    Put32(head, 34, static_cast<std::uint32_t>(kSide * kSide));
    Put32(head, 46, 256);
    head[54 + 2] = static_cast<char>(200); // colour 0: red
    const QString strPath = TmpPath(QStringLiteral("largest.bmp"));
    ASSERT_TRUE(WriteAll(strPath, head));
    std::filesystem::resize_file(strPath.toStdString(), 1078 + kSide * kSide);
    CDrawingImage img;
    img.Create(640, 480);
    ASSERT_TRUE(img.LoadBmp(strPath));
    EXPECT_EQ(img.GetImage().pixel(0, 0), qRgb(200, 0, 0));
    EXPECT_EQ(img.GetImage().pixel(639, 479), qRgb(200, 0, 0));
    QFile::remove(strPath);
}

TEST(BitmapSizes, ScreenSizedFilesOfEveryDepthFromImageMagickLoad) {
    if (!QFile::exists(QString::fromLatin1(kConvert))) {
        GTEST_SKIP() << "ImageMagick is not installed";
    }
    // Pictures of 2, 6 and 40 colours: as many as each depth holds without a choice to make.
    const struct {
        const char* pszDepth;
        QStringList options;
        int nBitCount;
        int nColours;
    } depths[] = {
        {"1", {"-type", "Bilevel"}, 1, 2},
        {"4", {"-type", "Palette", "-define", "bmp:format=bmp3"}, 4, 6},
        {"8", {"-type", "Palette", "-compress", "None"}, 8, 40},
        {"24", {"-type", "TrueColor"}, 24, 40},
        {"32", {"-type", "TrueColorAlpha"}, 32, 40},
    };
    for (const QSize& size : {QSize(1024, 513), QSize(1920, 1080), QSize(3840, 2160)}) {
        for (const auto& depth : depths) {
            SCOPED_TRACE(SizeName(size) + " at " + depth.pszDepth + " bits");
            // The source has its colour table already, so ImageMagick has no colours to choose.
            QImage source(size, QImage::Format_Indexed8);
            QList<QRgb> colours;
            for (int i = 0; i < depth.nColours; ++i) {
                colours << (depth.nColours == 2 ? (i == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255))
                                                : qRgb(i * 6, 255 - i * 5, (i * 37) % 256));
            }
            source.setColorTable(colours);
            for (int y = 0; y < size.height(); ++y) {
                uchar* pRow = source.scanLine(y);
                for (int x = 0; x < size.width(); ++x) {
                    pRow[x] = static_cast<uchar>((x / 37 + y / 23) % depth.nColours);
                }
            }
            const QImage picture = source.convertToFormat(QImage::Format_RGB32);
            const QString strSource = TmpPath(QStringLiteral("screen-source.bmp"));
            ASSERT_TRUE(source.save(strSource, "BMP"));
            const QString strPath = TmpPath(QStringLiteral("screen.bmp"));
            QStringList args{strSource};
            args += depth.options;
            args << (depth.nBitCount == 32 ? QStringLiteral("BMP:") : QStringLiteral("BMP3:")) +
                        strPath;
            ASSERT_TRUE(RunTool(kConvert, args));
            const QByteArray head = ReadAll(strPath).left(54);
            ASSERT_EQ(head.size(), 54);
            EXPECT_EQ(Get16(head, 28), depth.nBitCount);
            CDrawingImage img;
            img.Create(size.width(), size.height());
            ASSERT_TRUE(img.LoadBmp(strPath));
            EXPECT_EQ(Visible(img), picture);
        }
    }
}

TEST(BitmapSizes, ADrawingReplacesAFileOfTheLongestName) {
    CDrawingImage img;
    img.Create(20, 10);
    Scribble(img);
    for (const int nLength : {248, 249, 255}) {
        const QString strPath = TmpPath(QString(nLength - 4, QLatin1Char('d')) + ".bmp");
        ASSERT_TRUE(WriteAll(strPath, QByteArray("old")));
        EXPECT_TRUE(img.SaveBmp(strPath)) << nLength;
        EXPECT_EQ(ReadAll(strPath), img.EncodeBmp()) << nLength;
        QFile::remove(strPath);
    }
}

TEST(BitmapSizes, StrokesMarkTheDrawingAndClearSaveAndLoadClearTheMark) {
    using Action = bool (*)(CDrawingImage&, const QString&);
    const QString strSaved = TmpPath(QStringLiteral("marked.bmp"));
    const struct {
        const char* pszAction;
        Action fnAction; // true when it did what it was meant to
        bool bModified;
    } cases[] = {
        {"stroke", [](CDrawingImage& img, const QString&) { return img.BeginDraw() != nullptr; },
         true},
        {"clear", [](CDrawingImage& img, const QString&) { return img.Clear(), true; }, false},
        {"save",
         [](CDrawingImage& img, const QString& strPath) {
             return static_cast<bool>(img.SaveBmp(strPath));
         },
         false},
        {"load",
         [](CDrawingImage& img, const QString& strPath) {
             return static_cast<bool>(img.LoadBmp(strPath));
         },
         false},
        {"failed save",
         [](CDrawingImage& img, const QString& strPath) { return !img.SaveBmp(strPath + "/x"); },
         true},
        {"failed load",
         [](CDrawingImage& img, const QString& strPath) { return !img.LoadBmp(strPath + "x"); },
         true},
    };
    for (const auto& c : cases) {
        CDrawingImage img;
        img.Create(30, 20);
        EXPECT_FALSE(img.IsModified()) << c.pszAction;
        img.DrawLine(QPoint(0, 0), QPoint(10, 10));
        EXPECT_TRUE(img.IsModified()) << c.pszAction;
        ASSERT_TRUE(c.fnAction(img, strSaved)) << c.pszAction;
        img.EndDraw();
        EXPECT_EQ(img.IsModified(), c.bModified) << c.pszAction;
    }
}

} // namespace
