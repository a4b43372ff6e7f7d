#include "sound/RtMidiPort.h"
#include "midi/MidiOut.h"

#include <gtest/gtest.h>

TEST(RtMidiPort, AMissingPortFailsOpenAndIgnoresSends) {
    const std::size_t nPorts = CRtMidiPort::ListPorts().size();
    auto pPort = std::make_unique<CRtMidiPort>(static_cast<unsigned>(nPorts));
    CRtMidiPort* pRaw = pPort.get();
    CMidiOut out(std::move(pPort));
    int nFailures = 0;
    out.SetOpenFailedHandler([&nFailures] { ++nFailures; });
    EXPECT_FALSE(out.Reset());
    EXPECT_EQ(nFailures, 1);
    EXPECT_FALSE(pRaw->IsOpen());
    pRaw->SendShort(0x7F3C90);
    pRaw->Reset();
    out.Close();
}
