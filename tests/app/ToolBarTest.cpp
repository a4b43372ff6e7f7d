#include "app/ToolBar.h"
#include "app/MainFrame.h"
#include "commands/CommandIds.h"

#include <QAction>
#include <QImage>

#include <gtest/gtest.h>

#include <vector>

namespace {

bool SameImage(const QIcon& icon, const QPixmap& pm) {
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32) ==
           pm.toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST(ToolBar, TwelveButtonsInSixGroups) {
    CMainFrame frame;
    const CToolBar& toolBar = frame.GetToolBar();
    std::vector<unsigned> ids;
    std::vector<int> images;
    for (int i = 0; i < toolBar.GetCount(); ++i) {
        unsigned nID = 0;
        unsigned nStyle = 0;
        int nImage = 0;
        ASSERT_TRUE(toolBar.GetButtonInfo(i, nID, nStyle, nImage));
        EXPECT_EQ(nStyle == CToolBar::TBBS_SEPARATOR, nID == 0);
        ids.push_back(nID);
        images.push_back(nImage);
    }
    EXPECT_EQ(ids, (std::vector<unsigned>{32831, 57601, 57604, 0, 32781, 32780, 0, 32777, 32848, 0,
                                          32842, 32841, 0, 33155, 0, 57667, 57664}));
    EXPECT_EQ(images, (std::vector<int>{0, 1, 2, -1, 3, 4, -1, 5, 6, -1, 7, 8, -1, 9, -1, 10, 11}));
    unsigned nID = 0;
    unsigned nStyle = 0;
    int nImage = 0;
    EXPECT_FALSE(toolBar.GetButtonInfo(toolBar.GetCount(), nID, nStyle, nImage));
    EXPECT_EQ(toolBar.CommandToIndex(ID_TRACK_PLAY), 5);
    // A click on a button must not take the keyboard away from the view.
    EXPECT_EQ(toolBar.widgetForAction(toolBar.GetButtonAction(ID_TOOLS_PEN_MODE))->focusPolicy(),
              Qt::NoFocus);
    EXPECT_EQ(toolBar.CommandToIndex(ID_TONALITY_KEY_C), -1);
}

TEST(ToolBar, ToggledButtonsMoveTheirImageByNine) {
    CMainFrame frame;
    CToolBar& toolBar = frame.GetToolBar();
    const struct {
        unsigned nID;
        int nOff;
    } toggles[] = {{ID_TOOLS_CHORD_MODE, 7},
                   {ID_TOOLS_PEN_MODE, 8},
                   {ID_TRACK_PLAY, 4},
                   {ID_TRACK_RECORD, 3},
                   {ID_VIEW_SIMPLE, 9}};
    for (const auto& toggle : toggles) {
        QAction* pButton = toolBar.GetButtonAction(toggle.nID);
        ASSERT_NE(pButton, nullptr);
        EXPECT_TRUE(SameImage(pButton->icon(), toolBar.StripImage(toggle.nOff)));

        frame.CheckCommand(toggle.nID, true, true);
        EXPECT_EQ(toolBar.GetButtonImage(toggle.nID), toggle.nOff + 9);
        EXPECT_TRUE(SameImage(pButton->icon(), toolBar.StripImage(toggle.nOff + 9)));
        EXPECT_FALSE(SameImage(pButton->icon(), toolBar.StripImage(toggle.nOff)));
        EXPECT_TRUE(frame.IsMenuItemChecked(toggle.nID));
        // Telling the same state again keeps the picture on its pair.
        frame.CheckCommand(toggle.nID, true, true);
        EXPECT_EQ(toolBar.GetButtonImage(toggle.nID), toggle.nOff + 9);

        frame.CheckCommand(toggle.nID, false, true);
        EXPECT_EQ(toolBar.GetButtonImage(toggle.nID), toggle.nOff);
        EXPECT_TRUE(SameImage(pButton->icon(), toolBar.StripImage(toggle.nOff)));
        EXPECT_FALSE(frame.IsMenuItemChecked(toggle.nID));
    }
    // Without bToolbar only the menu mark moves.
    frame.CheckCommand(ID_TOOLS_PEN_MODE, true, false);
    EXPECT_EQ(toolBar.GetButtonImage(ID_TOOLS_PEN_MODE), 8);
    EXPECT_TRUE(frame.IsMenuItemChecked(ID_TOOLS_PEN_MODE));
}

TEST(ToolBar, SetButtonInfoRefusesImagesOutsideTheStrip) {
    CMainFrame frame;
    CToolBar& toolBar = frame.GetToolBar();
    const int nIndex = toolBar.CommandToIndex(ID_TOOLS_CHORD_MODE);
    EXPECT_TRUE(toolBar.SetButtonInfo(nIndex, ID_TOOLS_CHORD_MODE, CToolBar::TBBS_BUTTON, 16));
    EXPECT_FALSE(toolBar.SetButtonInfo(nIndex, ID_TOOLS_CHORD_MODE, CToolBar::TBBS_BUTTON, 25));
    EXPECT_FALSE(toolBar.SetButtonInfo(nIndex, ID_TOOLS_CHORD_MODE, CToolBar::TBBS_BUTTON, -2));
    EXPECT_EQ(toolBar.GetButtonImage(ID_TOOLS_CHORD_MODE), 16);
    EXPECT_FALSE(toolBar.SetButtonInfo(3, 0, CToolBar::TBBS_SEPARATOR, 0));
    EXPECT_FALSE(toolBar.SetButtonInfo(-1, ID_TOOLS_CHORD_MODE, CToolBar::TBBS_BUTTON, 7));
}

TEST(ToolBar, StripHoldsNineteenDistinctImages) {
    CMainFrame frame;
    const CToolBar& toolBar = frame.GetToolBar();
    // Every used picture is drawn, and each on picture differs from its off picture.
    for (int nImage : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 17, 18}) {
        const QImage image = toolBar.StripImage(nImage).toImage();
        ASSERT_EQ(image.size(), QSize(16, 16)) << nImage;
        bool bDrawn = false;
        for (int y = 0; y < 16 && !bDrawn; ++y) {
            for (int x = 0; x < 16 && !bDrawn; ++x)
                bDrawn = qAlpha(image.pixel(x, y)) != 0;
        }
        EXPECT_TRUE(bDrawn) << nImage;
    }
    for (int nOff : {3, 4, 7, 8, 9})
        EXPECT_NE(toolBar.StripImage(nOff).toImage(), toolBar.StripImage(nOff + 9).toImage());
}
