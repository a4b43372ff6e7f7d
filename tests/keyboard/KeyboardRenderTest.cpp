#include "image/PixelRows.h"
#include "keyboard/Keyboard.h"

#include <QSet>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

constexpr std::array<std::uint8_t, 12> kCMajor{2, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0};

constexpr QRgb Rgb(std::uint32_t clrRef) {
    return COffscreenBitmap::RgbFromColorRef(clrRef);
}
constexpr QRgb kRed = Rgb(0x0000FF);
constexpr QRgb kBlue = Rgb(0xFF0000);
constexpr QRgb kRedEcho1 = Rgb(0xC0C0FF);
constexpr QRgb kRedEcho2 = Rgb(0xE0E0FF);
constexpr QRgb kWhite = Rgb(0xFFFFFF);
constexpr QRgb kGrey = Rgb(0xCFCFCF);
constexpr QRgb kBlack = Rgb(0x000000);
constexpr QRgb kPressed = Rgb(0xBFBFFF);
constexpr QRgb kBlackKey = Rgb(0x5F5F5F);

// Offsets from a note's centre into its rings: the thick ring 2 and the thin rings 0 and 1.
const QPoint kOnRing2(10, 0);
const QPoint kOnRing0Only(0, -11);
const QPoint kOnRing1(12, 0);

// A keyboard without a window that records what it asks the window to do.
class CRecordingKeyboard : public CKeyboard {
public:
    QRegion m_rgnUpdated;
    int m_nInvalidations = 0;

protected:
    void UpdateWindowFromFrame(const QRegion& rgn) override { m_rgnUpdated += rgn; }
    void InvalidateView() override { ++m_nInvalidations; }
};

class RenderTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 700;

    void SetUp() override {
        m_kb.Create(nullptr, kWidth, kHeight);
        m_kb.m_grid.m_pPitchClass = kCMajor.data();
        m_kb.SetViewSize(kWidth, kHeight);
        m_kb.ComposeFrame();
        m_imgUnlit = m_kb.GetFrame().copy();
    }

    QRgb Pixel(QPoint pt) const { return m_kb.GetFrame().pixel(pt) | 0xFF000000u; }
    QPoint Centre(int nNote) const {
        QPoint pt;
        EXPECT_TRUE(m_kb.m_grid.NoteToPoint(nNote, pt)) << "note " << nNote;
        if (pt.x() < 20) {
            m_kb.m_grid.NextCopy(pt); // a copy wholly inside the view
        }
        return pt;
    }
    QRgb RingColour(int nNote, QPoint ptOffset = kOnRing2) const {
        return Pixel(Centre(nNote) + ptOffset);
    }
    QRgb KeyColour(int nNote) const {
        QPoint pt;
        m_kb.m_grid.NoteToPoint(nNote, pt);
        const int x =
            m_kb.m_grid.m_strip.m_nLeft + 1 + (CPianoStrip::IsBlackKey(nNote % 12) ? 10 : 45);
        return Pixel(QPoint(x, pt.y()));
    }
    // Whether the frame shows cell k of a sheet at the note's copy: every pixel of the tile
    // (all but the near-black surroundings) is there, at most ORed with a neighbour's near-black.
    bool ShowsCell(int nNote, const CSpriteSheet& sheet, int k) const {
        const QPoint pt = Centre(nNote);
        const QPoint ptCell = sheet.m_cell[static_cast<std::size_t>(k)];
        for (int y = 0; y < sheet.m_cy; ++y) {
            for (int x = 0; x < sheet.m_cx; ++x) {
                const QRgb clrCell = sheet.m_bitmap.pixel(ptCell.x() + x, ptCell.y() + y);
                if ((clrCell & 0xFFFFFF) == 0x040404) {
                    continue;
                }
                const QRgb clrFrame = Pixel(
                    QPoint(pt.x() - sheet.m_ptAnchor.x() + x, pt.y() - sheet.m_ptAnchor.y() + y));
                if (clrFrame != clrCell && clrFrame != (clrCell | 0x040404)) {
                    return false;
                }
            }
        }
        return true;
    }

    // What the cell shows where no ring was ever drawn.
    QRgb Unlit(int nNote, QPoint ptOffset = kOnRing2) const {
        return m_imgUnlit.pixel(Centre(nNote) + ptOffset) | 0xFF000000u;
    }

    CRecordingKeyboard m_kb;
    QImage m_imgUnlit;
};

