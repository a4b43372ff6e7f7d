#include "midi/NotePlayer.h"

#include <gtest/gtest.h>

TEST(NotePlayerControl, EchoRangeTravelsPackedAndSigned) {
    constexpr std::uint32_t nValue = CNotePlayer::PackEchoRange(3, -3);
    static_assert(nValue == 0xFD03u);
    EXPECT_EQ(CNotePlayer::EchoUpOf(nValue), 3);
    EXPECT_EQ(CNotePlayer::EchoDownOf(nValue), -3);
    EXPECT_EQ(CNotePlayer::EchoUpOf(CNotePlayer::PackEchoRange(-4, 4)), -4);
    EXPECT_EQ(CNotePlayer::EchoDownOf(CNotePlayer::PackEchoRange(-4, 4)), 4);
}
