#include "keyboard/Keyboard.h"
#include "keyboard/KeyboardArt.h"

#include <QSet>
#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

constexpr std::array<std::uint8_t, 12> kCMajor{2, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0};
constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A keyboard of kWidth x kHeight logical pixels at a device pixel ratio and a zoom, composed,
// with C major and a chord sounding.
struct SKeyboard {
    SKeyboard(double dRatio, int nZoom, bool bSimple = false, bool bTiles = true) {
        kb.m_grid.m_bTiles = bTiles ? 1 : 0;
        kb.Create(nullptr, kWidth, kHeight);
        kb.m_grid.m_pPitchClass = kCMajor.data();
        kb.SetViewSize(kWidth, kHeight);
        kb.SetDeviceRatio(dRatio);
        kb.SetZoom(nZoom, QPoint(0, 0));
        kb.m_grid.m_bSimple = bSimple ? 1 : 0;
        kb.ComposeFrame();
        for (int n : {48, 52, 55}) {
            kb.ShowNote(0, n, true);
        }
    }
    QSet<QRgb> Colours() const {
        QSet<QRgb> colours;
        const QImage& img = kb.GetFrame();
        const QSize size = kb.m_frame.GetViewSize();
        for (int y = 0; y < size.height(); ++y) {
            const auto* pRow = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                colours.insert(pRow[x] | 0xFF000000u);
            }
        }
        return colours;
    }
    CKeyboard kb;
};

TEST(KeyboardDensity, DenseDrawingsHaveNoColoursTheActualSizeLacks) {
    // A picture scaled up with smoothing gets mixed colours along every cell border; one drawn
    // at the screen's density keeps to the colours of the actual size.
    for (const bool bSimple : {false, true}) {
        const QSet<QRgb> actual = SKeyboard(1.0, CNoteGrid::kZoomActual, bSimple).Colours();
        for (const double dRatio : {1.5, 2.0}) {
            const SKeyboard dense(dRatio, CNoteGrid::kZoomActual, bSimple);
            EXPECT_EQ(dense.kb.m_frame.GetViewSize(),
                      QSize(static_cast<int>(kWidth * dRatio), static_cast<int>(kHeight * dRatio)));
            const QSet<QRgb> extra = dense.Colours() - actual;
            EXPECT_TRUE(extra.isEmpty()) << "ratio " << dRatio << " simple " << bSimple << ": "
                                         << extra.size() << " new colours";
        }
    }
}

TEST(KeyboardDensity, OnePeriodRepeatedIsEveryCopyDrawn) {
    // Labels, rings, the mouse mark and a scrolled lattice: the frame composed from one
    // repeated period equals the one that draws every copy, including where the period does
    // not come out in whole device pixels (1.1).
    std::array<QString, CNoteGrid::kNotes> keys;
    std::array<QString, CNoteGrid::kNotes> degrees;
    for (int n = 40; n < 70; ++n) {
        keys[static_cast<std::size_t>(n)] = QString(QChar(u'A' + n % 26));
        degrees[static_cast<std::size_t>(n)] = QString::number(n % 10);
    }
    for (const double dRatio : {1.0, 1.1, 1.5, 2.0}) {
        for (const int nZoom : {1, 2, 6}) {
            std::array<QImage, 2> frames;
            for (const bool bTiles : {false, true}) {
                SKeyboard keyboard(dRatio, nZoom, false, bTiles);
                keyboard.kb.m_grid.SetLabels(keys, degrees);
                keyboard.kb.m_grid.ScrollBy(37, -21);
                keyboard.kb.SetCurrentNote(60);
                keyboard.kb.ComposeFrame();
                const QImage& frame = keyboard.kb.GetFrame();
                frames[bTiles ? 1 : 0] = frame.copy(keyboard.kb.m_frame.GetViewRect());
            }
            EXPECT_EQ(frames[0], frames[1]) << "ratio " << dRatio << " zoom " << nZoom;
        }
    }
}