TEST_F(RenderTest, CellsShowThePitchClassesOfTheScale) {
    const CSpriteSheet& chars = m_kb.m_grid.m_cellSheet[0];
    // Note 60 is the keynote, 61 black, 62 white: cells 2, 4 and 6.
    EXPECT_TRUE(ShowsCell(60, chars, 2));
    EXPECT_TRUE(ShowsCell(61, chars, 4));
    EXPECT_TRUE(ShowsCell(62, chars, 6));
    EXPECT_FALSE(ShowsCell(60, chars, 0));
    EXPECT_FALSE(ShowsCell(61, chars, 3));
    EXPECT_FALSE(ShowsCell(62, chars, 7));
    for (int n = 40; n < 90; ++n) {
        EXPECT_TRUE(ShowsCell(n, chars, 3 * (n % 12) + kCMajor[static_cast<std::size_t>(n % 12)]))
            << "note " << n;
    }

    m_kb.m_grid.m_bSimple = 1;
    m_kb.m_grid.m_bRedraw = 1;
    m_kb.ComposeFrame();
    const CSpriteSheet& simple = m_kb.m_grid.m_cellSheet[1];
    EXPECT_TRUE(ShowsCell(60, simple, 2));
    EXPECT_TRUE(ShowsCell(61, simple, 1));
    EXPECT_TRUE(ShowsCell(62, simple, 0));
    EXPECT_FALSE(ShowsCell(61, simple, 0));
}

TEST_F(RenderTest, NoteLightsWithItsEchoesInShadesOfItsChannel) {
    m_kb.ShowNote(0, 60, true);
    EXPECT_EQ(RingColour(60), kRed);
    EXPECT_EQ(RingColour(48), kRedEcho1);
    EXPECT_EQ(RingColour(72), kRedEcho1);
    for (int n : {24, 36, 84, 96}) {
        EXPECT_EQ(RingColour(n), kRedEcho2) << "note " << n;
    }
    for (int n : {12, 59, 61, 108}) {
        const QRgb clr = RingColour(n);
        EXPECT_NE(clr, kRed);
        EXPECT_NE(clr, kRedEcho1);
        EXPECT_NE(clr, kRedEcho2);
    }
    EXPECT_EQ(KeyColour(60), kPressed);
    EXPECT_EQ(KeyColour(48), kWhite);
    EXPECT_EQ(KeyColour(72), kWhite);
    EXPECT_EQ(KeyColour(61), kBlackKey);
    // Only the rectangles that changed were shown: the rings and the key, not the whole view.
    EXPECT_TRUE(m_kb.m_rgnUpdated.contains(Centre(60)));
    EXPECT_TRUE(m_kb.m_rgnUpdated.contains(Centre(96)));
    EXPECT_FALSE(m_kb.m_rgnUpdated.contains(Centre(66)));
    EXPECT_EQ(m_kb.m_nInvalidations, 0);

    m_kb.ShowNote(0, 60, false);
    for (int n : {24, 36, 48, 60, 72, 84, 96}) {
        EXPECT_EQ(RingColour(n), kWhite) << "note " << n;
    }
    EXPECT_EQ(KeyColour(60), kWhite);
}

TEST_F(RenderTest, LowestChannelAtTheNearestOffsetWins) {
    m_kb.ShowNote(0, 60, true);
    m_kb.ShowNote(2, 60, true);
    EXPECT_EQ(RingColour(60), kRed);
    m_kb.ShowNote(0, 60, false);
    EXPECT_EQ(RingColour(60), kBlue);
    m_kb.ShowNote(2, 60, false);
    EXPECT_EQ(RingColour(60), kWhite);

    // A black note is cleared to its grey.
    m_kb.ShowNote(2, 61, true);
    EXPECT_EQ(RingColour(61), kBlue);
    m_kb.ShowNote(2, 61, false);
    EXPECT_EQ(RingColour(61), kGrey);

    // Offset 0 comes before the +1 echo of a lower note, whatever the channels.
    m_kb.ShowNote(1, 48, true);
    m_kb.ShowNote(0, 60, true);
    EXPECT_EQ(RingColour(60), kRed);
    m_kb.ShowNote(5, 60, true);
    EXPECT_EQ(RingColour(60), kRed);
}

