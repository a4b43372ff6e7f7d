#include <QFile>
#include <QImage>
#include <QStringList>

#include <gtest/gtest.h>

// The desktop entry and the icon that the install step puts where desktops look.
TEST(DesktopEntry, StartsTheProgramWithItsIcon) {
    const QString strDir = QStringLiteral(VORKELN_SOURCE_DIR "/res/");
    QFile file(strDir + QStringLiteral("vorkeln.desktop"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList lines;
    while (!file.atEnd())
        lines << QString::fromUtf8(file.readLine()).trimmed();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), QStringLiteral("[Desktop Entry]"));
    for (const char* pszLine : {"Type=Application", "Name=Vorkeln", "Exec=vorkeln %F",
                                "MimeType=audio/midi;image/bmp;", "Icon=vorkeln", "Terminal=false"})
        EXPECT_TRUE(lines.contains(QString::fromLatin1(pszLine))) << pszLine;

    const QImage icon(strDir + QStringLiteral("vorkeln.png"));
    EXPECT_EQ(icon.size(), QSize(256, 256));
}