TEST(KeyboardDensity, ZoomingBackFindsTheSamePicture) {
    // More zooms and palettes than the sheets kept: each comes back as a fresh keyboard draws it.
    SKeyboard keyboard(2.0, CNoteGrid::kZoomActual);
    const struct {
        int nZoom;
        SKeyboardPalette::EKind ePalette;
    } steps[] = {{4, SKeyboardPalette::EKind::Classic},
                 {2, SKeyboardPalette::EKind::ColourBlindSafe},
                 {6, SKeyboardPalette::EKind::Classic},
                 {3, SKeyboardPalette::EKind::Classic},
                 {5, SKeyboardPalette::EKind::ColourBlindSafe},
                 {4, SKeyboardPalette::EKind::Classic},
                 {2, SKeyboardPalette::EKind::ColourBlindSafe}};
    for (const auto& step : steps) {
        keyboard.kb.m_grid.SetPalette(step.ePalette);
        keyboard.kb.SetZoom(step.nZoom, QPoint(0, 0));
        keyboard.kb.ComposeFrame();
        SKeyboard fresh(2.0, CNoteGrid::kZoomActual);
        fresh.kb.m_grid.SetPalette(step.ePalette);
        fresh.kb.SetZoom(step.nZoom, QPoint(0, 0));
        fresh.kb.m_grid.m_nOriginX = keyboard.kb.m_grid.m_nOriginX;
        fresh.kb.m_grid.m_nOriginY = keyboard.kb.m_grid.m_nOriginY;
        fresh.kb.ComposeFrame();
        EXPECT_EQ(keyboard.kb.GetFrame(), fresh.kb.GetFrame()) << "zoom " << step.nZoom;
    }
}

TEST(KeyboardDensity, DeferredNotesEndAsNotesDrawnAtOnce) {
    // Notes lit and cleared while deferred, some drawn in between, the mouse mark moving
    // beside them, end in the frame as the same steps drawn at once do. (A note that changes
    // under the mouse mark keeps a fringe of its earlier ring when drawn at once; that is
    // left out here.)
    const struct {
        int nNote;
        int nOn; // 1 on, 0 off, -1 the mouse mark moves here
    } steps[] = {{60, 1}, {64, 1}, {62, -1}, {60, 0},  {67, 1}, {64, 0}, {69, -1},
                 {67, 0}, {72, 1}, {60, 1},  {74, -1}, {72, 0}, {55, 1}, {60, 0}};
    for (const double dRatio : {1.0, 2.0}) {
        std::array<QImage, 2> frames;
        for (const bool bDefer : {false, true}) {
            SKeyboard keyboard(dRatio, CNoteGrid::kZoomActual);
            for (const auto& step : steps) {
                keyboard.kb.DeferNotes(bDefer);
                if (step.nOn < 0) {
                    keyboard.kb.SetCurrentNote(step.nNote);
                } else {
                    keyboard.kb.ShowNote(1, step.nNote, step.nOn != 0);
                }
                keyboard.kb.DeferNotes(false);
                if (step.nNote == 67) {
                    keyboard.kb.DrawDeferredNotes();
                }
            }
            keyboard.kb.DrawDeferredNotes();
            frames[bDefer ? 1 : 0] = keyboard.kb.GetFrame().copy();
        }
        EXPECT_EQ(frames[0], frames[1]) << "ratio " << dRatio;
    }
}

TEST(KeyboardDensity, WorkedPositionsHoldAtEveryRatioAndZoom) {
    // The positions relative to note 0 at the actual size, scaled by the zoom (in halves).
    const struct {
        int nNote;
        QPoint ptOffset;
    } worked[] = {{1, {56, -6}}, {3, {-24, -18}}, {4, {32, -24}},
                  {7, {8, -42}}, {12, {96, -72}}, {24, {0, -144}}};
    for (const double dRatio : {1.0, 1.5, 2.0}) {
        for (const int nZoom : {1, 2, 6}) {
            SKeyboard keyboard(dRatio, nZoom);
            CNoteGrid& grid = keyboard.kb.m_grid;
            grid.m_nOriginX = 0;
            grid.m_nOriginY = 700 * nZoom;
            const auto text = [&] {
                return "ratio " + std::to_string(dRatio) + " zoom " + std::to_string(nZoom);
            };
            QPoint pt0;
            grid.NoteToPoint(0, pt0);
            EXPECT_EQ(pt0, QPoint(0, 700 * nZoom)) << text();
            EXPECT_EQ(grid.PointToNote(0, 700 * nZoom), 0) << text();
            for (const auto& w : worked) {
                const QPoint ptWant = pt0 + w.ptOffset * nZoom / 2;
                QPoint pt;
                grid.NoteToPoint(w.nNote, pt);
                // The first copy lies within one period left of the reach.
                EXPECT_EQ((pt.x() - ptWant.x()) % grid.m_nPeriod, 0) << text() << " " << w.nNote;
                EXPECT_EQ(pt.y(), ptWant.y()) << text() << " " << w.nNote;
                EXPECT_EQ(grid.PointToNote(ptWant.x(), ptWant.y()), w.nNote) << text();
            }
            // A border between cells, scaled.
            if (nZoom % 2 == 0) {
                EXPECT_EQ(grid.PointToNote(21 * nZoom / 2, 700 * nZoom), -1) << text();
            }
        }
    }
}

