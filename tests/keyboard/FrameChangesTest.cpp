#include "keyboard/FrameChanges.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

SMaskStamp StampAt(const QRect& rc) {
    SMaskStamp stamp;
    stamp.m_pt = rc.center();
    stamp.m_rc = rc;
    return stamp;
}

TEST(FrameChangesTest, BandsHoldTheCopiesOfOneRowAndStayApartOtherwise) {
    // Three copies of a note in one row, one in another row, a strip key level with the first.
    CFrameChanges changes;
    for (int x = 10; x < 500; x += 192) {
        changes.AddStamp(StampAt(QRect(x, 100, 26, 26)));
    }
    changes.AddStamp(StampAt(QRect(50, 400, 26, 26)));
    changes.AddRect(QRect(700, 95, 58, 36));
    std::vector<QRect> bands;
    changes.AppendBands(bands);
    ASSERT_EQ(bands.size(), 3u);
    EXPECT_EQ(bands[0], QRect(10, 100, 410, 26));
    EXPECT_EQ(bands[1], QRect(50, 400, 26, 26));

    // The key's band overlaps the first row and joins it; the far row stays on its own, and
    // nothing between them is asked for.
    const QRegion rgn = CFrameChanges::CoverBands(bands);
    EXPECT_EQ(rgn.rectCount(), 2);
    EXPECT_TRUE(rgn.contains(QRect(10, 95, 748, 36)));
    EXPECT_TRUE(rgn.contains(QRect(50, 400, 26, 26)));
    EXPECT_FALSE(rgn.intersects(QRect(0, 131, 800, 269)));

    std::vector<QRect> none;
    EXPECT_TRUE(CFrameChanges::CoverBands(none).isEmpty());
}

TEST(FrameChangesTest, CoverHoldsEveryBandInRectanglesThatDoNotTouch) {
    std::mt19937 rng(7);
    for (int nRound = 0; nRound < 50; ++nRound) {
        std::vector<QRect> bands;
        const int nBands = 1 + static_cast<int>(rng() % 200);
        for (int i = 0; i < nBands; ++i) {
            bands.emplace_back(static_cast<int>(rng() % 1800), static_cast<int>(rng() % 1050),
                               1 + static_cast<int>(rng() % 400), 1 + static_cast<int>(rng() % 60));
        }
        const std::vector<QRect> given = bands;
        const QRegion rgn = CFrameChanges::CoverBands(bands);
        for (const QRect& rc : given) {
            ASSERT_TRUE(rgn.contains(rc)) << nRound;
        }
        int nBottom = -2;
        for (const QRect& rc : rgn) {
            ASSERT_GT(rc.top(), nBottom + 1) << nRound;
            nBottom = rc.bottom();
        }
        ASSERT_LE(rgn.rectCount(), nBands);
    }
}

TEST(FrameChangesTest, OnlyStampsUnderADrawingBecomeRectanglesToCopy) {
    CFrameChanges changes;
    changes.AddStamp(StampAt(QRect(0, 0, 26, 26)));
    changes.AddStamp(StampAt(QRect(100, 0, 26, 26)));
    changes.AddStamp(StampAt(QRect(200, 0, 26, 26)));
    changes.StampsToRects(QRect(110, 20, 100, 2));
    ASSERT_EQ(changes.Stamps().size(), 1u);
    EXPECT_EQ(changes.Stamps()[0].m_rc, QRect(0, 0, 26, 26));
    EXPECT_EQ(changes.Rects(), (std::vector<QRect>{QRect(100, 0, 26, 26), QRect(200, 0, 26, 26)}));
    EXPECT_EQ(changes.Size(), 3u);
    EXPECT_EQ(changes.BoundingRect(), QRect(0, 0, 226, 26));

    CFrameChanges taken;
    taken.AddRect(QRect(5, 5, 5, 5));
    changes.MoveTo(taken);
    EXPECT_TRUE(changes.IsEmpty());
    EXPECT_EQ(taken.Size(), 3u);
}

} // namespace
