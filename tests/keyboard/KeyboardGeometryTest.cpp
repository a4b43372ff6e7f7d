#include "keyboard/NoteGrid.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// A grid with the start values and a view of the given size (a 600-high view keeps the
// origin at 576).
class GeometryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_grid.Create(1024, 768);
        m_grid.Layout(kGridWidth + CPianoStrip::kWidth, 600);
    }
    static constexpr int kGridWidth = 800;
    CNoteGrid m_grid;
};

TEST_F(GeometryTest, NotePositionsFollowTheLattice) {
    ASSERT_EQ(m_grid.m_nOriginX, 0);
    ASSERT_EQ(m_grid.m_nOriginY, 576);
    const struct {
        int nNote;
        QPoint pt;
    } cases[] = {{0, {0, 576}}, {1, {56, 570}},   {3, {168, 558}}, {4, {32, 552}},
                 {7, {8, 534}}, {10, {-16, 516}}, {12, {96, 504}}, {24, {0, 432}},
                 {96, {0, 0}},  {97, {56, -6}}};
    for (const auto& c : cases) {
        QPoint pt;
        const bool bVisible = m_grid.NoteToPoint(c.nNote, pt);
        EXPECT_EQ(pt, c.pt) << "note " << c.nNote;
        EXPECT_EQ(bVisible, c.pt.y() >= 0 && c.pt.y() < 600) << "note " << c.nNote;
    }
}

TEST_F(GeometryTest, NextCopyStepsOnePeriodUntilPastTheView) {
    QPoint pt;
    m_grid.NoteToPoint(0, pt);
    std::vector<int> xs{pt.x()};
    while (m_grid.NextCopy(pt)) {
        xs.push_back(pt.x());
    }
    EXPECT_EQ(xs, (std::vector<int>{0, 192, 384, 576, 768}));
    EXPECT_EQ(pt.x(), 960);
}

TEST_F(GeometryTest, HitTestsOnTheLattice) {
    EXPECT_EQ(m_grid.PointToNote(0, 576), 0);
    EXPECT_EQ(m_grid.PointToNote(56, 570), 1);
    EXPECT_EQ(m_grid.PointToNote(21, 576), -1); // border between cells
    EXPECT_EQ(m_grid.PointToNote(192, 576), 0); // the next copy
    EXPECT_EQ(m_grid.PointToNote(8, 534), 7);
    EXPECT_EQ(m_grid.PointToNote(0, 900), -1);  // below note 0
    EXPECT_EQ(m_grid.PointToNote(0, -300), -1); // above note 127
}

TEST_F(GeometryTest, HitTestsOnBothHalvesOfTheStrip) {
    const int xNarrow = kGridWidth + 10;
    EXPECT_EQ(m_grid.PointToNote(xNarrow, 576), 0);
    EXPECT_EQ(m_grid.PointToNote(xNarrow, 570), 1);
    EXPECT_EQ(m_grid.PointToNote(xNarrow, 583), 0);
    EXPECT_EQ(m_grid.PointToNote(xNarrow, 585), -1);
    const int xWide = kGridWidth + 40;
    EXPECT_EQ(m_grid.PointToNote(xWide, 576), 0);
    EXPECT_EQ(m_grid.PointToNote(xWide, 566), 2);
    EXPECT_EQ(m_grid.PointToNote(xWide, 590), -1);
    // Seven white keys share every octave of the wide part: no black key is found there.
    for (int y = 0; y < 600; ++y) {
        const int n = m_grid.PointToNote(xWide, y);
        if (n >= 0) {
            EXPECT_FALSE(CPianoStrip::IsBlackKey(n % 12)) << "y " << y;
        }
    }
}

TEST_F(GeometryTest, LayoutFitsTheVerticalRange) {
    EXPECT_EQ(m_grid.m_nMinOriginY, 560);
    EXPECT_EQ(m_grid.m_nMaxOriginY, 802);
    EXPECT_EQ(m_grid.m_strip.m_nLeft, kGridWidth);
    EXPECT_EQ(m_grid.GetViewSize(), QSize(kGridWidth, 600));

    m_grid.Layout(1000, 1000);
    EXPECT_EQ(m_grid.m_nOriginY, 881);
    m_grid.ScrollBy(0, 50);
    EXPECT_EQ(m_grid.m_nOriginY, 881);
    m_grid.ScrollBy(0, -50);
    EXPECT_EQ(m_grid.m_nOriginY, 881);

    m_grid.Layout(1000, 1001);
    EXPECT_EQ(m_grid.m_nOriginY, 882);
    m_grid.ScrollBy(0, -500);
    EXPECT_EQ(m_grid.m_nOriginY, 882);
}

TEST_F(GeometryTest, ScrollingWrapsAcrossAndClampsUpAndDown) {
    m_grid.ScrollBy(-10, 0);
    EXPECT_EQ(m_grid.m_nOriginX, 182);
    m_grid.ScrollBy(10, 0);
    m_grid.ScrollBy(400, 0);
    EXPECT_EQ(m_grid.m_nOriginX, 16);
    m_grid.ScrollBy(INT_MIN, 0);
    EXPECT_GE(m_grid.m_nOriginX, 0);
    EXPECT_LT(m_grid.m_nOriginX, 192);

    m_grid.m_bRedraw = 0;
    m_grid.ScrollBy(0, 10000);
    EXPECT_EQ(m_grid.m_nOriginY, 801);
    EXPECT_EQ(m_grid.m_bRedraw, 1);
    m_grid.ScrollBy(0, INT_MIN);
    EXPECT_EQ(m_grid.m_nOriginY, 560);
}

TEST_F(GeometryTest, NarrowViewLeavesEverythingToTheStrip) {
    m_grid.Layout(40, 600);
    EXPECT_EQ(m_grid.GetViewSize().width(), -18);
    EXPECT_EQ(m_grid.m_strip.m_nLeft, -18);
    for (int x = 0; x < 40; ++x) {
        // x = 0 is 18 pixels into the strip: its narrow part.
        EXPECT_EQ(m_grid.PointToNote(x, 576), 0) << "x " << x;
        EXPECT_EQ(m_grid.PointToNote(x, 570), x + 18 < 31 ? 1 : 0) << "x " << x;
    }
}

TEST_F(GeometryTest, ExtremePointsAreAnsweredWithoutOverflow) {
    for (int x : {INT_MIN, -1000000, 0, 1000000, INT_MAX}) {
        for (int y : {INT_MIN, -1000000, 0, 1000000, INT_MAX}) {
            const int n = m_grid.PointToNote(x, y);
            EXPECT_TRUE(n >= -1 && n < 128);
        }
    }
}

// Every copy of every note answers to its own centre, whatever the scroll position.
TEST_F(GeometryTest, EveryVisibleCopyHitsItsOwnNote) {
    m_grid.Layout(1920, 1080);
    for (int nScroll = 0; nScroll < 192; nScroll += 7) {
        m_grid.ScrollBy(7, 0);
        int nCopies = 0;
        for (int n = 0; n < 128; ++n) {
            QPoint pt;
            if (!m_grid.NoteToPoint(n, pt)) {
                continue;
            }
            do {
                if (pt.x() >= 0 && pt.x() <= m_grid.GetViewSize().width()) {
                    ASSERT_EQ(m_grid.PointToNote(pt.x(), pt.y()), n)
                        << "copy at " << pt.x() << "," << pt.y() << " origin x "
                        << m_grid.m_nOriginX;
                    ++nCopies;
                }
            } while (m_grid.NextCopy(pt));
        }
        EXPECT_GT(nCopies, 128 * 8);
    }
}

} // namespace
