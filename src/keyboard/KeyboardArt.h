#pragma once

#include "keyboard/KeyboardPalette.h"

#include <QImage>
#include <QString>

// The keyboard's pictures drawn from code at any density: the sheets of cells, rings and piano
// keys, the pen cursor and the key labels. dScale is device pixels per logical pixel of the
// keyboard at its actual size; every sheet keeps the cell grid of its resource bitmap, each cell
// dScale times as large. Masks are pure black and white, decided per device pixel, so their
// edges stay sharp; the cell sheets use sixteen colours. The artwork generator writes the
// resources from here at scale 1.
class CKeyboardArt {
public:
    static constexpr int kCellWidth = 36;
    static constexpr int kCellHeight = 44;
    static constexpr int kRingSize = 26;
    static constexpr int kKeyWidth = 57;
    static constexpr int kKeyHeight = 14;
    static constexpr int kKeyAnchorY = 7;

    // Cell pictures with note characters (12 x 3 cells) or without (1 x 3).
    static QImage CellSheet(bool bCharacters, double dScale, const SKeyboardPalette& palette);
    static QImage RingSheet(double dScale);
    static QImage SimpleRingSheet(double dScale);
    static QImage KeySheet(double dScale);
    static QImage PenCursor(double dScale);
    // A label as a black-on-white mask, as wide as its text and dScale * 9 high.
    static QImage LabelMask(const QString& strText, double dScale);

    // Cell size at a scale: the unit size times dScale, rounded, at least one pixel.
    static int Scaled(int nSize, double dScale);
};
