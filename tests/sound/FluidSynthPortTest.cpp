#include "sound/FluidSynthPort.h"
#include "midi/MidiOut.h"
#include "midi/Song.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {
int Peak(const std::vector<std::int16_t>& samples) {
    int nPeak = 0;
    for (const std::int16_t n : samples) {
        nPeak = std::max(nPeak, std::abs(int{n}));
    }
    return nPeak;
}

// The 16-bit samples of a RIFF/WAVE file; empty when it is not one.
std::vector<std::int16_t> ReadWave(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples;
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        return samples;
    }
    std::size_t nOffset = 12;
    while (nOffset + 8 <= bytes.size()) {
        std::uint32_t nLength = 0;
        for (int i = 3; i >= 0; --i) {
            nLength = (nLength << 8) | static_cast<std::uint8_t>(bytes[nOffset + 4 + i]);
        }
        const std::size_t nBody = nOffset + 8;
        if (std::memcmp(bytes.data() + nOffset, "data", 4) == 0) {
            const std::size_t nEnd = std::min<std::size_t>(bytes.size(), nBody + nLength);
            for (std::size_t i = nBody; i + 1 < nEnd; i += 2) {
                samples.push_back(
                    static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                              (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
            }
            break;
        }
        nOffset = nBody + nLength + (nLength & 1);
    }
    return samples;
}

std::string TempPath(const std::string& name) {
    return std::string(VORKELN_TEST_TMP) + "/" + name;
}
} // namespace

TEST(FluidSynthPort, FindsTheSystemSoundFont) {
    const std::string soundFont = CFluidSynthPort::FindSoundFont();
    if (soundFont.empty()) {
        GTEST_SKIP() << "no SoundFont in /usr/share/sounds/sf2";
    }
    EXPECT_EQ(std::filesystem::path(soundFont).extension(), ".sf2");
}

// The program's MIDI output over a synthesiser rendered offline.
class OfflineSynth : public ::testing::Test {
protected:
    void SetUp() override {
        if (CFluidSynthPort::FindSoundFont().empty()) {
            GTEST_SKIP() << "no SoundFont in /usr/share/sounds/sf2";
        }
        auto pPort = std::make_unique<CFluidSynthPort>(CFluidSynthPort::EAudio::None);
        m_pPort = pPort.get();
        m_out.SetPort(std::move(pPort));
    }

    CMidiOut m_out;
    CFluidSynthPort* m_pPort = nullptr;
};

TEST_F(OfflineSynth, SoundsAfterANoteOnAndFallsSilentOnReset) {
    CFluidSynthPort& port = *m_pPort;
    CMidiOut& out = m_out;
    // Sent before the SoundFont has finished loading: they wait for it.
    ASSERT_TRUE(out.Reset());
    out.NoteOn(0, 60, 127);
    ASSERT_TRUE(port.WaitUntilLoaded());

    std::vector<std::int16_t> samples;
    ASSERT_TRUE(port.Render(samples, CFluidSynthPort::kSampleRate / 4));
    EXPECT_GT(Peak(samples), 1000);

    EXPECT_GT(port.GetActiveVoiceCount(), 0);
    port.Reset();
    // Every voice has stopped within the next block.
    ASSERT_TRUE(port.Render(samples, 64));
    EXPECT_EQ(port.GetActiveVoiceCount(), 0);
    // The reverb's tail dies away; then only the converter's dither is left.
    ASSERT_TRUE(port.Render(samples, CFluidSynthPort::kSampleRate));
    EXPECT_LE(Peak(std::vector<std::int16_t>(samples.end() - 4800, samples.end())), 2);

    // Closed: nothing sounds; reopened: it plays again at once.
    out.Close();
    out.NoteOn(0, 64, 127);
    ASSERT_TRUE(port.Render(samples, 64));
    EXPECT_EQ(port.GetActiveVoiceCount(), 0);
    ASSERT_TRUE(out.Reset());
    out.NoteOn(0, 64, 127);
    ASSERT_TRUE(port.Render(samples, CFluidSynthPort::kSampleRate / 10));
    EXPECT_GT(Peak(samples), 1000);
}