TEST_F(RenderTest, MouseRingSitsInsideTheRingOfASoundingNote) {
    m_kb.ShowNote(0, 60, true);
    m_kb.SetCurrentNote(60);
    EXPECT_EQ(m_kb.m_nCurrentNote, 60);
    EXPECT_EQ(RingColour(60, kOnRing0Only), kBlack);
    EXPECT_EQ(RingColour(60, kOnRing1), kRed);
    m_kb.SetCurrentNote(62);
    EXPECT_EQ(RingColour(60, kOnRing0Only), kRed);
    EXPECT_EQ(RingColour(62, kOnRing0Only), kBlack);
    m_kb.SetCurrentNote(-1);
    EXPECT_EQ(RingColour(62, kOnRing0Only), kWhite);
    EXPECT_EQ(m_kb.m_nCurrentNote, -1);
}

TEST_F(RenderTest, ANoteStruckUnderTheMouseLeavesNoColourWhenItEnds) {
    // Struck with the mouse on it (the outer ring), left (the thin ring in its colour), ended
    // (the thick ring in the background): the thick ring must cover the other two.
    m_kb.SetCurrentNote(60);
    m_kb.ShowNote(0, 60, true);
    m_kb.SetCurrentNote(62);
    m_kb.ShowNote(0, 60, false);
    const QPoint pt = Centre(60);
    int nRed = 0;
    for (int y = -13; y < 13; ++y) {
        for (int x = -13; x < 13; ++x) {
            nRed += Pixel(pt + QPoint(x, y)) == kRed ? 1 : 0;
        }
    }
    EXPECT_EQ(nRed, 0);
}

TEST_F(RenderTest, EchoRangeLimitsTheRings) {
    m_kb.m_grid.m_nEchoUp = 0;
    m_kb.m_grid.m_nEchoDown = 0;
    m_kb.ShowNote(0, 60, true);
    EXPECT_EQ(RingColour(60), kRed);
    EXPECT_EQ(RingColour(48), Unlit(48));
    EXPECT_EQ(RingColour(72), Unlit(72));
    m_kb.ShowNote(0, 60, false);

    // Down above up: no ring at all, but the key is pressed.
    m_kb.m_grid.m_nEchoUp = -1;
    m_kb.m_grid.m_nEchoDown = 1;
    m_kb.ShowNote(0, 62, true);
    for (int n : {50, 62, 74}) {
        EXPECT_EQ(RingColour(n), Unlit(n)) << "note " << n;
    }
    EXPECT_EQ(KeyColour(62), kPressed);

    // The off path clears every offset, whatever the range was at the start.
    m_kb.m_grid.m_nEchoUp = 4;
    m_kb.m_grid.m_nEchoDown = -4;
    m_kb.ShowNote(3, 64, true);
    m_kb.m_grid.m_nEchoUp = 0;
    m_kb.m_grid.m_nEchoDown = 0;
    m_kb.ShowNote(3, 64, false);
    for (int n = 64 % 12; n < 128; n += 12) {
        EXPECT_FALSE(m_kb.m_grid.m_noteState[static_cast<std::size_t>(n)].IsSounding());
    }
}

TEST_F(RenderTest, RingsAndKeysSurviveAFullRedraw) {
    m_kb.ShowNote(0, 60, true);
    m_kb.ShowNote(2, 67, true);
    m_kb.SetCurrentNote(67);
    m_kb.m_grid.m_bRedraw = 1;
    m_kb.ComposeFrame();
    EXPECT_EQ(RingColour(60), kRed);
    EXPECT_EQ(RingColour(72), kRedEcho1);
    EXPECT_EQ(RingColour(67, kOnRing1), kBlue);
    EXPECT_EQ(RingColour(67, kOnRing0Only), kBlack);
    EXPECT_EQ(KeyColour(60), kPressed);
    EXPECT_EQ(KeyColour(67), kPressed);
}

TEST_F(RenderTest, ResetNoteStatesClearsTheRingsAtTheNextRepaint) {
    m_kb.ShowNote(0, 60, true);
    m_kb.m_grid.ResetNoteStates();
    m_kb.ComposeFrame();
    EXPECT_EQ(m_kb.GetFrame(), m_imgUnlit);
    EXPECT_EQ(KeyColour(60), kWhite);
}

TEST_F(RenderTest, DrawingImageLiesOverTheKeyboard) {
    const QPoint pt = Centre(60) + kOnRing2;
    m_kb.m_ptDrag = pt - QPoint(0, 3);
    m_kb.StrokeTo(pt + QPoint(0, 3));
    EXPECT_EQ(m_kb.m_nInvalidations, 1);
    m_kb.ComposeFrame();
    EXPECT_EQ(Pixel(pt), kBlack);
    // Lit notes keep the drawing on top.
    m_kb.ShowNote(0, 60, true);
    EXPECT_EQ(Pixel(pt), kBlack);
    EXPECT_EQ(RingColour(60, QPoint(-10, 0)), kRed);
}

