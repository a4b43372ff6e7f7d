#include "keyboard/KeyLabels.h"

#include "keyboard/KeyMap.h"
#include "keyboard/KeyTranslator.h"
#include "keyboard/VirtualKeys.h"

#include <QGuiApplication>
#include <QKeyEvent>

#ifdef VORKELN_X11_LAYOUT
#include <X11/XKBlib.h>
#include <xkbcommon/xkbcommon.h>
#endif

namespace {

// The keys that play notes, in the order their labels are preferred.
constexpr unsigned kNoteKeyOrder[] = {
    'Q', 'W',      'E',      'R',          'T',           'Y',      'U', 'I',          'O',
    'P', VK_OEM_4, VK_OEM_6, 'A',          'S',           'D',      'F', 'G',          'H',
    'J', 'K',      'L',      VK_OEM_1,     VK_OEM_7,      'Z',      'X', 'C',          'V',
    'B', 'N',      'M',      VK_OEM_COMMA, VK_OEM_PERIOD, VK_OEM_2, '1', '2',          '3',
    '4', '5',      '6',      '7',          '8',           '9',      '0', VK_OEM_MINUS, VK_OEM_PLUS};

// A label is one printable character, upper case where the layout has one.
QString LabelOf(const QString& strText) {
    if (strText.size() != 1 || !strText.at(0).isPrint() || strText.at(0).isSpace()) {
        return {};
    }
    return strText.toUpper();
}

} // namespace

CKeyLabels::CKeyLabels() {
    for (unsigned nKey = 'A'; nKey <= 'Z'; ++nKey) {
        m_labels[nKey] = QString(QChar(static_cast<char16_t>(nKey)));
    }
    for (unsigned nKey = '0'; nKey <= '9'; ++nKey) {
        m_labels[nKey] = QString(QChar(static_cast<char16_t>(nKey)));
    }
    const std::pair<unsigned, char> punctuation[] = {
        {VK_OEM_1, ';'},     {VK_OEM_PLUS, '='},   {VK_OEM_COMMA, ','},
        {VK_OEM_MINUS, '-'}, {VK_OEM_PERIOD, '.'}, {VK_OEM_2, '/'},
        {VK_OEM_4, '['},     {VK_OEM_6, ']'},      {VK_OEM_7, '\''}};
    for (const auto& [nKey, ch] : punctuation) {
        m_labels[nKey] = QString(QLatin1Char(ch));
    }
}

const QString& CKeyLabels::Label(unsigned nVirtualKey) const {
    static const QString s_strNone;
    return nVirtualKey < m_labels.size() ? m_labels[nVirtualKey] : s_strNone;
}

void CKeyLabels::SetLabel(unsigned nVirtualKey, const QString& strLabel) {
    const QString strOne = LabelOf(strLabel);
    if (nVirtualKey < m_labels.size() && !strOne.isEmpty()) {
        m_labels[nVirtualKey] = strOne;
    }
}

void CKeyLabels::Learn(const QKeyEvent& event) {
    if (event.modifiers() & (Qt::KeypadModifier | Qt::ControlModifier | Qt::AltModifier)) {
        return;
    }
    const std::optional<unsigned> vk = CKeyTranslator::ToVirtualKey(event);
    if (vk && !Label(*vk).isEmpty()) {
        SetLabel(*vk, event.text());
    }
}

bool CKeyLabels::ReadLayout() {
#ifdef VORKELN_X11_LAYOUT
    const auto* pX11 = qGuiApp != nullptr
                           ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                           : nullptr;
    Display* pDisplay = pX11 != nullptr ? pX11->display() : nullptr;
    if (pDisplay == nullptr) {
        return false;
    }
    for (unsigned nKeycode = 8; nKeycode < 256; ++nKeycode) {
        const std::optional<unsigned> vk = CKeyTranslator::FromXkbKeycode(nKeycode);
        if (!vk || Label(*vk).isEmpty()) {
            continue;
        }
        const KeySym keysym = XkbKeycodeToKeysym(pDisplay, static_cast<KeyCode>(nKeycode), 0, 0);
        const std::uint32_t nChar = xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(keysym));
        if (nChar != 0) {
            SetLabel(*vk, QString::fromUcs4(reinterpret_cast<const char32_t*>(&nChar), 1));
        }
    }
    return true;
#else
    return false;
#endif
}

void CKeyLabels::NoteLabels(const CKeyMap& keyMap, std::uint32_t dwFlags,
                            const std::array<int, 10>& degreeNotes, std::array<QString, 128>& keys,
                            std::array<QString, 128>& degrees) const {
    keys.fill(QString());
    degrees.fill(QString());
    for (unsigned nKey : kNoteKeyOrder) {
        const int nNote = keyMap.NoteOfKey(nKey, dwFlags);
        if (nNote >= 0 && nNote < 128 && keys[static_cast<std::size_t>(nNote)].isEmpty()) {
            keys[static_cast<std::size_t>(nNote)] = Label(nKey);
        }
    }
    for (std::size_t d = 0; d < degreeNotes.size(); ++d) {
        const int nNote = degreeNotes[d];
        if (nNote >= 0 && nNote < 128) {
            // Keypad 1 plays the first degree; 0 the tenth.
            degrees[static_cast<std::size_t>(nNote)] = QString::number(d);
        }
    }
}
