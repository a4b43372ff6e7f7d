#include "sound/AudioExporter.h"
#include "AudioFacts.h"
#include "TestFiles.h"
#include "midi/TickSource.h"
#include "sound/FluidSynthPort.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <vector>

namespace {

constexpr std::uint32_t NoteOn(int nNote) {
    return static_cast<std::uint32_t>(0x90 + (nNote << 8) + (0x7F << 16));
}
constexpr std::uint32_t NoteOff(int nNote) {
    return static_cast<std::uint32_t>(0x80 + (nNote << 8));
}

// Messages at given ticks, silence between them, for nTicks ticks in all.
class CScriptedSource : public ITickSource {
public:
    CScriptedSource(std::uint64_t nTicks, std::map<std::uint64_t, std::vector<std::uint32_t>> at)
        : m_nTicks(nTicks), m_at(std::move(at)) {}

    bool NextTick(std::vector<std::uint32_t>& out) override {
        if (m_nTick == m_nTicks) {
            return false;
        }
        if (const auto it = m_at.find(m_nTick); it != m_at.end()) {
            out.insert(out.end(), it->second.begin(), it->second.end());
        }
        ++m_nTick;
        return true;
    }
    std::uint64_t GetExpectedTicks() const override { return m_nTicks; }

private:
    std::uint64_t m_nTicks;
    std::map<std::uint64_t, std::vector<std::uint32_t>> m_at;
    std::uint64_t m_nTick = 0;
};

// A C major triad from 0.2 s to 1.2 s, the source lasting 1.5 s.
CScriptedSource Triad() {
    return CScriptedSource(75, {{10, {NoteOn(60), NoteOn(64), NoteOn(67)}},
                                {60, {NoteOff(60), NoteOff(64), NoteOff(67)}}});
}

class AudioExporterTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (CFluidSynthPort::FindSoundFont().empty()) {
            GTEST_SKIP() << "no SoundFont installed";
        }
        m_dir = FreshDir("export");
    }

    std::filesystem::path m_dir;
    std::atomic<bool> m_bCancel{false};
};

TEST_F(AudioExporterTest, WritesTheSoundAsSoxReadsIt) {
    if (!HaveSox()) {
        GTEST_SKIP() << "sox is not installed";
    }
    struct SCase {
        const char* pszName;
        CAudioExporter::EFormat eFormat;
        bool bTriad;
    };
    const SCase cases[] = {
        {"triad.wav", CAudioExporter::EFormat::Wav, true},
        {"triad.flac", CAudioExporter::EFormat::Flac, true},
        {"silence.wav", CAudioExporter::EFormat::Wav, false},
    };
    CAudioExporter exporter(CFluidSynthPort::FindSoundFont());
    for (const SCase& c : cases) {
        if (!CAudioExporter::CanWrite(c.eFormat)) {
            continue;
        }
        CScriptedSource source = c.bTriad ? Triad() : CScriptedSource(50, {});
        std::vector<double> progress;
        const auto path = m_dir / c.pszName;
        ASSERT_EQ(exporter.Export(source, path, c.eFormat, m_bCancel,
                                  [&](double f) { progress.push_back(f); }),
                  CAudioExporter::EResult::Done)
            << c.pszName;
        const SAudioFacts facts = ReadAudioFacts(path.string());
        EXPECT_EQ(facts.nRate, CAudioExporter::kSampleRate) << c.pszName;
        EXPECT_EQ(facts.nChannels, 2) << c.pszName;
        // The source's ticks, then the release until quiet, never longer than the tail allows.
        const double fSourceSeconds = c.bTriad ? 1.5 : 1.0;
        EXPECT_GE(facts.fSeconds, fSourceSeconds + CAudioExporter::kQuietEndSeconds) << c.pszName;
        EXPECT_LE(facts.fSeconds, fSourceSeconds + CAudioExporter::kMaxTailSeconds) << c.pszName;
        EXPECT_NEAR(facts.fSeconds, static_cast<double>(exporter.GetFrames()) / 44100, 0.001);
        if (c.bTriad) {
            EXPECT_GT(facts.fPeak, 0.05) << c.pszName;
            // Before the first note, silence.
            EXPECT_LT(SoxPeak(path.string(), "0 0.19"), 0.001) << c.pszName;
        } else {
            EXPECT_LT(facts.fPeak, 0.001) << c.pszName;
        }
        EXPECT_GE(facts.fEndPeak, 0.0) << c.pszName;
        EXPECT_LT(facts.fEndPeak, 0.001) << c.pszName;
        ASSERT_FALSE(progress.empty()) << c.pszName;
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end())) << c.pszName;
        EXPECT_EQ(progress.back(), 1.0) << c.pszName;
    }
    // Nothing but the files themselves is left in the folder.
    EXPECT_EQ(FilesIn(m_dir).size(),
              CAudioExporter::CanWrite(CAudioExporter::EFormat::Flac) ? 3u : 2u);
}

TEST_F(AudioExporterTest, AnExportThatDoesNotFinishLeavesTheFolderAsItWas) {
    const auto existing = m_dir / "kept.wav";
    WriteFile(existing, {1, 2, 3});
    struct SCase {
        const char* pszWhat;
        std::string soundFont;
        std::filesystem::path target;
        double fCancelAt; // > 1: never
        CAudioExporter::EResult eResult;
    };
    const SCase cases[] = {
        {"cancelled on the way", CFluidSynthPort::FindSoundFont(), m_dir / "new.wav", 0.3,
         CAudioExporter::EResult::Cancelled},
        {"cancelled over an older file", CFluidSynthPort::FindSoundFont(), existing, 0.5,
         CAudioExporter::EResult::Cancelled},
        {"no folder to write in", CFluidSynthPort::FindSoundFont(), m_dir / "none" / "x.wav", 2.0,
         CAudioExporter::EResult::WriteFailed},
        {"no SoundFont", (m_dir / "missing.sf2").string(), m_dir / "new.wav", 2.0,
         CAudioExporter::EResult::NoSoundFont},
    };
    for (const SCase& c : cases) {
        CAudioExporter exporter(c.soundFont);
        CScriptedSource source = Triad();
        std::atomic<bool> bCancel{false};
        EXPECT_EQ(exporter.Export(source, c.target, CAudioExporter::EFormat::Wav, bCancel,
                                  [&](double f) {
                                      if (f >= c.fCancelAt) {
                                          bCancel = true;
                                      }
                                  }),
                  c.eResult)
            << c.pszWhat;
        EXPECT_EQ(FilesIn(m_dir), std::vector<std::string>{"kept.wav"}) << c.pszWhat;
        EXPECT_EQ(FileBytes(existing), (Bytes{1, 2, 3})) << c.pszWhat;
    }
}

} // namespace
