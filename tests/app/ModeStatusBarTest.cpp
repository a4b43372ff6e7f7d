#include "app/ModeStatusBar.h"
#include "commands/CommandIds.h"
#include "theory/ModeFlags.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t Bit(int n) {
    return std::uint32_t{1} << n;
}
constexpr std::uint32_t Size(std::uint32_t n) {
    return n << 8;
}
constexpr std::uint32_t Inversion(std::uint32_t r) {
    return r << 28;
}

QString ChordText(std::uint32_t dwFlags) {
    CModeStatusBar bar;
    bar.SetFlags(dwFlags);
    QString strText;
    bar.BuildChordText(strText);
    return strText;
}

struct SPenCall {
    QColor clr;
    int nWidth;
};

// Draws pane 3 into a white image of the given size.
QImage DrawPenPane(const CModeStatusBar& bar, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    bar.DrawItem(painter, QRect(QPoint(0, 0), size));
    return image;
}

std::vector<int> RowsOfColour(const QImage& image, QColor clr) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        bool bWhole = true;
        for (int x = 0; x < image.width(); ++x)
            bWhole = bWhole && image.pixelColor(x, y) == clr;
        if (bWhole)
            rows.push_back(y);
    }
    return rows;
}

} // namespace

TEST(ModeStatusBar, ChordTextExamples) {
    EXPECT_EQ(ChordText(Bit(18) | Size(3)), QStringLiteral("OOO"));
    EXPECT_EQ(ChordText(Bit(16) | Bit(18) | Size(3)), QStringLiteral("DOO"));
    EXPECT_EQ(ChordText(Bit(17) | Bit(19) | Size(4)), QStringLiteral("O~OO"));
    EXPECT_EQ(ChordText(Bit(18) | Bit(19) | Size(4)), QStringLiteral("OO~O"));
    EXPECT_EQ(ChordText(Bit(23) | Bit(27) | Size(3) | Inversion(1)), QStringLiteral("O'OO 4.4"));
    EXPECT_EQ(ChordText(Bit(24) | Size(4) | Inversion(2)), QStringLiteral("OO'OO 3.4.3"));
}

TEST(ModeStatusBar, ChordTextIntervalTableAndEdges) {
    // Every fixed chord type and variant picks its row of the interval table.
    const char* expected[4][3] = {{"3.4", "3.3", "3.5"},
                                  {"4.3", "4.2", "4.4"},
                                  {"3.4.3", "3.4.2", "3.4.4"},
                                  {"4.3.4", "4.3.3", "4.3.5"}};
    for (int g = 0; g < 4; ++g) {
        const std::uint32_t dwSize = Size(g < 2 ? 3 : 4);
        const QString strNotes = g < 2 ? QStringLiteral("OOO") : QStringLiteral("OOOO");
        EXPECT_EQ(ChordText(Bit(22 + g) | dwSize), strNotes + " " + expected[g][0]);
        EXPECT_EQ(ChordText(Bit(22 + g) | Bit(26) | dwSize), strNotes + " " + expected[g][1]);
        EXPECT_EQ(ChordText(Bit(22 + g) | Bit(27) | dwSize), strNotes + " " + expected[g][2]);
    }
    // The lowest chord-type bit wins when several are set.
    EXPECT_EQ(ChordText(Bit(23) | Bit(25) | Size(3)), QStringLiteral("OOO 4.3"));
    // Both variant bits at once stay inside the table.
    EXPECT_EQ(ChordText(Bit(25) | Bit(26) | Bit(27) | Size(4)), QStringLiteral("OOOO 4.3.4"));
    // The first and last notes never show "~"; the inversion mark stays between notes.
    EXPECT_EQ(ChordText(Bit(16) | Bit(17) | Bit(18) | Size(3)), QStringLiteral("D~O"));
    EXPECT_EQ(ChordText(Bit(21) | Bit(19) | Size(6) | Inversion(5)), QStringLiteral("OOO~O'O"));
    EXPECT_EQ(ChordText(Size(3) | Inversion(3)), QStringLiteral("OOO"));
    EXPECT_EQ(ChordText(Size(1)), QStringLiteral("O"));
    EXPECT_EQ(ChordText(0), QString());
}

TEST(ModeStatusBar, SetFlagsShowsChordTextOnlyInChordMode) {
    CModeStatusBar bar;
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_CHORD), QStringLiteral("`"));
    bar.SetFlags(Bit(18) | Bit(23) | Size(3));
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_CHORD), QStringLiteral("`"));
    bar.SetFlags(kFlagChordMode | Bit(18) | Bit(23) | Size(3));
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_CHORD), QStringLiteral("OOO 4.3"));
    bar.SetFlags(kFlagChordMode | Bit(18) | Size(3) | Inversion(2));
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_CHORD), QStringLiteral("OO'O"));

    // A pen-mode change repaints the pen pane only: the chord pane keeps its text.
    bar.SetFlags(kFlagPenMode | kFlagChordMode | Bit(19) | Size(4));
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_CHORD), QStringLiteral("OO'O"));
    EXPECT_TRUE(bar.GetPaneText(CModeStatusBar::PANE_PEN).isEmpty());
    bar.SetFlags(kFlagPenMode);
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_CHORD), QStringLiteral("`"));
    bar.SetFlags(0);
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_PEN), QStringLiteral("F7"));
}