TEST_F(RenderTest, DraggingScrollsTheKeyboardButNotTheImage) {
    const QPoint ptBefore = Centre(60);
    m_kb.m_ptDrag = QPoint(100, 100);
    m_kb.DragTo(QPoint(130, 90));
    EXPECT_EQ(m_kb.m_nInvalidations, 1);
    EXPECT_EQ(m_kb.m_grid.m_bRedraw, 1);
    EXPECT_EQ(m_kb.m_ptDrag, QPoint(130, 90));
    QPoint pt;
    m_kb.m_grid.NoteToPoint(60, pt);
    EXPECT_EQ((pt.y() - ptBefore.y()), 0); // already at the lowest origin
    m_kb.DragTo(QPoint(130, 100));
    m_kb.m_grid.NoteToPoint(60, pt);
    EXPECT_EQ((pt.y() - ptBefore.y()), 10);
    EXPECT_EQ(((pt.x() - ptBefore.x()) % 192 + 192) % 192, 30);
}

// After scrolling and lighting notes, a full redraw shows exactly what a keyboard that never
// moved shows at the same place: nothing of the old pictures is left behind.
TEST_F(RenderTest, FullRedrawLeavesNothingOfEarlierPictures) {
    m_kb.SetViewSize(kWidth, 400); // room to scroll up and down
    m_kb.ComposeFrame();
    m_kb.ShowNote(4, 60, true);
    m_kb.ShowNote(4, 60, false);
    m_kb.m_grid.ScrollBy(50, -300);
    m_kb.ShowNote(1, 30, true); // rings drawn before the next full redraw
    m_kb.ShowNote(1, 30, false);
    m_kb.m_grid.ScrollBy(-20, 170);
    m_kb.ComposeFrame();

    CRecordingKeyboard fresh;
    fresh.Create(nullptr, kWidth, kHeight);
    fresh.m_grid.m_pPitchClass = kCMajor.data();
    fresh.SetViewSize(kWidth, 400);
    fresh.m_grid.ScrollBy(m_kb.m_grid.m_nOriginX, m_kb.m_grid.m_nOriginY - fresh.m_grid.m_nOriginY);
    ASSERT_EQ(fresh.m_grid.m_nOriginY, m_kb.m_grid.m_nOriginY);
    fresh.ComposeFrame();
    EXPECT_EQ(m_kb.GetFrame().copy(0, 0, kWidth, 400), fresh.GetFrame().copy(0, 0, kWidth, 400));
}

// Single-note updates draw exactly what a full redraw of the same state draws, and every pixel
// they change is handed to the window. The mouse rests on a note before it sounds and notes
// only change colour, so that no erased ring (which a full redraw does not draw) is involved.
TEST_F(RenderTest, SingleNoteUpdatesMatchAFullRedrawOfTheSameState) {
    const QPoint pt = Centre(60) + kOnRing2;
    m_kb.m_ptDrag = pt - QPoint(40, 3);
    m_kb.StrokeTo(pt + QPoint(40, 3));
    m_kb.ComposeFrame();
    const QImage imgBefore = m_kb.GetFrame().copy();
    m_kb.SetCurrentNote(64);
    m_kb.ShowNote(0, 60, true);
    m_kb.ShowNote(2, 60, true);
    m_kb.ShowNote(1, 48, true); // 60 is also its +1 echo
    m_kb.ShowNote(3, 64, true); // under the mouse: the outer ring
    m_kb.ShowNote(0, 67, true);
    m_kb.ShowNote(5, 67, true);
    m_kb.ShowNote(7, 1, true); // echoes cut off below note 0
    m_kb.ShowNote(0, 60, false);
    m_kb.ShowNote(0, 67, false);
    const QImage imgUpdated = m_kb.GetFrame().copy();

    int nChanged = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (imgUpdated.pixel(x, y) != imgBefore.pixel(x, y)) {
                ++nChanged;
                ASSERT_TRUE(m_kb.m_rgnUpdated.contains(QPoint(x, y))) << x << "," << y;
            }
        }
    }
    EXPECT_GT(nChanged, 1000);

    m_kb.m_grid.m_bRedraw = 1;
    m_kb.ComposeFrame();
    EXPECT_EQ(imgUpdated, m_kb.GetFrame());
}

