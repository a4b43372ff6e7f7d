// The toolbar and the About box on a screen of twice the density: they show the drawings made
// for it, not the actual-size pictures enlarged.
#include "app/AboutDlg.h"
#include "app/AppResources.h"
#include "app/MainFrame.h"
#include "app/ToolBar.h"
#include "commands/CommandIds.h"

#include <QAction>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Before the application exists: the offscreen screen is then twice as dense.
const bool g_bScaled = qputenv("QT_SCALE_FACTOR", "2");

QImage Argb(const QPixmap& pm) {
    return pm.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Image nImage as the strip drawn for dRatio holds it.
QImage DrawnButton(int nImage, double dRatio) {
    const QPixmap pmStrip =
        CAppResources::ForRatio(CAppResources::Densities(QStringLiteral("toolbar")), dRatio);
    const int nSide = qRound(16 * dRatio);
    return Argb(pmStrip.copy(nImage * nSide, 0, nSide, nSide));
}

bool Contains(const QImage& image, const QImage& part) {
    for (int y = 0; y + part.height() <= image.height(); ++y) {
        for (int x = 0; x + part.width() <= image.width(); ++x) {
            if (image.copy(x, y, part.width(), part.height()) == part)
                return true;
        }
    }
    return false;
}

} // namespace

TEST(ArtDensity, EachRatioTakesTheNearestDrawingAtOrAboveIt) {
    ASSERT_TRUE(g_bScaled);
    const auto about = CAppResources::Densities(QStringLiteral("about2"));
    const auto toolbar = CAppResources::Densities(QStringLiteral("toolbar"));
    const struct {
        double dRatio;
        double dDrawn;
        int nAboutSide;
        int nButtonSide;
    } cases[] = {{0.5, 1, 93, 16},      {1, 1, 93, 16},      {1.1, 1.25, 117, 20},
                 {1.25, 1.25, 117, 20}, {1.5, 1.5, 140, 24}, {1.75, 2, 186, 32},
                 {2, 2, 186, 32},       {2.5, 3, 279, 48},   {4, 3, 279, 48}};
    for (const auto& c : cases) {
        const QPixmap pmAbout = CAppResources::ForRatio(about, c.dRatio);
        const QPixmap pmStrip = CAppResources::ForRatio(toolbar, c.dRatio);
        EXPECT_EQ(pmAbout.devicePixelRatio(), c.dDrawn) << c.dRatio;
        EXPECT_EQ(pmAbout.size(), QSize(c.nAboutSide, c.nAboutSide)) << c.dRatio;
        EXPECT_EQ(pmStrip.devicePixelRatio(), c.dDrawn) << c.dRatio;
        EXPECT_EQ(pmStrip.size(), QSize(19 * c.nButtonSide, c.nButtonSide)) << c.dRatio;
    }
    EXPECT_TRUE(CAppResources::ForRatio({}, 2).isNull());
}

TEST(ArtDensity, ToolbarButtonsShowTheDrawingForTheirDensity) {
    CMainFrame frame;
    CToolBar& toolBar = frame.GetToolBar();
    toolBar.show();
    frame.show();
    const struct {
        unsigned nID;
        bool bOn;
        int nImage;
    } cases[] = {
        {ID_FILE_NEW_ALL, false, 0}, {ID_TRACK_RECORD, true, 12}, {ID_TOOLS_PEN_MODE, true, 17}};
    for (const auto& c : cases) {
        frame.CheckCommand(c.nID, c.bOn, true);
        QAction* pAction = toolBar.GetButtonAction(c.nID);
        ASSERT_NE(pAction, nullptr);
        QWidget* pButton = toolBar.widgetForAction(pAction);
        EXPECT_EQ(pButton->devicePixelRatioF(), 2.0);
        for (const double dRatio : {1.25, 1.5, 2.0, 3.0}) {
            EXPECT_EQ(Argb(pAction->icon().pixmap(QSize(16, 16), dRatio)),
                      DrawnButton(c.nImage, dRatio))
                << c.nImage << " at " << dRatio;
        }
        // Not the actual-size picture enlarged: a drawing of its own.
        EXPECT_NE(DrawnButton(c.nImage, 2), Argb(toolBar.StripImage(c.nImage).scaled(32, 32)));
        // An "on" picture covers its square, so the button shows it pixel for pixel.
        if (c.bOn) {
            EXPECT_TRUE(Contains(Argb(pButton->grab()), DrawnButton(c.nImage, 2))) << c.nImage;
        }
        frame.CheckCommand(c.nID, false, true);
    }
}

TEST(ArtDensity, AboutPictureIsDrawnForTheScreenBeforeAndAfterTheSwap) {
    CAboutDlg dlg;
    dlg.show();
    const QPoint ptBackground(dlg.width() / 2, dlg.height() - 5);
    for (const QString& strDrawing :
         {QStringLiteral(":/app/about1@2x.png"), QStringLiteral(":/app/about2@2x.png")}) {
        const QPixmap pm = dlg.GetPicture()->pixmap();
        EXPECT_EQ(pm.devicePixelRatio(), 2.0);
        EXPECT_EQ(pm.size(), QSize(186, 186));
        EXPECT_EQ(Argb(pm), Argb(QPixmap(strDrawing)));
        QTest::mouseDClick(&dlg, Qt::LeftButton, Qt::ControlModifier, ptBackground);
    }
    EXPECT_TRUE(dlg.IsShowingAltPicture());
}
