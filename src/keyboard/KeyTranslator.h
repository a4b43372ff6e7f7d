#pragma once

#include <Qt>
#include <QtGlobal>

#include <optional>

class QKeyEvent;

// Turns Qt key events into the virtual-key codes the key map understands. Letter, digit and
// punctuation keys go by physical position, so the note patch keeps its shape whatever the
// layout (AZERTY, QWERTZ, Dvorak); keypad keys go by what NumLock makes of them.
class CKeyTranslator {
public:
    static std::optional<unsigned> ToVirtualKey(const QKeyEvent& event);
    // The view drops auto-repeated presses and releases.
    static bool IsAutoRepeat(const QKeyEvent& event);

    // Main-block key at a physical position, by the platform's native key number.
    static std::optional<unsigned> FromXkbKeycode(quint32 nKeycode);
    static std::optional<unsigned> FromWindowsScanCode(quint32 nScanCode);
    // By what the layout made of the key; used where no native code is known.
    static std::optional<unsigned> FromQtKey(int nKey, Qt::KeyboardModifiers modifiers);

private:
    static std::optional<unsigned> FromPcScanCode(quint32 nScanCode);
    static std::optional<unsigned> FromKeypadKey(int nKey);
};
