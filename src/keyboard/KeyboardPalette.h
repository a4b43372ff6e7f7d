#pragma once

#include <QRgb>

#include <array>
#include <cstdint>

// The colours of the keyboard: the scale's tiles and the channels' rings. "Classic" is the
// keyboard as it always looked; "colour-blind safe" keeps tiles and channels apart for eyes
// without one of the three kinds of cones (its channel colours follow the Okabe-Ito set).
struct SKeyboardPalette {
    enum class EKind { Classic, ColourBlindSafe };

    QRgb clrWhite;   // tile of a scale note
    QRgb clrGrey;    // tile of a note outside the scale
    QRgb clrKeynote; // the keynote's circle
    // COLORREF (0x00BBGGRR) of channels 0..7; 8..15 repeat them.
    std::array<std::uint32_t, 8> channelColours;

    static const SKeyboardPalette& Of(EKind eKind);
};