TEST(ModeStatusBar, TonalityText) {
    CModeStatusBar bar;
    bar.SetTonalityText(QStringLiteral("Dorian"), QStringLiteral("fis"));
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_TONALITY), QStringLiteral("Dorian : fis"));
    EXPECT_EQ(bar.GetPane(CModeStatusBar::PANE_TONALITY)->width(), 120);
    EXPECT_EQ(bar.GetPane(CModeStatusBar::PANE_CHORD)->width(), 80);
    EXPECT_EQ(bar.GetPane(CModeStatusBar::PANE_PEN)->width(), 30);
}

TEST(ModeStatusBar, PenPaneDrawsTheKeyOrThePen) {
    CModeStatusBar bar;
    const QSize size(30, 20);
    // Outside pen mode: "F7" in the text colour, no band.
    const QImage keyImage = DrawPenPane(bar, size);
    EXPECT_TRUE(RowsOfColour(keyImage, Qt::black).empty());
    bool bInk = false;
    for (int y = 0; y < size.height() / 2 + 4; ++y)
        for (int x = 0; x < size.width() / 2; ++x)
            bInk = bInk || keyImage.pixelColor(x, y) != QColor(Qt::white);
    EXPECT_TRUE(bInk);

    bar.SetFlags(kFlagPenMode);
    EXPECT_EQ(RowsOfColour(DrawPenPane(bar, size), Qt::black), std::vector<int>{9});
    bar.OnPenWidth(ID_PEN_WIDTH_6);
    EXPECT_EQ(RowsOfColour(DrawPenPane(bar, size), Qt::black),
              (std::vector<int>{7, 8, 9, 10, 11, 12}));
    // A pane lower than the pen is filled over its whole height, and no further.
    bar.OnPenWidth(ID_PEN_WIDTH_10);
    QImage image(30, 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        bar.DrawItem(painter, QRect(0, 4, 30, 8));
    }
    EXPECT_EQ(RowsOfColour(image, Qt::black), (std::vector<int>{4, 5, 6, 7, 8, 9, 10, 11}));
}

TEST(ModeStatusBar, PenPaneClicksChooseColourAndWidthInPenModeOnly) {
    CModeStatusBar bar;
    bar.resize(400, 24);
    bar.show();
    std::vector<SPenCall> calls;
    int nColourDialogs = 0;
    int nWidthMenus = 0;
    std::optional<QColor> answer = QColor(Qt::red);
    unsigned nWidthAnswer = ID_PEN_WIDTH_6;
    bar.SetPenHandler([&calls](const QColor& clr, int nWidth) { calls.push_back({clr, nWidth}); });
    bar.SetColorChooser([&](const QColor& clrInitial) {
        ++nColourDialogs;
        EXPECT_EQ(clrInitial, bar.GetPenColor());
        return answer;
    });
    bar.SetPenWidthChooser([&](QMenu& menu) {
        ++nWidthMenus;
        QStringList texts;
        for (const QAction* pAction : menu.actions())
            texts << pAction->text();
        EXPECT_EQ(texts, (QStringList{"1", "2", "6", "10"}));
        return nWidthAnswer;
    });
    QWidget* pPen = bar.GetPane(CModeStatusBar::PANE_PEN);

    QTest::mouseClick(pPen, Qt::LeftButton);
    QTest::mouseClick(pPen, Qt::RightButton);
    EXPECT_EQ(nColourDialogs, 0);
    EXPECT_EQ(nWidthMenus, 0);

    bar.SetFlags(kFlagPenMode);
    // Clicks elsewhere on the bar do nothing.
    QTest::mouseClick(bar.GetPane(CModeStatusBar::PANE_CHORD), Qt::LeftButton);
    EXPECT_EQ(nColourDialogs, 0);

    QTest::mouseClick(pPen, Qt::LeftButton);
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].clr, QColor(Qt::red));
    EXPECT_EQ(calls[0].nWidth, 1);

    QTest::mouseClick(pPen, Qt::RightButton);
    ASSERT_EQ(calls.size(), 2U);
    EXPECT_EQ(calls[1].clr, QColor(Qt::red));
    EXPECT_EQ(calls[1].nWidth, 6);
    EXPECT_EQ(bar.GetPenWidth(), 6);

    // Cancelled dialog and dismissed menu change nothing.
    answer.reset();
    nWidthAnswer = 0;
    QTest::mouseClick(pPen, Qt::LeftButton);
    QTest::mouseClick(pPen, Qt::RightButton);
    EXPECT_EQ(nColourDialogs, 2);
    EXPECT_EQ(nWidthMenus, 2);
    EXPECT_EQ(calls.size(), 2U);
    EXPECT_EQ(bar.GetPenColor(), QColor(Qt::red));
    EXPECT_EQ(bar.GetPenWidth(), 6);
}

TEST(ModeStatusBar, NumIndicatorFollowsTheKeypad) {
    CModeStatusBar bar;
    QWidget target;
    EXPECT_TRUE(bar.GetPaneText(CModeStatusBar::PANE_NUM).isEmpty());
    QKeyEvent digit(QEvent::KeyPress, Qt::Key_5, Qt::KeypadModifier, QStringLiteral("5"));
    QApplication::sendEvent(&target, &digit);
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_NUM), QStringLiteral("NUM"));
    QKeyEvent plainDigit(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(&target, &plainDigit);
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_NUM), QStringLiteral("NUM"));
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::KeypadModifier);
    QApplication::sendEvent(&target, &home);
    EXPECT_TRUE(bar.GetPaneText(CModeStatusBar::PANE_NUM).isEmpty());
}
