#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Short messages waiting, in order, for an output that cannot sound yet. The number kept is
// bounded; at the bound new messages are dropped, but never so that a waiting note is left
// without its end: a note-off then takes its waiting note-on out, and neither sounds.
class CMessageBacklog {
public:
    static constexpr std::size_t kMaxMessages = 4096;

    void Push(std::uint32_t dwMsg);
    // Forgets every waiting message and gives its memory back.
    void Clear();
    const std::vector<std::uint32_t>& Messages() const { return m_messages; }

private:
    std::vector<std::uint32_t> m_messages;
};