TEST(KeyboardDensity, CellsAreDrawnWhereTheHitTestFindsThem) {
    // The keynote's circle is pale yellow; a point inside it, left of its letter, must show it
    // at every density and zoom.
    for (const double dRatio : {1.0, 1.5, 2.0}) {
        for (const int nZoom : {1, 2, 6}) {
            SKeyboard keyboard(dRatio, nZoom);
            CNoteGrid& grid = keyboard.kb.m_grid;
            grid.ScrollBy(0, kHeight / 2 + 60 * grid.m_nCellDY - grid.m_nOriginY);
            keyboard.kb.ComposeFrame();
            QPoint pt;
            ASSERT_TRUE(grid.NoteToPoint(60, pt));
            while (pt.x() < grid.m_nPeriod / 2) {
                grid.NextCopy(pt);
            }
            ASSERT_EQ(grid.PointToNote(pt.x(), pt.y()), 60);
            const QPoint ptInCircle =
                grid.ToDevice(pt) + QPoint(static_cast<int>(-7 * grid.ArtScale()), 0);
            EXPECT_EQ(keyboard.kb.GetFrame().pixel(ptInCircle) | 0xFF000000u, 0xFFFFF4A4u)
                << "ratio " << dRatio << " zoom " << nZoom;
        }
    }
}

TEST(KeyboardDensity, ViewsLargerThanTheBitmapsMakeThemGrow) {
    CKeyboard kb;
    kb.Create(nullptr, 300, 200);
    kb.m_grid.m_pPitchClass = kCMajor.data();
    kb.m_image.DrawLine(QPoint(10, 10), QPoint(100, 10));
    kb.SetViewSize(900, 700);
    kb.ComposeFrame();
    EXPECT_GE(kb.GetFrame().width(), 900);
    EXPECT_GE(kb.GetFrame().height(), 700);
    // The far corner shows the lattice, not black; the drawing is still there.
    const QImage corner = kb.GetFrame().copy(600, 400, 300, 300);
    int nBlack = 0;
    for (int y = 0; y < corner.height(); ++y) {
        for (int x = 0; x < corner.width(); ++x) {
            nBlack += (corner.pixel(x, y) & 0xFFFFFFu) == 0 ? 1 : 0;
        }
    }
    EXPECT_LT(nBlack, corner.width() * corner.height() / 4);
    EXPECT_EQ(kb.GetFrame().pixel(50, 10) | 0xFF000000u, 0xFF000000u);
    EXPECT_TRUE(kb.m_image.IsModified());
}

TEST(KeyboardDensity, ArtworkAtTheActualSizeIsTheResource) {
    const struct {
        int nId;
        QImage img;
    } sheets[] = {{130, CKeyboardArt::KeySheet(1.0)},
                  {131, CKeyboardArt::SimpleRingSheet(1.0)},
                  {134, CKeyboardArt::RingSheet(1.0)}};
    for (const auto& sheet : sheets) {
        const QImage resource =
            QImage(CSpriteSheet::ResourcePath(sheet.nId)).convertToFormat(QImage::Format_RGB32);
        EXPECT_TRUE(resource == sheet.img) << sheet.nId;
    }
}

TEST(KeyboardDensity, WideMasksPaintTheirBlackPixelsOnly) {
    // A key sheet at four times the size: cells of 228 pixels, several mask words a row.
    CSpriteSheet sheet;
    ASSERT_TRUE(sheet.Load(CKeyboardArt::KeySheet(4.0), 12, 1));
    ASSERT_TRUE(sheet.HasMasks());
    ASSERT_GT(sheet.m_cx, 3 * 64);
    sheet.SetAnchor(QPoint(0, 0));
    QImage target(sheet.m_cx + 20, sheet.m_cy + 20, QImage::Format_RGB32);
    target.fill(0xFF123456u);
    const QRect rcClip(5, 3, sheet.m_cx - 7, sheet.m_cy);
    sheet.DrawMask(target, 5, QPoint(10, 10), 0xFFFF0000u, rcClip);
    for (int y = 0; y < target.height(); ++y) {
        for (int x = 0; x < target.width(); ++x) {
            const QPoint ptCell(x - 10, y - 10);
            const bool bInk =
                QRect(0, 0, sheet.m_cx, sheet.m_cy).contains(ptCell) && rcClip.contains(x, y) &&
                (sheet.m_bitmap.pixel(ptCell.x(), 5 * sheet.m_cy + ptCell.y()) & 0xFFFFFFu) == 0;
            ASSERT_EQ(target.pixel(x, y), bInk ? 0xFFFF0000u : 0xFF123456u) << x << "," << y;
        }
    }
}

} // namespace
