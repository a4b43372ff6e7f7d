#include "keyboard/KeyTranslator.h"
#include "keyboard/VirtualKeys.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

#include <optional>

namespace {

// X11/Wayland key numbers: the Linux input code plus 8.
constexpr quint32 Xkb(quint32 nInputCode) {
    return nInputCode + 8;
}

std::optional<unsigned> Translate(int nKey, quint32 nScanCode, const QString& text = {},
                                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QKeyEvent event(QEvent::KeyPress, nKey, modifiers, nScanCode, 0, 0, text);
    return CKeyTranslator::ToVirtualKey(event);
}

struct SPhysicalKey {
    quint32 nInputCode; // Linux input code = PC scan code of the key's position
    unsigned nVirtualKey;
    int nUsKey;
    int nGermanKey;
    int nFrenchKey;
};

// One key per row and the keys whose symbols differ most between layouts.
const SPhysicalKey kKeys[] = {
    {41, VK_OEM_3, Qt::Key_QuoteLeft, Qt::Key_Dead_Circumflex, Qt::Key_twosuperior},
    {2, '1', Qt::Key_1, Qt::Key_1, Qt::Key_Ampersand},
    {5, '4', Qt::Key_4, Qt::Key_4, Qt::Key_QuoteDbl},
    {11, '0', Qt::Key_0, Qt::Key_0, Qt::Key_Agrave},
    {12, VK_OEM_MINUS, Qt::Key_Minus, Qt::Key_ssharp, Qt::Key_ParenRight},
    {13, VK_OEM_PLUS, Qt::Key_Equal, Qt::Key_Dead_Acute, Qt::Key_Equal},
    {16, 'Q', Qt::Key_Q, Qt::Key_Q, Qt::Key_A},
    {17, 'W', Qt::Key_W, Qt::Key_W, Qt::Key_Z},
    {21, 'Y', Qt::Key_Y, Qt::Key_Z, Qt::Key_Y},
    {26, VK_OEM_4, Qt::Key_BracketLeft, Qt::Key_Udiaeresis, Qt::Key_Dead_Circumflex},
    {27, VK_OEM_6, Qt::Key_BracketRight, Qt::Key_Plus, Qt::Key_Dollar},
    {30, 'A', Qt::Key_A, Qt::Key_A, Qt::Key_Q},
    {39, VK_OEM_1, Qt::Key_Semicolon, Qt::Key_Odiaeresis, Qt::Key_M},
    {40, VK_OEM_7, Qt::Key_Apostrophe, Qt::Key_Adiaeresis, Qt::Key_Ugrave},
    {44, 'Z', Qt::Key_Z, Qt::Key_Y, Qt::Key_W},
    {50, 'M', Qt::Key_M, Qt::Key_M, Qt::Key_Comma},
    {51, VK_OEM_COMMA, Qt::Key_Comma, Qt::Key_Comma, Qt::Key_Semicolon},
    {52, VK_OEM_PERIOD, Qt::Key_Period, Qt::Key_Period, Qt::Key_Colon},
    {53, VK_OEM_2, Qt::Key_Slash, Qt::Key_Minus, Qt::Key_Exclam},
};

TEST(KeyTranslatorTest, SamePhysicalKeySameCodeOnEveryLayout) {
    for (const SPhysicalKey& key : kKeys) {
        for (int nLayoutKey : {key.nUsKey, key.nGermanKey, key.nFrenchKey}) {
            EXPECT_EQ(Translate(nLayoutKey, Xkb(key.nInputCode)), key.nVirtualKey)
                << "input code " << key.nInputCode << " Qt key 0x" << std::hex << nLayoutKey;
            // Shift changes the symbol, not the position.
            EXPECT_EQ(Translate(nLayoutKey, Xkb(key.nInputCode), {}, Qt::ShiftModifier),
                      key.nVirtualKey);
        }
        EXPECT_EQ(CKeyTranslator::FromWindowsScanCode(key.nInputCode), key.nVirtualKey);
    }
    // Dvorak: the key at Q's place types an apostrophe, and still plays Q's note.
    EXPECT_EQ(Translate(Qt::Key_Apostrophe, Xkb(16), "'"), unsigned{'Q'});
}

TEST(KeyTranslatorTest, WithoutScanCodeTheQtKeyDecides) {
    EXPECT_EQ(Translate(Qt::Key_Q, 0, "q"), unsigned{'Q'});
    EXPECT_EQ(Translate(Qt::Key_5, 0, "5"), unsigned{'5'});
    EXPECT_EQ(Translate(Qt::Key_Percent, 0, "%"), unsigned{'5'});
    EXPECT_EQ(Translate(Qt::Key_Minus, 0), VK_OEM_MINUS);
    EXPECT_EQ(Translate(Qt::Key_Equal, 0), VK_OEM_PLUS);
    EXPECT_EQ(Translate(Qt::Key_QuoteLeft, 0), VK_OEM_3);
    EXPECT_EQ(Translate(Qt::Key_BracketRight, 0), VK_OEM_6);
    EXPECT_EQ(Translate(Qt::Key_Slash, 0), VK_OEM_2);
    EXPECT_EQ(Translate(Qt::Key_Escape, 0), std::nullopt);
    EXPECT_EQ(Translate(Qt::Key_Shift, 0), std::nullopt);
    EXPECT_EQ(Translate(Qt::Key_Udiaeresis, 0), std::nullopt);
}

TEST(KeyTranslatorTest, KeysOutsideTheMainBlockGoByQtKey) {
    // Unknown native codes (Return, Escape, function keys) fall back to the Qt key.
    EXPECT_EQ(Translate(Qt::Key_Return, Xkb(28)), std::nullopt);
    EXPECT_EQ(Translate(Qt::Key_Escape, Xkb(1)), std::nullopt);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Translate(Qt::Key_F1 + i, Xkb(i < 10 ? 59u + static_cast<quint32>(i)
                                                       : 77u + static_cast<quint32>(i))),
                  VK_F1 + static_cast<unsigned>(i));
    const std::pair<int, unsigned> nav[] = {
        {Qt::Key_Home, VK_HOME},     {Qt::Key_Up, VK_UP},         {Qt::Key_PageUp, VK_PRIOR},
        {Qt::Key_Left, VK_LEFT},     {Qt::Key_Right, VK_RIGHT},   {Qt::Key_End, VK_END},
        {Qt::Key_Down, VK_DOWN},     {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_Insert, VK_INSERT},
        {Qt::Key_Delete, VK_DELETE}, {Qt::Key_Clear, VK_CLEAR}};
    for (const auto& [nKey, nVirtualKey] : nav) {
        EXPECT_EQ(Translate(nKey, 0), nVirtualKey);
        EXPECT_EQ(Translate(nKey, Xkb(102)), nVirtualKey);
        EXPECT_EQ(Translate(nKey, 0, {}, Qt::KeypadModifier), nVirtualKey);
    }
}

