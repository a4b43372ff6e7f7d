#include "image/PixelRows.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 100;
constexpr int kHeight = 12;

// Every pixel different, so that a pixel written or copied to the wrong place shows.
QImage Pattern(std::uint32_t nSeed) {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            img.setPixel(
                x, y,
                0xFF000000u |
                    ((nSeed * 7919u + static_cast<std::uint32_t>(y * kWidth + x)) & 0xFFFFFFu));
        }
    }
    return img;
}

uchar* PixelAddress(QImage& img, int x, int y) {
    return img.scanLine(y) + static_cast<qsizetype>(x) * 4;
}

// Runs a check with the vector path on (where the processor has it) and off, and puts the
// choice back.
template <typename Check> void OnBothPaths(Check check) {
    const bool bVector = CPixelRows::IsVectorPathInUse();
    for (const bool bUse : {true, false}) {
        CPixelRows::UseVectorPath(bUse);
        check(bUse ? "vector path" : "plain path");
    }
    CPixelRows::UseVectorPath(bVector);
}

// Masks of every shape up to 64 pixels, shifted and clipped: exactly the set bits are painted.
TEST(PixelRowsTest, FillPaintsExactlyTheMaskedPixels) {
    OnBothPaths([](const char* pszPath) {
        std::mt19937_64 rng(7);
        for (int nCase = 0; nCase < 200; ++nCase) {
            const int nRows = 1 + static_cast<int>(rng() % (kHeight - 2));
            const int nShift = static_cast<int>(rng() % CPixelRows::kMaxMaskWidth);
            const int nColumns = 1 + static_cast<int>(rng() % CPixelRows::kMaxMaskWidth);
            const std::uint64_t qwClip =
                nColumns == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << nColumns) - 1u;
            std::vector<std::uint64_t> masks(static_cast<std::size_t>(nRows));
            for (std::uint64_t& qw : masks) {
                // Sparse, dense, empty and full rows.
                switch (rng() % 4) {
                case 0:
                    qw = rng() & rng();
                    break;
                case 1:
                    qw = rng() | rng();
                    break;
                case 2:
                    qw = 0;
                    break;
                default:
                    qw = ~std::uint64_t{0};
                    break;
                }
            }
            const int x0 = static_cast<int>(rng() % (kWidth - CPixelRows::kMaxMaskWidth));
            const int y0 = static_cast<int>(rng() % (kHeight - nRows));
            constexpr QRgb clr = 0xFF123456u;
            QImage img = Pattern(static_cast<std::uint32_t>(nCase));
            QImage imgExpected = img.copy();
            for (int j = 0; j < nRows; ++j) {
                const std::uint64_t qwRow = (masks[static_cast<std::size_t>(j)] >> nShift) & qwClip;
                for (int i = 0; i < 64; ++i) {
                    if (((qwRow >> i) & 1u) != 0) {
                        imgExpected.setPixel(x0 + i, y0 + j, clr);
                    }
                }
            }
            CPixelRows::FillMasked(PixelAddress(img, x0, y0), img.bytesPerLine(), masks.data(),
                                   nRows, nShift, qwClip, clr);
            ASSERT_EQ(img, imgExpected) << pszPath << ", case " << nCase;
        }
    });
}

// Rectangles of every width from 1 pixel to wider than a mask row: the pixels arrive in place
// and nothing around them changes.
TEST(PixelRowsTest, CopyMovesExactlyTheRectangle) {
    OnBothPaths([](const char* pszPath) {
        const QImage imgSource = Pattern(1);
        for (int nPixels = 1; nPixels <= 70; ++nPixels) {
            const int xSrc = nPixels % 13;
            const int xDst = kWidth - nPixels - nPixels % 5;
            QImage img = Pattern(2);
            QImage imgExpected = img.copy();
            for (int y = 2; y < 7; ++y) {
                for (int i = 0; i < nPixels; ++i) {
                    imgExpected.setPixel(xDst + i, y + 1, imgSource.pixel(xSrc + i, y));
                }
            }
            CPixelRows::Copy(PixelAddress(img, xDst, 3), img.bytesPerLine(),
                             imgSource.constScanLine(2) + static_cast<qsizetype>(xSrc) * 4,
                             imgSource.bytesPerLine(), nPixels, 5);
            ASSERT_EQ(img, imgExpected) << pszPath << ", " << nPixels << " pixels";
        }
    });
}