TEST(NoteStateTest, ShowsTheLowestChannelAtTheNearestOffset) {
    CNoteState state;
    state.Reset();
    EXPECT_FALSE(state.SetChannel(3, 2, false));
    EXPECT_TRUE(state.SetChannel(3, 2, true));
    EXPECT_EQ(state.m_nChannel, 3);
    EXPECT_EQ(state.m_nLevel, 4);
    EXPECT_TRUE(state.SetChannel(7, -1, true));
    EXPECT_EQ(state.m_nLevel, 1);
    EXPECT_FALSE(state.SetChannel(9, -1, true));
    EXPECT_TRUE(state.SetChannel(2, -1, true));
    EXPECT_EQ(state.m_nChannel, 2);
    EXPECT_FALSE(state.SetChannel(16, 0, true));
    EXPECT_FALSE(state.SetChannel(0, 5, true));
    EXPECT_FALSE(state.SetChannel(-1, 0, true));
    for (int e = -4; e <= 4; ++e) {
        EXPECT_EQ(CNoteState::OffsetOfLevel(CNoteState::LevelOfOffset(e)), e);
    }
}

TEST(ChannelColourTest, EchoShadesFadeTowardsWhite) {
    CNoteGrid grid;
    grid.Create(64, 64);
    EXPECT_EQ(grid.m_channelBrush[0], kRed);
    EXPECT_EQ(grid.m_echoBrush[0][0], kRedEcho1); // +1
    EXPECT_EQ(grid.m_echoBrush[0][4], kRedEcho1); // -1
    for (std::size_t k : {1u, 2u, 3u, 5u, 6u, 7u}) {
        EXPECT_EQ(grid.m_echoBrush[0][k], kRedEcho2);
    }
    EXPECT_EQ(grid.m_channelColour[8], grid.m_channelColour[0]);
    EXPECT_EQ(grid.m_channelBrush[1], Rgb(0x00AF00));
    EXPECT_EQ(grid.m_echoBrush[1][0], qRgb(0xC0, 0xEB, 0xC0));
}

} // namespace

namespace {

// The bundled pictures have the sizes and roles the drawing code relies on.
TEST(ArtworkTest, SheetsHaveTheirSizesAndMasksAreBlackAndWhite) {
    const struct {
        int nId;
        QSize size;
        bool bMask;
    } sheets[] = {{132, {108, 528}, false},
                  {133, {108, 44}, false},
                  {134, {78, 26}, true},
                  {131, {78, 26}, true},
                  {130, {57, 168}, true}};
    for (const auto& sheet : sheets) {
        const QImage img(CSpriteSheet::ResourcePath(sheet.nId));
        ASSERT_FALSE(img.isNull()) << sheet.nId;
        EXPECT_EQ(img.size(), sheet.size) << sheet.nId;
        QSet<QRgb> colours;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                colours.insert(img.pixel(x, y) | 0xFF000000u);
            }
        }
        if (sheet.bMask) {
            EXPECT_EQ(colours, (QSet<QRgb>{kBlack, kWhite})) << sheet.nId;
        } else {
            EXPECT_LE(colours.size(), 16) << sheet.nId;
            EXPECT_TRUE(colours.contains(0xFF040404u)) << sheet.nId;
        }
    }
    // Piano keys, the note's row at y = 7: black keys a bar of 32 x 4 from the left edge,
    // white keys at least rows -3..+2 across the whole width.
    const QImage keys(CSpriteSheet::ResourcePath(130));
    for (int nPitch = 0; nPitch < 12; ++nPitch) {
        const int y0 = 14 * nPitch + 7;
        if (CPianoStrip::IsBlackKey(nPitch)) {
            EXPECT_EQ(keys.pixel(0, y0 - 2) | 0xFF000000u, kBlack) << nPitch;
            EXPECT_EQ(keys.pixel(31, y0 + 1) | 0xFF000000u, kBlack) << nPitch;
            EXPECT_EQ(keys.pixel(32, y0) | 0xFF000000u, kWhite) << nPitch;
            EXPECT_EQ(keys.pixel(0, y0 + 2) | 0xFF000000u, kWhite) << nPitch;
        } else {
            EXPECT_EQ(keys.pixel(0, y0 - 3) | 0xFF000000u, kBlack) << nPitch;
            EXPECT_EQ(keys.pixel(56, y0 + 1) | 0xFF000000u, kBlack) << nPitch;
            EXPECT_EQ(keys.pixel(0, y0 - 4) | 0xFF000000u, kWhite) << nPitch;
        }
    }
}