TEST(KeyTranslatorTest, KeypadFollowsNumLock) {
    // NumLock on: digits, whatever the position says.
    const quint32 keypadCodes[10] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(
            Translate(Qt::Key_0 + i, Xkb(keypadCodes[i]), QString::number(i), Qt::KeypadModifier),
            VK_NUMPAD0 + static_cast<unsigned>(i));
    // NumLock off: the same keys navigate.
    EXPECT_EQ(Translate(Qt::Key_Up, Xkb(72), {}, Qt::KeypadModifier), VK_UP);
    EXPECT_EQ(Translate(Qt::Key_Clear, Xkb(76), {}, Qt::KeypadModifier), VK_CLEAR);
    EXPECT_EQ(Translate(Qt::Key_Insert, Xkb(82), {}, Qt::KeypadModifier), VK_INSERT);
    EXPECT_EQ(Translate(Qt::Key_Delete, Xkb(83), {}, Qt::KeypadModifier), VK_DELETE);
    EXPECT_EQ(Translate(Qt::Key_Plus, Xkb(78), "+", Qt::KeypadModifier), VK_ADD);
    EXPECT_EQ(Translate(Qt::Key_Minus, Xkb(74), "-", Qt::KeypadModifier), VK_SUBTRACT);
    EXPECT_EQ(Translate(Qt::Key_Enter, Xkb(96), {}, Qt::KeypadModifier), std::nullopt);
    // The main block's minus is a chord key, not the keypad's.
    EXPECT_EQ(Translate(Qt::Key_Minus, Xkb(12), "-"), VK_OEM_MINUS);
}

TEST(KeyTranslatorTest, WindowsScanCodes) {
    EXPECT_EQ(CKeyTranslator::FromWindowsScanCode(0x10), unsigned{'Q'});
    EXPECT_EQ(CKeyTranslator::FromWindowsScanCode(0x29), VK_OEM_3);
    EXPECT_EQ(CKeyTranslator::FromWindowsScanCode(0x56), VK_OEM_102);
    // Extended keys (the arrow Up is 0xE0 0x48) and the keypad are not taken by position.
    EXPECT_EQ(CKeyTranslator::FromWindowsScanCode(0x148), std::nullopt);
    EXPECT_EQ(CKeyTranslator::FromWindowsScanCode(0x48), std::nullopt);
    EXPECT_EQ(CKeyTranslator::FromWindowsScanCode(0xFFFFFFFF), std::nullopt);
    EXPECT_EQ(CKeyTranslator::FromXkbKeycode(0), std::nullopt);
    EXPECT_EQ(CKeyTranslator::FromXkbKeycode(7), std::nullopt);
    EXPECT_EQ(CKeyTranslator::FromXkbKeycode(0xFFFFFFFF), std::nullopt);
}

TEST(KeyTranslatorTest, AutoRepeat) {
    const QKeyEvent first(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, Xkb(16), 0, 0, "q", false);
    const QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, Xkb(16), 0, 0, "q", true);
    const QKeyEvent release(QEvent::KeyRelease, Qt::Key_Q, Qt::NoModifier, Xkb(16), 0, 0, "q",
                            true);
    EXPECT_FALSE(CKeyTranslator::IsAutoRepeat(first));
    EXPECT_TRUE(CKeyTranslator::IsAutoRepeat(repeat));
    EXPECT_TRUE(CKeyTranslator::IsAutoRepeat(release));
    EXPECT_EQ(CKeyTranslator::ToVirtualKey(release), unsigned{'Q'});
}

} // namespace
