// Feeds arbitrary bytes to the bitmap-file reader of the drawing image, on images of the sizes
// drawings have (screens up to 3840 x 2160, and the longest side a bitmap may have); whatever a
// file puts into the image must then save and open again with the same pixels.
//
// Input: one byte that chooses the image's size, then the bytes of the file.

#include "image/DrawingImage.h"

#include <QBuffer>
#include <QGuiApplication>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::array<QSize, 8> kSizes{{{64, 48},
                                       {1024, 513},
                                       {1024, 700},
                                       {1920, 1080},
                                       {3840, 2160},
                                       {32768, 1},
                                       {1, 32768},
                                       {1023, 7}}};

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

bool Load(CDrawingImage& image, QByteArray buf) {
    QBuffer device(&buf);
    device.open(QIODevice::ReadOnly);
    return image.LoadBmp(device);
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
    if (!Load(images.m_target, file)) {
        return 0;
    }
    // Saved, the picture opens again in the colours of the file it was saved to.
    const QByteArray saved = images.m_target.EncodeBmp();
    if (saved.isEmpty() || !Load(images.m_copy, saved)) {
        std::abort();
    }
    const QImage expected = images.m_target.GetImage()
                                .convertToFormat(QImage::Format_Indexed8)
                                .convertToFormat(QImage::Format_RGB32);
    if (images.m_copy.GetImage().convertToFormat(QImage::Format_RGB32) != expected) {
        std::abort();
    }
    return 0;
}
