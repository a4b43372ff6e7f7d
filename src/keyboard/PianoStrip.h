#pragma once

#include "image/OffscreenBitmap.h"
#include "keyboard/SpriteSheet.h"

#include <QRect>
#include <array>
#include <bitset>

class CNoteGrid;

// The narrow piano along the right edge of the view: all 128 notes as piano keys, at the
// heights of the lattice's rows, pressed keys in their own colour.
class CPianoStrip : public COffscreenBitmap {
public:
    static constexpr int kWidth = 58;
    static constexpr int kKeySheetId = 130;
    // Brush colours as COLORREF: white key, black key, pressed key.
    static constexpr std::array<std::uint32_t, 3> kKeyColours{0xFFFFFF, 0x5F5F5F, 0xBFBFFF};

    static constexpr bool IsBlackKey(int nPitchClass) {
        return nPitchClass == 1 || nPitchClass == 3 || nPitchClass == 6 || nPitchClass == 8 ||
               nPitchClass == 10;
    }

    // cx x cy device pixels of bitmap.
    void Create(int cx, int cy, CNoteGrid* pGrid);
    void Destroy();
    // The key masks for an artwork scale (device pixels per unit): the resource at 1.
    void LoadSheet(double dScale);
    // Where the strip lies in the frame, in device pixels.
    QRect DeviceRect() const { return QRect(QPoint(m_nLeftDevice, 0), m_sizeView); }
    // Copies the strip into pDC at its device place, redrawing it first if asked.
    void Paint(QPainter* pDC, bool bRedraw);
    // Redraws one key and copies its band into pDC. Returns the band in pDC's coordinates.
    QRect ShowKey(QPainter* pDC, int nNote, bool bPressed);
    // Forgets every pressed key (the picture changes with the next full redraw).
    void ReleaseAll() { m_pressed.reset(); }
    // Presses or releases a key without drawing it: the next ShowKey or full redraw shows it.
    void SetPressed(int nNote, bool bPressed) {
        if (nNote >= 0 && nNote < 128) {
            m_pressed.set(static_cast<std::size_t>(nNote), bPressed);
        }
    }
    bool IsPressed(int nNote) const {
        return nNote >= 0 && nNote < 128 && m_pressed.test(static_cast<std::size_t>(nNote));
    }

    CNoteGrid* m_pGrid = nullptr;
    int m_nLeft = 0;       // logical
    int m_nLeftDevice = 0; // the same in device pixels
    std::array<QRgb, 3> m_brKey{};
    CSpriteSheet m_keySheet;

private:
    void RedrawAll();
    void DrawKey(int nNote, bool bPressed);

    // Keys held down, so that a full redraw shows them again.
    std::bitset<128> m_pressed;
    // Device x of the keys' left edge.
    int m_nKeyX = 1;
};
