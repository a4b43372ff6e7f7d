#include "sound/FluidSynthPort.h"
#include "midi/MidiOut.h"
#include "midi/Song.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

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

namespace {
constexpr const char* kSecondSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// A quarter second of middle C on channel 0 from a port that has just been reset.
std::vector<std::int16_t> RenderNote(CFluidSynthPort& port) {
    port.Reset();
    std::vector<std::int16_t> samples;
    port.Render(samples, CFluidSynthPort::kSampleRate); // the reset's tail
    port.SendShort(0x7F3C90);
    port.Render(samples, CFluidSynthPort::kSampleRate / 4);
    port.SendShort(0x3C80);
    return samples;
}

// How far apart two renderings are: the largest difference of their loudness over 20 ms
// blocks, in percent of the louder one's peak block. The chorus's slow wobble runs on between
// two renderings, so that the samples themselves never repeat.
int MaxDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
    constexpr std::size_t kBlock = CFluidSynthPort::kSampleRate / 50 * 2;
    const auto envelope = [](const std::vector<std::int16_t>& samples) {
        std::vector<double> levels;
        for (std::size_t i = 0; i + kBlock <= samples.size(); i += kBlock) {
            double fSum = 0.0;
            for (std::size_t j = i; j < i + kBlock; ++j) {
                fSum += static_cast<double>(samples[j]) * samples[j];
            }
            levels.push_back(std::sqrt(fSum / kBlock));
        }
        return levels;
    };
    const std::vector<double> levelsA = envelope(a);
    const std::vector<double> levelsB = envelope(b);
    if (levelsA.size() != levelsB.size() || levelsA.empty()) {
        return 100;
    }
    double fPeak = 1.0;
    double fMax = 0.0;
    for (std::size_t i = 0; i < levelsA.size(); ++i) {
        fPeak = std::max({fPeak, levelsA[i], levelsB[i]});
        fMax = std::max(fMax, std::fabs(levelsA[i] - levelsB[i]));
    }
    return static_cast<int>(100.0 * fMax / fPeak);
}
constexpr int kSameSound = 15;
} // namespace

TEST_F(OfflineSynth, AnotherSoundFontSoundsOnceItIsInAndTheInstrumentsStay) {
    if (!std::filesystem::exists(kSecondSoundFont)) {
        GTEST_SKIP() << "no second SoundFont (timgm6mb-soundfont)";
    }
    CFluidSynthPort& port = *m_pPort;
    ASSERT_TRUE(m_out.Reset());
    ASSERT_TRUE(port.WaitUntilLoaded());
    m_out.ProgramChange(0, 40);
    const std::string first = port.GetSoundFont();
    const std::vector<std::int16_t> before = RenderNote(port);

    port.ChangeSoundFont(kSecondSoundFont);
    // Loading: the first one keeps sounding.
    EXPECT_EQ(port.GetSoundFont(), first);
    EXPECT_LT(MaxDifference(RenderNote(port), before), kSameSound);
    port.WaitForSoundFontChange();
    EXPECT_FALSE(port.TakeSoundFontResult().has_value());
    port.Poll();
    const auto result = port.TakeSoundFontResult();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->m_path, kSecondSoundFont);
    EXPECT_EQ(result->m_error, "");
    EXPECT_EQ(port.GetSoundFont(), kSecondSoundFont);

    const std::vector<std::int16_t> after = RenderNote(port);
    EXPECT_GT(Peak(after), 1000);
    EXPECT_GT(MaxDifference(after, before), 2 * kSameSound);
    // Channel 0 still plays the violin: the same note on a fresh port of that SoundFont with
    // program 40 sounds the same.
    CFluidSynthPort fresh(CFluidSynthPort::EAudio::None, kSecondSoundFont);
    ASSERT_TRUE(fresh.Open());
    ASSERT_TRUE(fresh.WaitUntilLoaded());
    fresh.SendShort(0x28C0);
    EXPECT_LT(MaxDifference(RenderNote(fresh), after), kSameSound);
}

TEST(FluidSynthPort, AFileThatIsNoSoundFontIsRefusedWithItsReasonAndThePreviousOneStays) {
    if (!std::filesystem::exists(kSecondSoundFont)) {
        GTEST_SKIP() << "no second SoundFont (timgm6mb-soundfont)";
    }
    const std::string dir = FreshDir("soundfonts").string();
    const Bytes real = FileBytes(kSecondSoundFont);
    const std::string bytes(real.begin(), real.end());
    std::ofstream(dir + "/truncated.sf2", std::ios::binary) << bytes.substr(0, 3000000);
    std::ofstream(dir + "/text.sf2", std::ios::binary) << "not a SoundFont at all\n";
    std::ofstream(dir + "/short.sf3", std::ios::binary) << "RIFF";
    // A whole RIFF file of the right form whose chunks are nonsense.
    std::string garbage = bytes.substr(0, 12) + std::string(4000, '\x5A');
    const std::uint32_t nLength = static_cast<std::uint32_t>(garbage.size() - 8);
    for (int i = 0; i < 4; ++i) {
        garbage[4 + i] = static_cast<char>((nLength >> (8 * i)) & 0xFF);
    }
    std::ofstream(dir + "/garbage.sf2", std::ios::binary) << garbage;

    struct SCase {
        const char* pszFile;
        const char* pszReason; // a part of it
    };
    const SCase cases[] = {
        {"missing.sf2", "No such file or directory"},
        {"", "it is a folder"},
        {"text.sf2", "not a SoundFont"},
        {"short.sf3", "not a SoundFont"},
        {"truncated.sf2", "truncated (3000000 of 5969788 bytes)"},
        {"garbage.sf2", ""},
    };
    CFluidSynthPort port(CFluidSynthPort::EAudio::None, kSecondSoundFont);
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.WaitUntilLoaded());
    const std::vector<std::int16_t> sound = RenderNote(port);
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.pszFile);
        const std::string path = dir + "/" + c.pszFile;
        port.ChangeSoundFont(path);
        port.WaitForSoundFontChange();
        port.Poll();
        const auto result = port.TakeSoundFontResult();
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->m_path, path);
        EXPECT_NE(result->m_error, "");
        EXPECT_NE(result->m_error.find(c.pszReason), std::string::npos) << result->m_error;
        EXPECT_EQ(port.GetSoundFont(), kSecondSoundFont);
        EXPECT_TRUE(port.IsOpen());
        EXPECT_LT(MaxDifference(RenderNote(port), sound), kSameSound);
    }
}

TEST(FluidSynthPort, OnlyTheLastSoundFontAskedForWhileOneLoadsComesNext) {
    if (!std::filesystem::exists(kSecondSoundFont)) {
        GTEST_SKIP() << "no second SoundFont (timgm6mb-soundfont)";
    }
    CFluidSynthPort port(CFluidSynthPort::EAudio::None, kSecondSoundFont);
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.WaitUntilLoaded());
    port.ChangeSoundFont(TempPath("first-missing.sf2"));
    port.ChangeSoundFont(TempPath("second-missing.sf2"));
    port.ChangeSoundFont(kSecondSoundFont);
    std::vector<std::string> ended;
    for (int i = 0; i < 2; ++i) {
        port.WaitForSoundFontChange();
        port.Poll();
        if (auto result = port.TakeSoundFontResult()) {
            ended.push_back(result->m_path);
        }
    }
    EXPECT_EQ(ended, (std::vector<std::string>{TempPath("first-missing.sf2"), kSecondSoundFont}));
}
