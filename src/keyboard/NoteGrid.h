#pragma once

#include "image/OffscreenBitmap.h"
#include "keyboard/FrameChanges.h"
#include "keyboard/KeyboardPalette.h"
#include "keyboard/NoteState.h"
#include "keyboard/PianoStrip.h"
#include "keyboard/SpriteSheet.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <array>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

// The lattice keyboard: one cell up and right is a major third, up and left a minor third,
// every note repeated every m_nPeriod pixels across. Owns the piano strip beside it. Positions
// and hit tests are computed from the note or the point, there is no table of cells.
//
// Positions, scrolling and hit tests are in logical pixels of the view, the units of the mouse;
// the zoom scales the lattice in steps of half its actual size. The bitmaps and everything drawn
// into them are in device pixels, the logical ones times the device pixel ratio, so that a
// dense screen shows pictures drawn at its own density.
class CNoteGrid : public COffscreenBitmap {
public:
    static constexpr int kNotes = 128;
    static constexpr int kCellSheetId = 132;
    static constexpr int kSimpleCellSheetId = 133;
    static constexpr int kRingSheetId = 134;
    static constexpr int kSimpleRingSheetId = 131;
    // Channel colours as COLORREF (0x00BBGGRR): red, green, blue, olive, magenta, teal, khaki,
    // violet; channels 8..15 repeat them.
    static constexpr std::array<std::uint32_t, 8> kChannelColours{
        0x0000FF, 0x00AF00, 0xFF0000, 0x00AF9F, 0xDF2FEF, 0xBFBF6F, 0x3F9FAF, 0xEF5FCF};
    // The zoom in halves of the actual size: 50 % to 300 %.
    static constexpr int kZoomMin = 1;
    static constexpr int kZoomActual = 2;
    static constexpr int kZoomMax = 6;

    CNoteGrid();

    // cx x cy device pixels of bitmap.
    void Create(int cx, int cy);
    void Destroy();
    // Makes the bitmaps at least cx x cy device pixels, keeping the geometry.
    void EnsureSize(int cx, int cy);

    // The zoom (kZoomMin..kZoomMax, clamped) keeps the point of the view at ptFixed (logical)
    // on the same note. The geometry follows at once; the picture at the next paint.
    void SetZoom(int nZoom, QPoint ptFixed);
    int GetZoom() const { return m_nZoom; }
    // Device pixels per logical pixel (clamped to 0.5..8).
    void SetDeviceRatio(double dRatio);
    double GetDeviceRatio() const { return m_dRatio; }
    void SetPalette(SKeyboardPalette::EKind ePalette);
    SKeyboardPalette::EKind GetPalette() const { return m_ePalette; }
    // Labels written on every copy of a note's cell: below the character the computer key that
    // plays it, above it the keypad's degree. Empty texts: none. Shown from the next paint.
    void SetLabels(const std::array<QString, kNotes>& keys,
                   const std::array<QString, kNotes>& degrees);
    void ClearLabels();
    bool HasLabels() const { return m_bLabels; }
    const QString& KeyLabel(int nNote) const {
        return m_keyLabels[static_cast<std::size_t>(nNote)];
    }
    const QString& DegreeLabel(int nNote) const {
        return m_degreeLabels[static_cast<std::size_t>(nNote)];
    }

    // Logical to device pixels: the device pixel that holds the logical point's top left.
    QPoint ToDevice(QPoint pt) const {
        if (m_dRatio == 1.0) {
            return pt;
        }
        return QPoint(ToDevice(pt.x()), ToDevice(pt.y()));
    }
    int ToDevice(int v) const { return static_cast<int>(std::floor(v * m_dRatio)); }
    // Logical view size and the strip's logical width at the zoom.
    const QSize& GetLogicalViewSize() const { return m_sizeLogical; }
    int StripWidth() const { return CPianoStrip::kWidth * m_nZoom / kZoomActual; }
    // Device pixels per unit of the artwork: zoom times device pixel ratio.
    double ArtScale() const { return m_nZoom * m_dRatio / kZoomActual; }

    // Geometry.
    void Layout(int cx, int cy);
    bool NoteToPoint(int nNote, QPoint& pt) const;
    // Moves pt to the next copy of its note to the right; false when that lies past the view.
    bool NextCopy(QPoint& pt) const {
        pt.rx() += m_nPeriod;
        return pt.x() < m_sizeLogical.width() + m_nCopyReach;
    }
    int PointToNote(int x, int y) const;
    void ScrollBy(int dx, int dy);

    // Drawing. pDC is the painter of the frame buffer. ShowNoteOn and ShowNoteOff with no
    // painter only change the note's state and keep it for DrawPending.
    void Paint(QPainter* pDC);
    void SetHover(QPainter* pDC, int nNote, bool bOn);
    void ShowNoteOn(QPainter* pDC, int nChannel, int nNote);
    void ShowNoteOff(QPainter* pDC, int nChannel, int nNote);
    void ResetNoteStates();
    // Draws the rings and strip keys of the notes changed without a painter, as they stand now.
    void DrawPending(QPainter* pDC);
    bool HasPending() const { return m_pendingRings.any() || m_pendingKeys.any(); }
    void SetChannelColour(int nChannel, std::uint32_t clr);

    // What the drawing operations since the last clearing changed in the target: the rings as
    // stamps, copies of one note one after the other, and the strip's keys as rectangles.
    CFrameChanges& GetChanges() { return m_changed; }
    void ClearChanges() { m_changed.Clear(); }

