// Feeds arbitrary bytes to the bitmap-file reader of the drawing image, on images of the sizes
// drawings have (past the half-megapixel where Qt's allocation limit once refused our own files,
// and the longest side a bitmap may have). Whatever a file puts into an image of at most 256
// colours must then save and open again with the very same pixels.
//
// Input: one byte that chooses the image's size, then the bytes of the file.

#include "image/DrawingImage.h"

#include <QBuffer>
#include <QGuiApplication>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::array<QSize, 8> kSizes{{{64, 48},
                                       {1024, 513},
                                       {1025, 600},
                                       {640, 480},
                                       {32768, 1},
                                       {1, 32768},
                                       {1023, 7},
                                       {17, 1000}}};

// The image a file is loaded into and the one its saved copy is loaded into, made once a size.
struct SImages {
    CDrawingImage m_target;
    CDrawingImage m_copy;
};

SImages& ImagesOf(std::size_t nSize) {
    static std::array<std::unique_ptr<SImages>, kSizes.size()> s_images;
    std::unique_ptr<SImages>& pImages = s_images[nSize];
    if (!pImages) {
        pImages = std::make_unique<SImages>();
        pImages->m_target.Create(kSizes[nSize].width(), kSizes[nSize].height());
        pImages->m_copy.Create(kSizes[nSize].width(), kSizes[nSize].height());
    }
    return *pImages;
}

// An 8-bit file holds at most 256 colours exactly; with more, Qt's reduction of the colours
// would be checked rather than our files, at great cost.
bool FitsEightBits(const QImage& image) {
    // Pictures come in runs of one colour: only a change of colour is looked up.
    std::array<QRgb, 256> colours{};
    std::size_t nColours = 0;
    QRgb last = 0;
    bool bAny = false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* pRow = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (bAny && pRow[x] == last) {
                continue;
            }
            bAny = true;
            last = pRow[x];
            if (std::find(colours.begin(), colours.begin() + nColours, last) ==
                colours.begin() + nColours) {
                if (nColours == colours.size()) {
                    return false;
                }
                colours[nColours++] = last;
            }
        }
    }
    return true;
}

bool Load(CDrawingImage& image, QByteArray buf) {
    QBuffer device(&buf);
    device.open(QIODevice::ReadOnly);
    return static_cast<bool>(image.LoadBmp(device));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* pArgc, char*** pArgv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*pArgc, *pArgv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize < 1) {
        return 0;
    }
    SImages& images = ImagesOf(pData[0] % kSizes.size());
    const QByteArray file(reinterpret_cast<const char*>(pData + 1),
                          static_cast<qsizetype>(nSize - 1));
    if (!Load(images.m_target, file) || !FitsEightBits(images.m_target.GetImage())) {
        return 0;
    }
    const QByteArray saved = images.m_target.EncodeBmp();
    if (saved.isEmpty() || !Load(images.m_copy, saved) ||
        images.m_copy.GetImage() != images.m_target.GetImage()) {
        std::abort();
    }
    return 0;
}
