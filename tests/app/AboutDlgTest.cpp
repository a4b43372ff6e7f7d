#include "app/AboutDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage PictureOf(const CAboutDlg& dlg) {
    return dlg.GetPicture()->pixmap().toImage();
}

} // namespace

TEST(AboutDlg, ShowsPictureVersionAndOk) {
    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About Vorkeln"));
    EXPECT_EQ(dlg.GetPicture()->pixmap().size(), QSize(93, 93));
    bool bVersion = false;
    int nLines = 0;
    for (const QLabel* pLabel : dlg.findChildren<QLabel*>()) {
        if (pLabel == dlg.GetPicture())
            continue;
        ++nLines;
        bVersion = bVersion || pLabel->text() == QStringLiteral("Vorkeln Version 1.0");
    }
    EXPECT_TRUE(bVersion);
    EXPECT_EQ(nLines, 4);
    const auto buttons = dlg.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), QStringLiteral("OK"));
    EXPECT_TRUE(buttons[0]->isDefault());
}

TEST(AboutDlg, CtrlDoubleClickOnTheBackgroundSwapsThePicture) {
    CAboutDlg dlg;
    dlg.show();
    const QImage first = PictureOf(dlg);
    const QPoint ptBackground(dlg.width() / 2, dlg.height() - 5);
    ASSERT_EQ(dlg.childAt(ptBackground), nullptr);

    QTest::mouseDClick(&dlg, Qt::LeftButton, Qt::NoModifier, ptBackground);
    EXPECT_EQ(PictureOf(dlg), first);
    EXPECT_FALSE(dlg.IsShowingAltPicture());

    // The picture itself is no target, even with Ctrl.
    QTest::mouseDClick(dlg.GetPicture(), Qt::LeftButton, Qt::ControlModifier, QPoint(40, 40));
    EXPECT_EQ(PictureOf(dlg), first);

    QTest::mouseDClick(&dlg, Qt::RightButton, Qt::ControlModifier, ptBackground);
    EXPECT_FALSE(dlg.IsShowingAltPicture());

    QTest::mouseDClick(&dlg, Qt::LeftButton, Qt::ControlModifier, ptBackground);
    EXPECT_TRUE(dlg.IsShowingAltPicture());
    EXPECT_NE(PictureOf(dlg), first);
    EXPECT_EQ(dlg.GetPicture()->pixmap().size(), QSize(93, 93));

    // A new box starts with the first picture again.
    CAboutDlg second;
    EXPECT_EQ(PictureOf(second), first);
}
