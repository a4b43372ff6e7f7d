#include "keyboard/KeyboardPalette.h"

namespace {

const SKeyboardPalette g_classic{
    0xFFFFFFFFu,
    0xFFCFCFCFu,
    0xFFFFF4A4u,
    {0x0000FF, 0x00AF00, 0xFF0000, 0x00AF9F, 0xDF2FEF, 0xBFBF6F, 0x3F9FAF, 0xEF5FCF}};

// Vermilion, blue, bluish green, orange, reddish purple, sky blue, wine, indigo; the grey tile is
// darker than the classic one and the keynote orange rather than yellow, which would fade into
// white without blue cones.
const SKeyboardPalette g_colourBlindSafe{
    0xFFFFFFFFu,
    0xFFA8A8A8u,
    0xFFFFD080u,
    {0x005ED5, 0xB27200, 0x739E00, 0x009FE6, 0xA779CC, 0xE9B456, 0x552288, 0x882233}};

} // namespace

const SKeyboardPalette& SKeyboardPalette::Of(EKind eKind) {
    return eKind == EKind::ColourBlindSafe ? g_colourBlindSafe : g_classic;
}