// A mask drawn through a brush paints the brush exactly where the cell is black and nothing else,
// also where the cell hangs over an edge of the target or of a clip rectangle; a painter that
// clips (and so cannot take the direct way) gives the same picture. The ring cells are 26 pixels
// wide, the keys 57: both go the direct way, with and without the processor's masked stores.
TEST(SpriteSheetTest, BrushMaskPaintsExactlyTheBlackPixels) {
    constexpr QRgb clrBrush = Rgb(0x3F9FAF);
    constexpr int kSize = 90;
    const QRect rcClip(7, 5, 61, 72);
    struct SSheet {
        int nId, nRows, nCols;
    };
    const bool bVector = CPixelRows::IsVectorPathInUse();
    for (const bool bUseVector : {true, false}) {
        CPixelRows::UseVectorPath(bUseVector);
        for (const SSheet& def : {SSheet{134, 1, 3}, SSheet{130, 12, 1}}) {
            CSpriteSheet sheet;
            ASSERT_TRUE(sheet.Load(def.nId, def.nRows, def.nCols));
            for (const QPoint& pt : {QPoint(45, 45), QPoint(3, 40), QPoint(85, 2), QPoint(-5, 88),
                                     QPoint(-20, 30), QPoint(70, 89)}) {
                for (int k = 0; k < def.nRows * def.nCols; ++k) {
                    QImage imgDirect(kSize, kSize, COffscreenBitmap::kFormat);
                    for (int y = 0; y < kSize; ++y) {
                        for (int x = 0; x < kSize; ++x) {
                            imgDirect.setPixel(x, y,
                                               0xFF000000u | static_cast<QRgb>(x * 4099 + y * 77));
                        }
                    }
                    QImage imgExpected = imgDirect.copy();
                    QImage imgClipped = imgDirect.copy();
                    QImage imgInClip = imgDirect.copy();
                    QImage imgInClipClipped = imgDirect.copy();
                    const QImage imgBefore = imgDirect.copy();
                    {
                        QPainter dc(&imgDirect);
                        sheet.Draw(&dc, k, pt.x(), pt.y(), ERop::BrushMask, clrBrush);
                        QPainter dcClipped(&imgClipped);
                        dcClipped.setClipRect(imgClipped.rect());
                        sheet.Draw(&dcClipped, k, pt.x(), pt.y(), ERop::BrushMask, clrBrush);
                        QPainter dcInClip(&imgInClip);
                        sheet.Draw(&dcInClip, k, pt.x(), pt.y(), ERop::BrushMask, clrBrush, rcClip);
                        QPainter dcInClipClipped(&imgInClipClipped);
                        dcInClipClipped.setClipRect(imgInClipClipped.rect());
                        sheet.Draw(&dcInClipClipped, k, pt.x(), pt.y(), ERop::BrushMask, clrBrush,
                                   rcClip);
                    }
                    const QRect rcCell = sheet.CellRect(pt.x(), pt.y());
                    const QPoint ptCell = sheet.m_cell[static_cast<std::size_t>(k)];
                    for (int y = 0; y < sheet.m_cy; ++y) {
                        for (int x = 0; x < sheet.m_cx; ++x) {
                            const QPoint ptDst = rcCell.topLeft() + QPoint(x, y);
                            if (imgExpected.rect().contains(ptDst) &&
                                (sheet.m_bitmap.pixel(ptCell + QPoint(x, y)) | 0xFF000000u) ==
                                    kBlack) {
                                imgExpected.setPixel(ptDst, clrBrush);
                            }
                        }
                    }
                    const std::string strCase =
                        std::to_string(def.nId) + " cell " + std::to_string(k) + " at " +
                        std::to_string(pt.x()) + "," + std::to_string(pt.y()) +
                        (bUseVector ? " vector" : " plain");
                    EXPECT_EQ(imgDirect, imgExpected) << strCase;
                    EXPECT_EQ(imgClipped, imgExpected) << strCase;
                    // Inside the clip the same picture, outside it the one before.
                    QImage imgExpectedInClip = imgBefore.copy();
                    {
                        QPainter dc(&imgExpectedInClip);
                        dc.drawImage(rcClip.topLeft(), imgExpected, rcClip);
                    }
                    EXPECT_EQ(imgInClip, imgExpectedInClip) << strCase << " in clip";
                    EXPECT_EQ(imgInClipClipped, imgExpectedInClip) << strCase << " in clip";
                }
            }
        }
    }
    CPixelRows::UseVectorPath(bVector);
}

} // namespace
