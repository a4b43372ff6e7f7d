#include "midi/NoteScheduler.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// Runs timer ticks until nothing is pending; each popped node with the tick it left at.
struct Popped {
    int nTick;
    std::uint8_t nNote;
    std::uint32_t nDuration;
    bool operator==(const Popped&) const = default;
};

std::vector<Popped> Drain(CNoteScheduler& scheduler, std::uint32_t nStep, int nMaxTicks = 1000) {
    std::vector<Popped> popped;
    for (int nTick = 0; nTick < nMaxTicks && !scheduler.IsEmpty(); ++nTick) {
        CScheduledNote node;
        while (scheduler.PopDue(node, nStep)) {
            popped.push_back({nTick, node.m_nNote, node.m_nDuration});
        }
    }
    return popped;
}
} // namespace

TEST(NoteScheduler, LeavesInDueOrderAndEqualTimesInSchedulingOrder) {
    CNoteScheduler scheduler;
    scheduler.ScheduleNoteOff(0, 60, 30);
    scheduler.ScheduleNote(0, 62, 100, 15);
    scheduler.ScheduleNoteOff(0, 61, 30);
    scheduler.ScheduleNote(0, 63, 100, 0);
    EXPECT_EQ(Drain(scheduler, 15),
              (std::vector<Popped>{{0, 63, 100}, {1, 62, 100}, {2, 60, 0}, {2, 61, 0}}));
    EXPECT_EQ(scheduler.GetClock(), 0u);
}

TEST(NoteScheduler, ClockMovesOnlyWhileSomethingIsPendingAndNothingIsDue) {
    CNoteScheduler scheduler;
    CScheduledNote node;
    EXPECT_FALSE(scheduler.PopDue(node, 15));
    EXPECT_EQ(scheduler.GetClock(), 0u);

    scheduler.ScheduleNoteOff(1, 40, 20);
    EXPECT_FALSE(scheduler.PopDue(node, 15));
    EXPECT_EQ(scheduler.GetClock(), 15u);
    EXPECT_FALSE(scheduler.PopDue(node, 15));
    EXPECT_EQ(scheduler.GetClock(), 30u);
    // Due: the clock does not move on the ticks that pop.
    scheduler.ScheduleNote(1, 41, 50, 0);
    ASSERT_TRUE(scheduler.PopDue(node, 15));
    EXPECT_EQ(node.m_nNote, 40);
    EXPECT_EQ(node.m_nChannel, 1);
    EXPECT_EQ(node.m_nDuration, 0u);
    EXPECT_EQ(scheduler.GetClock(), 30u);
    EXPECT_EQ(scheduler.FindNoteOff(1, 40), nullptr);
    ASSERT_TRUE(scheduler.PopDue(node, 15));
    EXPECT_EQ(node.m_nNote, 41);
    EXPECT_EQ(node.m_nDuration, 50u);
    EXPECT_EQ(scheduler.GetClock(), 0u);
    EXPECT_EQ(scheduler.FindNoteOff(1, 40), nullptr);
}

TEST(NoteScheduler, RepressReplacesThePendingNoteOff) {
    CNoteScheduler scheduler;
    EXPECT_FALSE(scheduler.ScheduleNoteOff(2, 60, 384));
    CScheduledNote node;
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(scheduler.PopDue(node, 15));
    }
    EXPECT_TRUE(scheduler.ScheduleNoteOff(2, 60, 384));
    EXPECT_FALSE(scheduler.ScheduleNoteOff(3, 60, 384));
    ASSERT_NE(scheduler.FindNoteOff(2, 60), nullptr);
    EXPECT_EQ(scheduler.FindNoteOff(2, 60)->m_nDue, 150u + 384u);
    const std::vector<Popped> popped = Drain(scheduler, 15);
    ASSERT_EQ(popped.size(), 2u);
    EXPECT_EQ(popped[0].nTick, 26); // channel 3 was scheduled at clock 150 too
    EXPECT_EQ(popped[1].nTick, 26);
}

TEST(NoteScheduler, ClearPendingDropsEverything) {
    CNoteScheduler scheduler;
    scheduler.ScheduleNoteOff(0, 60, 10);
    scheduler.ScheduleNote(0, 61, 10, 5);
    CScheduledNote node;
    scheduler.PopDue(node, 15);
    scheduler.ClearPending();
    EXPECT_TRUE(scheduler.IsEmpty());
    EXPECT_EQ(scheduler.GetClock(), 0u);
    EXPECT_EQ(scheduler.FindNoteOff(0, 60), nullptr);
    EXPECT_FALSE(scheduler.PopDue(node, 15));
    EXPECT_FALSE(scheduler.ScheduleNoteOff(0, 60, 10));
}
