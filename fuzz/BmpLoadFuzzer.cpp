// Feeds arbitrary bytes to the bitmap-file reader of the drawing image.

#include "image/DrawingImage.h"

#include <QBuffer>
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* pArgc, char*** pArgv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*pArgc, *pArgv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    static CDrawingImage* pImage = [] {
        auto* p = new CDrawingImage;
        p->Create(64, 48);
        return p;
    }();
    QByteArray buf(reinterpret_cast<const char*>(pData), static_cast<qsizetype>(nSize));
    QBuffer device(&buf);
    device.open(QIODevice::ReadOnly);
    pImage->LoadBmp(device);
    return 0;
}
