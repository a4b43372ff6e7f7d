// Draws the keyboard's sprite sheets and the pen cursor at their actual size, and writes them as
// PNG files. Run it after changing a picture in src/keyboard/KeyboardArt.cpp; the results are
// committed in res/. The program draws the same pictures itself at every other density.

#include "keyboard/KeyboardArt.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdio>

namespace {

bool Save(const QImage& img, const QDir& dir, const QString& strName) {
    const QString strPath = dir.filePath(strName);
    if (!img.save(strPath, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(strPath));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(strPath), img.width(), img.height());
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vorkeln_artgen <res directory>\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("keyboard"))) {
        std::fprintf(stderr, "cannot create %s/keyboard\n", argv[1]);
        return 1;
    }
    const SKeyboardPalette& classic = SKeyboardPalette::Of(SKeyboardPalette::EKind::Classic);
    bool bOk =
        Save(CKeyboardArt::CellSheet(true, 1.0, classic), dir, QStringLiteral("keyboard/132.png"));
    bOk = Save(CKeyboardArt::CellSheet(false, 1.0, classic), dir,
               QStringLiteral("keyboard/133.png")) &&
          bOk;
    bOk = Save(CKeyboardArt::RingSheet(1.0), dir, QStringLiteral("keyboard/134.png")) && bOk;
    bOk = Save(CKeyboardArt::SimpleRingSheet(1.0), dir, QStringLiteral("keyboard/131.png")) && bOk;
    bOk = Save(CKeyboardArt::KeySheet(1.0), dir, QStringLiteral("keyboard/130.png")) && bOk;
    bOk = Save(CKeyboardArt::PenCursor(1.0), dir, QStringLiteral("pen.png")) && bOk;
    return bOk ? 0 : 1;
}