    // Colour of the ring that shows note n's state, or of its cell where nothing sounds.
    QRgb RingBrush(int nNote) const;
    // Pitch-class state of a note: 0 white, 1 black, 2 keynote.
    int PitchClassState(int nNote) const;

    CPianoStrip m_strip;
    QRgb m_brBlack = 0;
    QRgb m_brWhite = 0;
    QRgb m_brGrey = 0;
    std::array<std::uint32_t, 16> m_channelColour{};
    std::array<QRgb, 16> m_channelBrush{};
    std::array<std::array<QRgb, 8>, 16> m_echoBrush{};
    std::array<CSpriteSheet, 2> m_cellSheet;
    std::array<CSpriteSheet, 2> m_ringSheet;
    std::uint8_t m_bSimple = 0;
    // The scale's twelve pitch-class states; C major until the view sets it.
    const std::uint8_t* m_pPitchClass = nullptr;
    std::uint8_t m_bRedraw = 0;
    // Whether a full redraw may draw one period and repeat it (see m_nTile); off, it draws
    // every copy, as tests compare.
    std::uint8_t m_bTiles = 1;
    int m_nCellDX = 8;
    int m_nCellDY = 6;
    int m_nPeriod = 192;
    int m_nMinOriginY = 0;
    int m_nMaxOriginY = 0;
    int m_nOriginX = 0;
    int m_nOriginY = 576;
    std::array<CNoteState, kNotes> m_noteState;
    std::int8_t m_nEchoUp = 3;
    std::int8_t m_nEchoDown = -3;

private:
    // Cell, ring and key sheets for the zoom, the device pixel ratio and the palette: the
    // resource bitmaps at the actual size in classic colours, drawn pictures otherwise.
    void LoadSheets();
    void LoadLabelSheets();
    struct SSheetSet;
    // The sheets for a scale and the palette, drawn now or found among the kept ones.
    const SSheetSet& KeptSheets(double dScale, const SKeyboardPalette& palette);
    void DrawLabels(QPainter* pDC, const QRect& rcDraw);
    void RedrawAll();
    // Draws ring k of a note at every copy of pt's note inside rcClip, into the keyboard
    // bitmap during a full redraw or straight into the frame buffer for a single-note update.
    void DrawRing(QPainter* pDC, int k, QRgb clrBrush, QPoint pt, const QRect& rcClip);
    // Calls fn(ptDevice, rc) for every copy of pt's note (logical) whose cell of sheet meets
    // rcClip, rc the part inside it. From the copy left of the first one the view shows: it
    // may reach into a tile.
    template <class Fn>
    void ForEachCopy(QPoint pt, const CSpriteSheet& sheet, const QRect& rcClip, Fn fn) const {
        for (pt.rx() -= m_nPeriod;; pt.rx() += m_nPeriod) {
            const QPoint ptDevice = ToDevice(pt);
            const QRect rcCell = sheet.CellRect(ptDevice.x(), ptDevice.y());
            if (rcCell.left() > rcClip.right()) {
                return;
            }
            const QRect rc = rcCell.intersected(rcClip);
            if (!rc.isEmpty()) {
                fn(ptDevice, rc);
            }
        }
    }
    // Where a full redraw draws: the tile when there is one, else the lattice's part of the view.
    QRect RedrawRect() const;
    // Repeats the tile across the lattice's part of pDC.
    void CopyTiled(QPainter* pDC) const;
    void SetNoteChannel(QPainter* pDC, int nChannel, int nNote, int nOffset, bool bOn);
    void CreateChannelBrushes();
    // Ends a single-note update of the frame buffer; too many changes become the
    // whole view.
    void AfterFrameUpdate();

    CFrameChanges m_changed;
    // Notes whose rings or strip keys changed without being drawn (see DrawPending); a full
    // redraw draws them all.
    std::bitset<kNotes> m_pendingRings;
    std::bitset<kNotes> m_pendingKeys;
    // Everything outside this rectangle of the bitmap is black: a full redraw clears only what
    // the last one drew, not the empty rows above and below the keyboard.
    QRect m_rcNotBlack;
    int m_nZoom = kZoomActual;
    double m_dRatio = 1.0;
    SKeyboardPalette::EKind m_ePalette = SKeyboardPalette::EKind::Classic;
    // A copy this far (logical) left of the view or past its right edge still shows a part.
    int m_nCopyReach = 18;
    // The lattice repeats every period across. Where a period is a whole number of device
    // pixels narrower than the view, a full redraw draws the first period alone, this wide,
    // and Paint repeats it across the frame: a tenth of the cells, and one write of the frame.
    // 0: the redraw draws the whole view.
    int m_nTile = 0;
    QSize m_sizeLogical{0, 0};
    bool m_bLabels = false;
    std::array<QString, kNotes> m_keyLabels;
    std::array<QString, kNotes> m_degreeLabels;
    // One mask per label text at the current scale.
    std::map<QString, CSpriteSheet> m_labelSheets;
    // The cell and ring sheets last drawn, newest first: zooming back and forth, or switching
    // the palette, finds them drawn already.
    struct SSheetSet {
        double dScale = 1.0;
        SKeyboardPalette::EKind ePalette = SKeyboardPalette::EKind::Classic;
        std::array<CSpriteSheet, 2> cells;
        std::array<CSpriteSheet, 2> rings;
        std::uint64_t nLastUse = 0;
    };
    static constexpr std::size_t kKeptSheetSets = 4;
    std::vector<SSheetSet> m_keptSheets;
    std::uint64_t m_nSheetUse = 0;
};