TEST(PixelRowsTest, ScreenfulsCopyAndRepeatEveryPixel) {
    // Screenfuls of rows, from every alignment: every pixel copied or repeated to its place.
    constexpr int cx = 1203;
    constexpr int cy = 260;
    QImage imgSource(cx, cy, QImage::Format_RGB32);
    for (int y = 0; y < cy; ++y) {
        for (int x = 0; x < cx; ++x) {
            imgSource.setPixel(x, y, 0xFF000000u | static_cast<std::uint32_t>(y * 4099 + x));
        }
    }
    const struct {
        int xDst;
        int nTile;
        int nPixels;
    } cases[] = {{0, 384, 1200}, {1, 384, 1199}, {3, 5, 1190}, {2, 1200, 1200}, {0, 1, 37}};
    for (const auto& c : cases) {
        QImage imgCopy(cx, cy, QImage::Format_RGB32);
        imgCopy.fill(0xFF123456u);
        QImage imgRepeat = imgCopy.copy();
        CPixelRows::Copy(PixelAddress(imgCopy, c.xDst, 0), imgCopy.bytesPerLine(),
                         imgSource.constBits(), imgSource.bytesPerLine(), c.nPixels, cy);
        CPixelRows::Repeat(PixelAddress(imgRepeat, c.xDst, 0), imgRepeat.bytesPerLine(),
                           imgSource.constBits(), imgSource.bytesPerLine(), c.nTile, c.nPixels, cy);
        for (int y = 0; y < cy; ++y) {
            for (int x = 0; x < cx; ++x) {
                const int i = x - c.xDst;
                const bool bIn = i >= 0 && i < c.nPixels;
                ASSERT_EQ(imgCopy.pixel(x, y), bIn ? imgSource.pixel(i, y) : 0xFF123456u)
                    << "copy at " << c.xDst << ": " << x << "," << y;
                ASSERT_EQ(imgRepeat.pixel(x, y),
                          bIn ? imgSource.pixel(i % c.nTile, y) : 0xFF123456u)
                    << "tile " << c.nTile << " at " << c.xDst << ": " << x << "," << y;
            }
        }
    }
}

TEST(PixelRowsTest, NothingHappensForEmptyOrAbsurdArguments) {
    OnBothPaths([](const char* pszPath) {
        QImage img = Pattern(3);
        const QImage imgBefore = img.copy();
        const std::uint64_t qwFull = ~std::uint64_t{0};
        CPixelRows::FillMasked(PixelAddress(img, 0, 0), img.bytesPerLine(), &qwFull, 0, 0, qwFull,
                               0xFFFFFFFFu);
        CPixelRows::FillMasked(PixelAddress(img, 0, 0), img.bytesPerLine(), &qwFull, 1, 64, qwFull,
                               0xFFFFFFFFu);
        CPixelRows::FillMasked(PixelAddress(img, 0, 0), img.bytesPerLine(), &qwFull, 1, -1, qwFull,
                               0xFFFFFFFFu);
        CPixelRows::Copy(PixelAddress(img, 0, 0), img.bytesPerLine(), imgBefore.constBits(),
                         imgBefore.bytesPerLine(), 0, 3);
        CPixelRows::Copy(PixelAddress(img, 0, 0), img.bytesPerLine(), imgBefore.constBits(),
                         imgBefore.bytesPerLine(), 3, -1);
        EXPECT_EQ(img, imgBefore) << pszPath;
    });
}

TEST(PixelRowsTest, LargePagesKeepEveryPixel) {
    // A screen of pixels in use and a new one, each moved wherever the system allows.
    std::mt19937 random(5);
    QImage used(1920, 1080, QImage::Format_RGB32);
    for (int y = 0; y < used.height(); ++y) {
        auto* pRow = reinterpret_cast<QRgb*>(used.scanLine(y));
        for (int x = 0; x < used.width(); ++x) {
            pRow[x] = random();
        }
    }
    const QImage before = used.copy();
    CPixelRows::PreferLargePages(used.bits(), static_cast<std::size_t>(used.sizeInBytes()), true);
    EXPECT_EQ(used, before);
    QImage fresh(1920, 1080, QImage::Format_RGB32);
    CPixelRows::PreferLargePages(fresh.bits(), static_cast<std::size_t>(fresh.sizeInBytes()),
                                 false);
    fresh.fill(Qt::red);
    EXPECT_EQ(fresh.pixel(1919, 1079), qRgb(255, 0, 0));
    CPixelRows::PreferLargePages(nullptr, 1u << 30, true);
    CPixelRows::PreferLargePages(used.bits(), 0, true);
    EXPECT_EQ(used, before);
}

} // namespace
