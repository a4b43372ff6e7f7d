#include "midi/MessageRing.h"

bool CMessageRing::Push(std::uint32_t dwMsg) {
    const std::size_t nTail = m_nTail.load(std::memory_order_relaxed);
    if (nTail - m_nHead.load(std::memory_order_acquire) >= kCapacity) {
        m_nDropped.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    m_messages[nTail % kCapacity] = dwMsg;
    m_nTail.store(nTail + 1, std::memory_order_release);
    return true;
}

bool CMessageRing::Pop(std::uint32_t& dwMsg) {
    const std::size_t nHead = m_nHead.load(std::memory_order_relaxed);
    if (nHead == m_nTail.load(std::memory_order_acquire)) {
        return false;
    }
    dwMsg = m_messages[nHead % kCapacity];
    m_nHead.store(nHead + 1, std::memory_order_release);
    return true;
}
