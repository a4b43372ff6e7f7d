#pragma once

#include <QString>

#include <array>
#include <cstdint>

class CKeyMap;
class QKeyEvent;

// What the user's keyboard layout writes on the keys that play notes. Keys are matched by
// position (virtual-key codes of a US keyboard), so a French or German keyboard shows its own
// letters. Until the layout is known a key shows its US letter; the windowing system is asked
// where it can tell (X11), and every key typed tells what it writes.
class CKeyLabels {
public:
    CKeyLabels();

    // The label of a key by its virtual-key code; empty for keys without one.
    const QString& Label(unsigned nVirtualKey) const;
    void SetLabel(unsigned nVirtualKey, const QString& strLabel);
    // The text a key event brings is what the layout writes on that key.
    void Learn(const QKeyEvent& event);
    // Asks the windowing system for the labels of the whole layout; false where it cannot.
    bool ReadLayout();

    // For every note, the label of the key that plays it under dwFlags, keys of the letter rows
    // before the number row, the upper letter row first; and the keypad's degrees (1..9, 0 for
    // the tenth) on the notes that degreeNotes gives them.
    void NoteLabels(const CKeyMap& keyMap, std::uint32_t dwFlags,
                    const std::array<int, 10>& degreeNotes, std::array<QString, 128>& keys,
                    std::array<QString, 128>& degrees) const;

private:
    std::array<QString, 256> m_labels;
};