TEST_F(OfflineSynth, PausesAfterANoteAndTheNextNoteSoundsInItsFirstBlock) {
    CFluidSynthPort& port = *m_pPort;
    CMidiOut& out = m_out;
    ASSERT_TRUE(out.Reset());
    ASSERT_TRUE(port.WaitUntilLoaded());
    const int nRate = port.GetSampleRate();
    std::vector<std::int16_t> samples;

    // Nothing but silence before the first note, and the output pauses without one.
    for (int i = 0; i < 3 * nRate / 4096 && !port.IsPaused(); ++i) {
        ASSERT_TRUE(port.Render(samples, 4096));
        ASSERT_EQ(Peak(samples), 0);
    }
    EXPECT_TRUE(port.IsPaused());

    for (int nRound = 0; nRound < 2; ++nRound) {
        SCOPED_TRACE(nRound);
        out.NoteOn(0, static_cast<std::uint8_t>(60 + nRound), 127);
        EXPECT_FALSE(port.IsPaused());
        ASSERT_TRUE(port.Render(samples, 64));
        EXPECT_GT(Peak(samples), 0);
        ASSERT_TRUE(port.Render(samples, nRate / 4));
        EXPECT_GT(Peak(samples), 1000);
        out.NoteOff(0, static_cast<std::uint8_t>(60 + nRound));
        int nFrames = 0;
        while (!port.IsPaused() && nFrames < 10 * nRate) {
            ASSERT_TRUE(port.Render(samples, 256));
            nFrames += 256;
        }
        EXPECT_TRUE(port.IsPaused());
        EXPECT_EQ(port.GetActiveVoiceCount(), 0);
    }
}

TEST(FluidSynthPort, OpenFailsWithoutAUsableSoundFont) {
    CFluidSynthPort missing(CFluidSynthPort::EAudio::None, TempPath("missing.sf2"));
    EXPECT_FALSE(missing.Open());

    const std::string broken = TempPath("broken.sf2");
    std::ofstream(broken, std::ios::binary) << "RIFF, but not a SoundFont";
    CFluidSynthPort port(CFluidSynthPort::EAudio::None, broken);
    port.Open(); // may already know, or learn it once loading ends
    EXPECT_FALSE(port.WaitUntilLoaded());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.Open());
    port.SendShort(0x7F3C90);
    EXPECT_EQ(port.GetActiveVoiceCount(), 0);

    // The output tells its owner once, whether it learns it on opening or afterwards.
    CMidiOut out(std::make_unique<CFluidSynthPort>(CFluidSynthPort::EAudio::None, broken));
    int nFailures = 0;
    out.SetOpenFailedHandler([&nFailures] { ++nFailures; });
    out.Open();
    static_cast<CFluidSynthPort*>(out.GetPort())->WaitUntilLoaded();
    out.CheckPort();
    out.CheckPort();
    EXPECT_EQ(nFailures, 1);
    EXPECT_FALSE(out.IsOpen());

    // Nor does it keep an audio stream running for nothing, wherever a driver can open.
    CMidiOut audible(std::make_unique<CFluidSynthPort>(CFluidSynthPort::EAudio::Device, broken));
    audible.Open();
    auto* pAudible = static_cast<CFluidSynthPort*>(audible.GetPort());
    pAudible->WaitUntilLoaded();
    audible.CheckPort();
    EXPECT_EQ(pAudible->GetSoundPath(), "");
    EXPECT_FALSE(pAudible->Open());
    EXPECT_EQ(pAudible->GetSoundPath(), "");
}

TEST(FluidSynthCommand, RendersASavedSongAudibly) {
    const std::string soundFont = CFluidSynthPort::FindSoundFont();
    if (soundFont.empty() || !std::filesystem::exists("/usr/bin/fluidsynth")) {
        GTEST_SKIP() << "fluidsynth or a SoundFont is missing";
    }
    CSong song;
    song.AddTrack(0);
    song.AddTrack(40);
    song.ResetRecordPositions();
    for (int i = 0; i < 8; ++i) {
        song.RecordNote(0, static_cast<std::uint8_t>(60 + i), 300);
        song.RecordNote(1, static_cast<std::uint8_t>(72 - i), 200);
        for (int nTick = 0; nTick < 10; ++nTick) {
            song.AdvanceRecordTime();
        }
    }
    const std::string midi = TempPath("render.mid");
    const std::string wave = TempPath("render.wav");
    std::filesystem::remove(wave);
    ASSERT_TRUE(song.Save(midi));
    const std::string command = "/usr/bin/fluidsynth -ni -F '" + wave + "' -r 48000 '" + soundFont +
                                "' '" + midi + "' > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<std::int16_t> samples = ReadWave(wave);
    // Two channels at 48 kHz for about 1.6 s of notes.
    EXPECT_GT(samples.size(), 48000u * 2);
    EXPECT_GT(Peak(samples), 1000);
}
