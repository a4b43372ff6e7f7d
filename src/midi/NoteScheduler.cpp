#include "midi/NoteScheduler.h"

CNoteScheduler::~CNoteScheduler() {
    ClearPending();
}

void CNoteScheduler::ClearPending() {
    while (m_pHead != nullptr) {
        CScheduledNote* pNext = m_pHead->m_pNext;
        delete m_pHead;
        m_pHead = pNext;
    }
    m_pTail = nullptr;
    m_nClock = 0;
    for (auto& channel : m_slots) {
        channel.fill(nullptr);
    }
}

void CNoteScheduler::Insert(CScheduledNote* pNode) {
    // From the tail: after the last node due no later, so equal times leave in scheduling order.
    CScheduledNote* pAfter = m_pTail;
    while (pAfter != nullptr && pAfter->m_nDue > pNode->m_nDue) {
        pAfter = pAfter->m_pPrev;
    }
    pNode->m_pPrev = pAfter;
    pNode->m_pNext = pAfter != nullptr ? pAfter->m_pNext : m_pHead;
    if (pNode->m_pNext != nullptr) {
        pNode->m_pNext->m_pPrev = pNode;
    } else {
        m_pTail = pNode;
    }
    if (pAfter != nullptr) {
        pAfter->m_pNext = pNode;
    } else {
        m_pHead = pNode;
    }
}

void CNoteScheduler::Unlink(CScheduledNote* pNode) {
    if (pNode->m_pPrev != nullptr) {
        pNode->m_pPrev->m_pNext = pNode->m_pNext;
    } else {
        m_pHead = pNode->m_pNext;
    }
    if (pNode->m_pNext != nullptr) {
        pNode->m_pNext->m_pPrev = pNode->m_pPrev;
    } else {
        m_pTail = pNode->m_pPrev;
    }
}

void CNoteScheduler::ScheduleNote(std::uint8_t nChannel, std::uint8_t nNote,
                                  std::uint32_t nDuration, std::uint32_t nDelay) {
    auto* pNode = new CScheduledNote;
    pNode->m_nChannel = nChannel;
    pNode->m_nNote = nNote;
    pNode->m_nDuration = nDuration;
    pNode->m_nDue = m_nClock + nDelay;
    Insert(pNode);
}

bool CNoteScheduler::ScheduleNoteOff(std::uint8_t nChannel, std::uint8_t nNote,
                                     std::uint32_t nDelay) {
    CScheduledNote*& pSlot = m_slots[nChannel & 0x0F][nNote & 0x7F];
    const bool bWasPending = pSlot != nullptr;
    if (bWasPending) {
        Unlink(pSlot);
        delete pSlot;
        pSlot = nullptr;
    }
    auto* pNode = new CScheduledNote;
    pNode->m_nChannel = nChannel;
    pNode->m_nNote = nNote;
    pNode->m_nDue = m_nClock + nDelay;
    Insert(pNode);
    pSlot = pNode;
    return bWasPending;
}

bool CNoteScheduler::PopDue(CScheduledNote& out, std::uint32_t nStep) {
    if (m_pHead == nullptr) {
        return false;
    }
    if (m_nClock < m_pHead->m_nDue) {
        m_nClock += nStep;
        return false;
    }
    CScheduledNote* pNode = m_pHead;
    out = *pNode;
    out.m_pPrev = nullptr;
    out.m_pNext = nullptr;
    if (pNode->m_nDuration == 0) {
        m_slots[pNode->m_nChannel & 0x0F][pNode->m_nNote & 0x7F] = nullptr;
    }
    Unlink(pNode);
    delete pNode;
    if (m_pHead == nullptr) {
        m_nClock = 0;
    }
    return true;
}
