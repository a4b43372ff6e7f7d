#pragma once

#include "image/OffscreenBitmap.h"
#include "keyboard/FrameChanges.h"
#include "keyboard/NoteState.h"
#include "keyboard/PianoStrip.h"
#include "keyboard/SpriteSheet.h"

#include <QPoint>
#include <QRect>
#include <array>
#include <cstdint>
#include <vector>

// The lattice keyboard: one cell up and right is a major third, up and left a minor third,
// every note repeated every m_nPeriod pixels across. Owns the piano strip beside it. Positions
// and hit tests are computed from the note or the point, there is no table of cells.
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

    CNoteGrid();

    void Create(int cx, int cy);
    void Destroy();

    // Geometry.
    void Layout(int cx, int cy);
    bool NoteToPoint(int nNote, QPoint& pt) const;
    // Moves pt to the next copy of its note to the right; false when that lies past the view.
    // Inline: the rings' loop keeps pt in registers instead of reading back what it stored.
    bool NextCopy(QPoint& pt) const {
        pt.rx() += m_nPeriod;
        return pt.x() < m_sizeView.width() + 18;
    }
    int PointToNote(int x, int y) const;
    void ScrollBy(int dx, int dy);

    // Drawing. pDC is the painter of the frame buffer.
    void Paint(QPainter* pDC);
    void SetHover(QPainter* pDC, int nNote, bool bOn);
    void ShowNoteOn(QPainter* pDC, int nChannel, int nNote);
    void ShowNoteOff(QPainter* pDC, int nChannel, int nNote);
    void ResetNoteStates();
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
    void RedrawAll();
    // Draws ring k of a note at every copy from pt on, into the keyboard bitmap during a full
    // redraw or straight into the frame buffer for a single-note update.
    void DrawRing(QPainter* pDC, int k, QRgb clrBrush, QPoint pt);
    void SetNoteChannel(QPainter* pDC, int nChannel, int nNote, int nOffset, bool bOn);
    void CreateChannelBrushes();
    // Ends a single-note update of the frame buffer; too many changes become the
    // whole view.
    void AfterFrameUpdate();

    CFrameChanges m_changed;
    // Everything outside this rectangle of the bitmap is black: a full redraw clears only what
    // the last one drew, not the empty rows above and below the keyboard.
    QRect m_rcNotBlack;
};
