#include "image/DrawingImage.h"
#include "ImageTestUtil.h"

#include <gtest/gtest.h>

namespace {

// Parts of a frame buffer may be shown or compared before anything is drawn there.
TEST(OffscreenBitmapTest, NewBitmapsAreBlackEverywhere) {
    {
        QImage dirt(67, 9, COffscreenBitmap::kFormat); // leaves white memory behind
        dirt.fill(Qt::white);
    }
    COffscreenBitmap bitmap;
    bitmap.Create(67, 9);
    const QImage& bits = bitmap.GetImage();
    for (int y = 0; y < bits.height(); ++y) {
        for (int x = 0; x < bits.width(); ++x) {
            ASSERT_EQ(bits.pixel(x, y), qRgb(0, 0, 0)) << x << "," << y;
        }
    }
}

TEST(DrawingImageTest, CreateClearsToWhiteWithABlackPen) {
    CDrawingImage img;
    img.Create(37, 11);
    EXPECT_EQ(img.GetImage().format(), COffscreenBitmap::kFormat);
    const QImage& bits = img.GetImage();
    for (qsizetype i = 0; i < bits.sizeInBytes(); ++i) {
        ASSERT_EQ(bits.constBits()[i], 0xFF);
    }
    EXPECT_EQ(img.GetPen().color(), QColor(0, 0, 0));
    EXPECT_EQ(img.GetPen().width(), 1);
    img.SetPen(QColor(1, 2, 3), 0);
    EXPECT_EQ(img.GetPen().width(), 1);
    img.SetPen(QColor(1, 2, 3), 100000);
    EXPECT_EQ(img.GetPen().width(), 255);
    img.DrawLine(QPoint(0, 5), QPoint(36, 5));
    img.Clear();
    for (qsizetype i = 0; i < bits.sizeInBytes(); ++i) {
        ASSERT_EQ(img.GetImage().constBits()[i], 0xFF);
    }
}

TEST(DrawingImageTest, DrawOntoAndsTheVisiblePart) {
    CDrawingImage img;
    img.Create(20, 10);
    img.SetViewSize(10, 10);
    img.SetPen(QColor(0, 255, 0), 1);
    img.DrawLine(QPoint(0, 2), QPoint(19, 2));
    COffscreenBitmap frame;
    frame.Create(20, 10);
    QPainter* pDC = frame.BeginDraw();
    ASSERT_NE(pDC, nullptr);
    pDC->fillRect(QRect(0, 0, 20, 10), QColor(0x80, 0x80, 0xFF));
    img.DrawOnto(pDC);
    frame.EndDraw();
    EXPECT_EQ(frame.GetImage().pixel(3, 2), qRgb(0, 0x80, 0));
    EXPECT_EQ(frame.GetImage().pixel(3, 3), qRgb(0x80, 0x80, 0xFF));
    EXPECT_EQ(frame.GetImage().pixel(15, 2), qRgb(0x80, 0x80, 0xFF)); // outside the view
}

// Composition skips the white parts of the image; whatever way ink got there, it shows.
TEST(DrawingImageTest, EveryWayOfDrawingReachesTheComposition) {
    CDrawingImage img;
    img.Create(50, 40);
    img.SetViewSize(50, 40);
    COffscreenBitmap frame;
    frame.Create(50, 40);
    const auto compose = [&] {
        QPainter* pDC = frame.BeginDraw();
        pDC->fillRect(QRect(0, 0, 50, 40), QColor(0x80, 0x90, 0xA0));
        img.DrawOnto(pDC);
        img.DrawOnto(pDC, QRect(0, 0, 50, 40));
        img.DrawOnto(pDC, QRegion(0, 0, 50, 40));
        frame.EndDraw();
        return frame.GetImage().copy();
    };
    EXPECT_EQ(compose().pixel(10, 10), qRgb(0x80, 0x90, 0xA0));
    img.SetPen(QColor(0, 0, 0), 9);
    img.DrawLine(QPoint(20, 30), QPoint(40, 30));
    EXPECT_EQ(compose().pixel(30, 33), qRgb(0, 0, 0)); // the pen's width counts
    QPainter* pDC = img.BeginDraw();
    pDC->fillRect(QRect(2, 2, 3, 3), Qt::black);
    img.EndDraw();
    EXPECT_EQ(compose().pixel(3, 3), qRgb(0, 0, 0));
    img.Clear();
    EXPECT_EQ(compose().pixel(3, 3), qRgb(0x80, 0x90, 0xA0));
    EXPECT_TRUE(img.GetInkRect().isEmpty());
}

TEST(OffscreenBitmapTest, RasterOperationsAreBitwise) {
    COffscreenBitmap dst;
    dst.Create(4, 1);
    QImage src(4, 1, COffscreenBitmap::kFormat);
    src.setPixel(0, 0, qRgb(0, 0, 0));
    src.setPixel(1, 0, qRgb(255, 255, 255));
    src.setPixel(2, 0, qRgb(0x0F, 0xF0, 0x33));
    src.setPixel(3, 0, qRgb(0, 0, 0));
    const QRgb clrDst = qRgb(0x55, 0xAA, 0x3C);
    const auto run = [&](ERop rop) {
        QPainter* pDC = dst.BeginDraw();
        pDC->fillRect(QRect(0, 0, 4, 1), QColor(clrDst));
        COffscreenBitmap::BitBlt(pDC, 0, 0, 3, 1, src, 0, 0, rop, qRgb(0x12, 0x34, 0x56));
        dst.EndDraw();
        return dst.GetImage();
    };
    QImage out = run(ERop::SrcCopy);
    EXPECT_EQ(out.pixel(2, 0), qRgb(0x0F, 0xF0, 0x33));
    EXPECT_EQ(out.pixel(3, 0), clrDst); // outside the transfer
    out = run(ERop::SrcAnd);
    EXPECT_EQ(out.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(out.pixel(1, 0), clrDst);
    EXPECT_EQ(out.pixel(2, 0), qRgb(0x05, 0xA0, 0x30));
    out = run(ERop::SrcPaint);
    EXPECT_EQ(out.pixel(2, 0), qRgb(0x5F, 0xFA, 0x3F));
    out = run(ERop::BrushMask);
    EXPECT_EQ(out.pixel(0, 0), qRgb(0x12, 0x34, 0x56)); // brush where black
    EXPECT_EQ(out.pixel(1, 0), clrDst);                 // destination where white
    EXPECT_EQ(out.pixel(3, 0), clrDst);
    // Null painters and empty bitmaps are harmless.
    COffscreenBitmap::BitBlt(nullptr, 0, 0, 3, 1, src, 0, 0, ERop::SrcCopy);
    COffscreenBitmap empty;
    EXPECT_EQ(empty.BeginDraw(), nullptr);
    empty.EndDraw();
}

TEST(DrawingImageTest, LoadedPictureLandsTopLeftClippedAndKeepsTheRest) {
    CDrawingImage small;
    small.Create(40, 30);
    small.SetPen(QColor(0, 0, 255), 40);
    small.DrawLine(QPoint(0, 15), QPoint(40, 15));
    const QString strSmall = TmpPath(QStringLiteral("small.bmp"));
    ASSERT_TRUE(small.SaveBmp(strSmall));

    CDrawingImage img;
    img.Create(100, 20);
    img.SetPen(QColor(255, 0, 0), 1);
    img.DrawLine(QPoint(60, 10), QPoint(90, 10));
    ASSERT_TRUE(img.LoadBmp(strSmall));
    EXPECT_EQ(img.GetImage().pixel(5, 5), qRgb(0, 0, 255));
    EXPECT_EQ(img.GetImage().pixel(39, 19), qRgb(0, 0, 255));
    EXPECT_EQ(img.GetImage().pixel(40, 5), qRgb(255, 255, 255));
    EXPECT_EQ(img.GetImage().pixel(70, 10), qRgb(255, 0, 0));
}

} // namespace
