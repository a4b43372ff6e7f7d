#pragma once

// Virtual-key codes of the keys the key map knows. Letters and digits use their upper-case
// ASCII codes ('A' = 0x41, '0' = 0x30) and have no names of their own.
inline constexpr unsigned VK_CLEAR = 0x0C;
inline constexpr unsigned VK_PRIOR = 0x21; // Page Up
inline constexpr unsigned VK_NEXT = 0x22;  // Page Down
inline constexpr unsigned VK_END = 0x23;
inline constexpr unsigned VK_HOME = 0x24;
inline constexpr unsigned VK_LEFT = 0x25;
inline constexpr unsigned VK_UP = 0x26;
inline constexpr unsigned VK_RIGHT = 0x27;
inline constexpr unsigned VK_DOWN = 0x28;
inline constexpr unsigned VK_INSERT = 0x2D;
inline constexpr unsigned VK_DELETE = 0x2E;
inline constexpr unsigned VK_NUMPAD0 = 0x60;
inline constexpr unsigned VK_NUMPAD1 = 0x61;
inline constexpr unsigned VK_NUMPAD2 = 0x62;
inline constexpr unsigned VK_NUMPAD3 = 0x63;
inline constexpr unsigned VK_NUMPAD4 = 0x64;
inline constexpr unsigned VK_NUMPAD5 = 0x65;
inline constexpr unsigned VK_NUMPAD6 = 0x66;
inline constexpr unsigned VK_NUMPAD7 = 0x67;
inline constexpr unsigned VK_NUMPAD8 = 0x68;
inline constexpr unsigned VK_NUMPAD9 = 0x69;
inline constexpr unsigned VK_MULTIPLY = 0x6A;
inline constexpr unsigned VK_ADD = 0x6B;
inline constexpr unsigned VK_SUBTRACT = 0x6D;
inline constexpr unsigned VK_DECIMAL = 0x6E;
inline constexpr unsigned VK_DIVIDE = 0x6F;
inline constexpr unsigned VK_F1 = 0x70;
inline constexpr unsigned VK_F2 = 0x71;
inline constexpr unsigned VK_F3 = 0x72;
inline constexpr unsigned VK_F4 = 0x73;
inline constexpr unsigned VK_F5 = 0x74;
inline constexpr unsigned VK_F6 = 0x75;
inline constexpr unsigned VK_F7 = 0x76;
inline constexpr unsigned VK_F8 = 0x77;
inline constexpr unsigned VK_F9 = 0x78;
inline constexpr unsigned VK_F10 = 0x79;
inline constexpr unsigned VK_F11 = 0x7A;
inline constexpr unsigned VK_F12 = 0x7B;
inline constexpr unsigned VK_OEM_1 = 0xBA;      // ; on a US keyboard
inline constexpr unsigned VK_OEM_PLUS = 0xBB;   // =
inline constexpr unsigned VK_OEM_COMMA = 0xBC;  // ,
inline constexpr unsigned VK_OEM_MINUS = 0xBD;  // -
inline constexpr unsigned VK_OEM_PERIOD = 0xBE; // .
inline constexpr unsigned VK_OEM_2 = 0xBF;      // /
inline constexpr unsigned VK_OEM_3 = 0xC0;      // ` (grave accent)
inline constexpr unsigned VK_OEM_4 = 0xDB;      // [
inline constexpr unsigned VK_OEM_5 = 0xDC;      // backslash
inline constexpr unsigned VK_OEM_6 = 0xDD;      // ]
inline constexpr unsigned VK_OEM_7 = 0xDE;      // '
inline constexpr unsigned VK_OEM_102 = 0xE2;    // the extra key beside left Shift on ISO keyboards
