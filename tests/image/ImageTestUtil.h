#pragma once

// Files, pictures and outside tools shared by the bitmap tests.

#include "image/DrawingImage.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <cstdint>
#include <cstring>

inline QString TmpPath(const QString& strName) {
    QDir().mkpath(QStringLiteral(VORKELN_TEST_TMP));
    return QStringLiteral(VORKELN_TEST_TMP "/") + strName;
}

inline std::uint32_t Get32(const QByteArray& buf, int nOffset) {
    std::uint32_t n = 0;
    std::memcpy(&n, buf.constData() + nOffset, 4);
    return n; // little-endian host
}

inline std::uint16_t Get16(const QByteArray& buf, int nOffset) {
    std::uint16_t n = 0;
    std::memcpy(&n, buf.constData() + nOffset, 2);
    return n;
}

inline void Put32(QByteArray& buf, int nOffset, std::uint32_t n) {
    std::memcpy(buf.data() + nOffset, &n, 4);
}

inline void Put16(QByteArray& buf, int nOffset, std::uint16_t n) {
    std::memcpy(buf.data() + nOffset, &n, 2);
}

inline QByteArray ReadAll(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteAll(const QString& strPath, const QByteArray& buf) {
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly) && file.write(buf) == buf.size();
}

// A picture with strokes in a few colours.
inline void Scribble(CDrawingImage& img) {
    img.SetPen(QColor(255, 0, 0), 3);
    img.DrawLine(QPoint(5, 5), QPoint(120, 60));
    img.SetPen(QColor(0, 128, 255), 6);
    img.DrawLine(QPoint(10, 90), QPoint(200, 20));
    img.SetPen(QColor(0, 0, 0), 1);
    img.DrawLine(QPoint(0, 0), QPoint(img.GetSize().width() - 1, img.GetSize().height() - 1));
}

inline QImage Visible(const CDrawingImage& img) {
    return img.GetImage().convertToFormat(QImage::Format_RGB32);
}

inline const char* const kConvert = "/usr/bin/convert";
inline const char* const kPython = "/usr/bin/python3";

inline bool RunTool(const char* pProgram, const QStringList& args) {
    QProcess proc;
    proc.start(QString::fromLatin1(pProgram), args);
    return proc.waitForFinished(60000) && proc.exitStatus() == QProcess::NormalExit &&
           proc.exitCode() == 0;
}

inline bool HavePillow() {
    return QFile::exists(QString::fromLatin1(kPython)) &&
           RunTool(kPython, {QStringLiteral("-c"), QStringLiteral("import PIL")});
}
