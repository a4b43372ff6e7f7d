#include "KeyTranslator.h"

#include "VirtualKeys.h"

#include <QKeyEvent>

#include <array>

namespace {

// PC set-1 scan codes of the main block, which are also the Linux input codes, indexed by
// code; 0 = not a key we translate by position.
constexpr std::array<unsigned char, 0x57> kMainBlock = [] {
    std::array<unsigned char, 0x57> table{};
    const char* pDigits = "1234567890";
    for (unsigned i = 0; i < 10; ++i)
        table[0x02 + i] = static_cast<unsigned char>(pDigits[i]);
    table[0x0C] = VK_OEM_MINUS;
    table[0x0D] = VK_OEM_PLUS;
    const char* pUpper = "QWERTYUIOP";
    for (unsigned i = 0; i < 10; ++i)
        table[0x10 + i] = static_cast<unsigned char>(pUpper[i]);
    table[0x1A] = VK_OEM_4;
    table[0x1B] = VK_OEM_6;
    const char* pHome = "ASDFGHJKL";
    for (unsigned i = 0; i < 9; ++i)
        table[0x1E + i] = static_cast<unsigned char>(pHome[i]);
    table[0x27] = VK_OEM_1;
    table[0x28] = VK_OEM_7;
    table[0x29] = VK_OEM_3;
    table[0x2B] = VK_OEM_5;
    const char* pLower = "ZXCVBNM";
    for (unsigned i = 0; i < 7; ++i)
        table[0x2C + i] = static_cast<unsigned char>(pLower[i]);
    table[0x33] = VK_OEM_COMMA;
    table[0x34] = VK_OEM_PERIOD;
    table[0x35] = VK_OEM_2;
    table[0x56] = VK_OEM_102;
    return table;
}();

// X11 and Wayland number keys by the Linux input code plus 8.
constexpr quint32 kXkbOffset = 8;
// Windows marks keys of the extended set (arrows, Insert, ...) with this bit.
constexpr quint32 kWindowsExtended = 0x100;

// The navigation keys, from the main block or from the keypad with NumLock off.
std::optional<unsigned> NavigationKey(int nKey) {
    switch (nKey) {
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Clear:
        return VK_CLEAR;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<unsigned> CKeyTranslator::FromPcScanCode(quint32 nScanCode) {
    if (nScanCode >= kMainBlock.size() || kMainBlock[nScanCode] == 0)
        return std::nullopt;
    return kMainBlock[nScanCode];
}

std::optional<unsigned> CKeyTranslator::FromXkbKeycode(quint32 nKeycode) {
    if (nKeycode < kXkbOffset)
        return std::nullopt;
    return FromPcScanCode(nKeycode - kXkbOffset);
}

std::optional<unsigned> CKeyTranslator::FromWindowsScanCode(quint32 nScanCode) {
    if (nScanCode & kWindowsExtended)
        return std::nullopt;
    return FromPcScanCode(nScanCode);
}

std::optional<unsigned> CKeyTranslator::FromKeypadKey(int nKey) {
    if (nKey >= Qt::Key_0 && nKey <= Qt::Key_9)
        return VK_NUMPAD0 + static_cast<unsigned>(nKey - Qt::Key_0);
    if (const auto nNavigation = NavigationKey(nKey))
        return nNavigation;
    switch (nKey) {
    case Qt::Key_Plus:
        return VK_ADD;
    case Qt::Key_Minus:
        return VK_SUBTRACT;
    case Qt::Key_Asterisk:
        return VK_MULTIPLY;
    case Qt::Key_Slash:
        return VK_DIVIDE;
    case Qt::Key_Period:
    case Qt::Key_Comma:
        return VK_DECIMAL;
    default:
        return std::nullopt;
    }
}

std::optional<unsigned> CKeyTranslator::FromQtKey(int nKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier)
        return FromKeypadKey(nKey);
    if (nKey >= Qt::Key_F1 && nKey <= Qt::Key_F12)
        return VK_F1 + static_cast<unsigned>(nKey - Qt::Key_F1);
    if (nKey >= Qt::Key_A && nKey <= Qt::Key_Z)
        return static_cast<unsigned>(nKey);
    if (nKey >= Qt::Key_0 && nKey <= Qt::Key_9)
        return static_cast<unsigned>(nKey);
    if (const auto nNavigation = NavigationKey(nKey))
        return nNavigation;
    switch (nKey) {
    // Unshifted and shifted characters of a US keyboard.
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_Asterisk:
        return '8';
    case Qt::Key_ParenLeft:
        return '9';
    case Qt::Key_ParenRight:
        return '0';
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return VK_OEM_MINUS;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return VK_OEM_PLUS;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return VK_OEM_1;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return VK_OEM_7;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return VK_OEM_COMMA;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return VK_OEM_PERIOD;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return VK_OEM_6;
    default:
        return std::nullopt;
    }
}

std::optional<unsigned> CKeyTranslator::ToVirtualKey(const QKeyEvent& event) {
    // The keypad first: its scan codes do not say whether NumLock turned a key into a digit.
    if (event.modifiers() & Qt::KeypadModifier)
        return FromKeypadKey(event.key());
    const quint32 nScanCode = event.nativeScanCode();
    if (nScanCode != 0) {
#if defined(Q_OS_WIN)
        if (const auto nKey = FromWindowsScanCode(nScanCode))
            return nKey;
#elif !defined(Q_OS_MACOS)
        if (const auto nKey = FromXkbKeycode(nScanCode))
            return nKey;
#endif
    }
    return FromQtKey(event.key(), event.modifiers());
}

bool CKeyTranslator::IsAutoRepeat(const QKeyEvent& event) {
    return event.isAutoRepeat();
}
