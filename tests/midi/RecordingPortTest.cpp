#include "midi/RecordingPort.h"

#include <gtest/gtest.h>

TEST(RecordingPort, KeepsMessagesInOrderOnlyWhileOpen) {
    CRecordingPort port;
    port.SendShort(0x7F3C90);
    ASSERT_TRUE(port.Open());
    port.SendShort(0x7F3C90);
    port.Reset();
    port.SendShort(0x003C80);
    port.Close();
    port.SendShort(0x7F3C90);
    EXPECT_EQ(port.m_messages,
              (std::vector<std::uint32_t>{0x7F3C90, CRecordingPort::kResetMarker, 0x003C80,
                                          CRecordingPort::kCloseMarker}));
}

TEST(RecordingPort, FailedOpenLeavesThePortClosed) {
    CRecordingPort port;
    port.m_bFailOpen = true;
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    port.SendShort(0x7F3C90);
    EXPECT_TRUE(port.m_messages.empty());
}
