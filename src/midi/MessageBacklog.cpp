#include "midi/MessageBacklog.h"

#include <iterator>

namespace {

// Messages are packed as status | data1 << 8 | data2 << 16.
bool IsNoteMessage(std::uint32_t dwMsg) {
    return (dwMsg & 0xE0u) == 0x80u;
}

bool IsNoteOn(std::uint32_t dwMsg) {
    return (dwMsg & 0xF0u) == 0x90u && (dwMsg & 0x7F0000u) != 0;
}

// Channel and key.
std::uint32_t NoteOf(std::uint32_t dwMsg) {
    return dwMsg & 0x7F0Fu;
}

} // namespace

void CMessageBacklog::Push(std::uint32_t dwMsg) {
    if (m_messages.size() < kMaxMessages) {
        m_messages.push_back(dwMsg);
        return;
    }
    if (!IsNoteMessage(dwMsg) || IsNoteOn(dwMsg)) {
        return;
    }
    // The latest waiting message of the same key tells whether the key will be sounding.
    for (auto it = m_messages.rbegin(); it != m_messages.rend(); ++it) {
        if (IsNoteMessage(*it) && NoteOf(*it) == NoteOf(dwMsg)) {
            if (IsNoteOn(*it)) {
                m_messages.erase(std::next(it).base());
            }
            return;
        }
    }
}

void CMessageBacklog::Clear() {
    m_messages.clear();
    m_messages.shrink_to_fit();
}
