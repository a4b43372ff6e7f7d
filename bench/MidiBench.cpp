// Speed of the song's file reading and writing against drumstick's QSmf on the same file, the
// song's share of one 20 ms timer tick, and the rolling capture of what is played live. The file
// (format 1, 16 tracks, 1,000,000 notes) is made once by the generator script; its format 0 version
// (the same events merged into one track on 16 channels) is made from it here. The ratios of the
// run's medians are printed at the end.
#include "midi/ChunkReader.h"
#include "midi/ChunkWriter.h"
#include "midi/LiveCapture.h"
#include "midi/Song.h"
#ifdef VORKELN_BENCH_SOUND
#include "sound/FluidSynthPort.h"
#endif

#include <benchmark/benchmark.h>
#include <drumstick/qsmf.h>

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <vector>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {
std::atomic<std::uint64_t> g_nAllocations{0};
// Bytes held through operator new, where the C library can tell a block's size.
std::atomic<std::int64_t> g_nLiveBytes{0};

std::int64_t BlockSize(void* p) {
#if defined(__GLIBC__)
    return static_cast<std::int64_t>(malloc_usable_size(p));
#else
    static_cast<void>(p);
    return 0;
#endif
}
} // namespace

// Counts allocations, to show that a tick of playback allocates nothing, and the bytes held.
void* operator new(std::size_t nSize) {
    ++g_nAllocations;
    if (void* p = std::malloc(nSize == 0 ? 1 : nSize)) {
        g_nLiveBytes += BlockSize(p);
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    if (p != nullptr) {
        g_nLiveBytes -= BlockSize(p);
    }
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {
const std::string& LargeFile() {
    static const std::string path = [] {
        const std::string dir = std::string(VORKELN_BENCH_DATA_DIR);
        const std::string file = dir + "/large.mid";
        if (!std::filesystem::exists(file)) {
            std::filesystem::create_directories(dir);
            const std::string command =
                "/usr/bin/python3 '" + std::string(VORKELN_BENCH_GEN_SMF) + "' '" + dir + "'";
            if (std::system(command.c_str()) != 0) {
                std::fprintf(stderr, "cannot generate %s\n", file.c_str());
                std::exit(1);
            }
        }
        return file;
    }();
    return path;
}

// large.mid with its tracks merged in time order into one track: format 0.
const std::string& LargeFormat0File() {
    static const std::string path = [] {
        const std::string file = std::string(VORKELN_BENCH_DATA_DIR) + "/large0.mid";
        if (std::filesystem::exists(file)) {
            return file;
        }
        CMidiFile source;
        if (!source.Read(LargeFile())) {
            std::fprintf(stderr, "cannot read %s\n", LargeFile().c_str());
            std::exit(1);
        }
        struct SMerged {
            std::uint64_t nTime;
            std::size_t nTrack;
            std::size_t nOrder;
            CMidiEvent event;
        };
        std::vector<SMerged> merged;
        std::uint64_t nEnd = 0;
        for (std::size_t nTrack = 0; nTrack < source.m_chunks.size(); ++nTrack) {
            CChunkReader reader(source.m_chunks[nTrack].data(), source.m_chunks[nTrack].size());
            std::uint64_t nTime = 0;
            CMidiEvent event;
            for (;;) {
                std::uint32_t nDelta = 0;
                const CChunkReader::EResult eResult = reader.ReadEvent(nDelta, event);
                nTime += nDelta;
                if (eResult == CChunkReader::EResult::End) {
                    break;
                }
                if (eResult == CChunkReader::EResult::Event) {
                    merged.push_back({nTime, nTrack, merged.size(), std::move(event)});
                    event = CMidiEvent();
                }
            }
            nEnd = std::max(nEnd, nTime);
        }
        std::sort(merged.begin(), merged.end(), [](const SMerged& a, const SMerged& b) {
            return a.nTime != b.nTime ? a.nTime < b.nTime : a.nOrder < b.nOrder;
        });
        CMidiFile target;
        target.m_nFormat = 0;
        target.m_nDivision = source.m_nDivision;
        target.m_nTracks = 1;
        target.m_chunks.resize(1);
        CChunkWriter writer(target.m_chunks[0], 8 * merged.size());
        std::uint64_t nLast = 0;
        for (const SMerged& item : merged) {
            writer.WriteEvent(static_cast<std::uint32_t>(item.nTime - nLast), item.event);
            nLast = item.nTime;
        }
        writer.WriteVarLen(static_cast<std::uint32_t>(nEnd - nLast));
        writer.WriteByte(CMidiEvent::kMeta);
        writer.WriteByte(CMidiEvent::kMetaEndOfTrack);
        writer.WriteByte(0);
        writer.Finish();
        if (!target.Write(file)) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            std::exit(1);
        }
        return file;
    }();
    return path;
}

std::string TempFile(const std::string& name) {
    return std::string(VORKELN_BENCH_DATA_DIR) + "/" + name;
}

// What QSmf hands out, kept as the song keeps it: one record per event.
struct QsmfEvent {
    long nTime;
    int nTrack;
    int nType;
    int nChannel;
    int nData1;
    int nData2;
    QByteArray data;
};

void ReadWithQsmf(const std::string& path, std::vector<QsmfEvent>& events) {
    drumstick::File::QSmf smf;
    int nTrack = -1;
    auto push = [&](int nType, int nChannel, int nData1, int nData2, QByteArray data = {}) {
        events.push_back(
            {smf.getCurrentTime(), nTrack, nType, nChannel, nData1, nData2, std::move(data)});
    };
    using drumstick::File::QSmf;
    QObject::connect(&smf, &QSmf::signalSMFTrackStart, [&] { ++nTrack; });
    QObject::connect(&smf, &QSmf::signalSMFNoteOn,
                     [&](int c, int k, int v) { push(0x90, c, k, v); });
    QObject::connect(&smf, &QSmf::signalSMFNoteOff,
                     [&](int c, int k, int v) { push(0x80, c, k, v); });
    QObject::connect(&smf, &QSmf::signalSMFKeyPress,
                     [&](int c, int k, int v) { push(0xA0, c, k, v); });
    QObject::connect(&smf, &QSmf::signalSMFCtlChange,
                     [&](int c, int n, int v) { push(0xB0, c, n, v); });
    QObject::connect(&smf, &QSmf::signalSMFProgram, [&](int c, int p) { push(0xC0, c, p, 0); });
    QObject::connect(&smf, &QSmf::signalSMFChanPress, [&](int c, int p) { push(0xD0, c, p, 0); });
    QObject::connect(&smf, &QSmf::signalSMFPitchBend,
                     [&](int c, int v) { push(0xE0, c, v & 0x7F, v >> 7); });
    QObject::connect(&smf, &QSmf::signalSMFSysex,
                     [&](const QByteArray& d) { push(0xF0, 0, 0, 0, d); });
    QObject::connect(&smf, &QSmf::signalSMFText2,
                     [&](int t, const QByteArray& d) { push(0xFF, 0, t, 0, d); });
    QObject::connect(&smf, &QSmf::signalSMFMetaMisc,
                     [&](int t, const QByteArray& d) { push(0xFF, 0, t, 0, d); });
    QObject::connect(&smf, &QSmf::signalSMFTempo, [&](int t) { push(0xFF, 0, 0x51, t); });
    QObject::connect(&smf, &QSmf::signalSMFTimeSig,
                     [&](int a, int b, int, int) { push(0xFF, 0, 0x58, a * 256 + b); });
    QObject::connect(&smf, &QSmf::signalSMFKeySig,
                     [&](int a, int b) { push(0xFF, 0, 0x59, a * 256 + b); });
    smf.readFromFile(QString::fromStdString(path));
}

void SongLoad(benchmark::State& state, const std::string& path) {
    CSong song;
    for (auto _ : state) {
        if (!song.Load(path)) {
            state.SkipWithError("load failed");
        }
        benchmark::DoNotOptimize(song.m_tracks.size());
    }
}

void QsmfRead(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        std::vector<QsmfEvent> events;
        ReadWithQsmf(path, events);
        benchmark::DoNotOptimize(events.size());
        if (events.size() < 2000000) {
            state.SkipWithError("QSmf read too few events");
        }
    }
}

void SongSave(benchmark::State& state, const std::string& path, const std::string& target) {
    CSong song;
    song.Load(path);
    for (auto _ : state) {
        if (!song.Save(target)) {
            state.SkipWithError("save failed");
        }
    }
}

// QSmf asks for each track in turn; each gets its events with delta times, as the song writes
// them from its own.
void QsmfWrite(benchmark::State& state, const std::string& path, const std::string& target) {
    std::vector<QsmfEvent> events;
    ReadWithQsmf(path, events);
    std::vector<std::vector<const QsmfEvent*>> tracks;
    for (const QsmfEvent& event : events) {
        if (event.nTrack >= 0 && event.nTrack < 16) {
            const auto nTrack = static_cast<std::size_t>(event.nTrack);
            tracks.resize(std::max(tracks.size(), nTrack + 1));
            tracks[nTrack].push_back(&event);
        }
    }
    using drumstick::File::QSmf;
    for (auto _ : state) {
        QSmf smf;
        smf.setFileFormat(tracks.size() == 1 ? 0 : 1);
        smf.setTracks(static_cast<int>(tracks.size()));
        smf.setDivision(480);
        QObject::connect(&smf, &QSmf::signalSMFWriteTrack, [&](int nTrack) {
            long nLast = 0;
            for (const QsmfEvent* pEvent : tracks[static_cast<std::size_t>(nTrack)]) {
                const long nDelta = pEvent->nTime - nLast;
                nLast = pEvent->nTime;
                if (pEvent->nType == 0xFF) {
                    smf.writeMetaEvent(nDelta, pEvent->nData1, pEvent->data);
                } else if (pEvent->nType == 0xF0) {
                    smf.writeMidiEvent(nDelta, 0xF0, 0, pEvent->data);
                } else if (pEvent->nType == 0xC0 || pEvent->nType == 0xD0) {
                    smf.writeMidiEvent(nDelta, pEvent->nType, pEvent->nChannel, pEvent->nData1);
                } else {
                    smf.writeMidiEvent(nDelta, pEvent->nType, pEvent->nChannel, pEvent->nData1,
                                       pEvent->nData2);
                }
            }
            smf.writeMetaEvent(0, 0x2F);
        });
        smf.writeToFile(QString::fromStdString(target));
    }
}

// One timer tick of playback: every due event, the play clock, then the record clock.
void BM_SongTick(benchmark::State& state) {
    CSong song;
    song.Load(LargeFile());
    song.Rewind();
    song.ResetRecordPositions();
    std::uint64_t nEvents = 0;
    std::uint64_t nTicks = 0;
    std::uint64_t nRewinds = 0;
    const std::uint64_t nAllocationsBefore = g_nAllocations;
    for (auto _ : state) {
        const CMidiEvent* pEvent = nullptr;
        bool bGoing = true;
        while ((bGoing = song.GetNextDueEvent(pEvent)) && pEvent != nullptr) {
            benchmark::DoNotOptimize(pEvent->m_status);
            ++nEvents;
        }
        song.m_nPlayTime += song.m_nStep;
        song.AdvanceRecordTime();
        ++nTicks;
        if (!bGoing) {
            song.Rewind();
            song.ResetRecordPositions();
            ++nRewinds;
        }
    }
    const std::uint64_t nAllocations = g_nAllocations - nAllocationsBefore;
    state.counters["events_per_tick"] =
        static_cast<double>(nEvents) / static_cast<double>(std::max<std::uint64_t>(nTicks, 1));
    state.counters["allocations"] = static_cast<double>(nAllocations);
    state.counters["song_passes"] = static_cast<double>(nRewinds);
}
BENCHMARK(BM_SongTick)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

constexpr std::uint32_t kNoteMilliseconds = 50; // 20 notes a second
constexpr std::uint32_t kSessionNotes = 30 * 60 * 1000 / kNoteMilliseconds;

// Notes on four channels, chords of four struck together, a quarter note long at 100 %.
void PlayNote(CLiveCapture& capture, std::uint32_t i, std::uint32_t nMilliseconds) {
    capture.AddNote((i / 4) * 4 * nMilliseconds, static_cast<std::uint8_t>(i / 64 % 4),
                    static_cast<std::uint8_t>(36 + i * 7 % 48), static_cast<std::uint8_t>(i % 8),
                    CSong::kDefaultTicksPerQuarter, CSong::kDefaultBaseStep);
}

// A whole 30-minute session at n notes a second: the time per note and the bytes it holds at
// the end (past kMaxNotes the oldest go, so 200 a second shows the bound).
void BM_CaptureSession30Min(benchmark::State& state) {
    const auto nPerSecond = static_cast<std::uint32_t>(state.range(0));
    const std::uint32_t nNotes = 30 * 60 * nPerSecond;
    double dBytes = 0;
    std::size_t nKept = 0;
    for (auto _ : state) {
        const std::int64_t nBefore = g_nLiveBytes;
        CLiveCapture capture;
        for (std::uint32_t i = 0; i < nNotes; ++i) {
            PlayNote(capture, i, 1000 / nPerSecond);
        }
        dBytes = static_cast<double>(g_nLiveBytes - nBefore);
        nKept = capture.GetNoteCount(30 * 60 * 1000);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * nNotes);
    state.counters["heap_MB"] = dBytes / (1024 * 1024);
    state.counters["notes_kept"] = static_cast<double>(nKept);
}
BENCHMARK(BM_CaptureSession30Min)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);

// One note added to a full 30-minute window: the oldest goes as the newest comes.
void BM_CaptureAddNote(benchmark::State& state) {
    CLiveCapture capture;
    std::uint32_t i = 0;
    for (; i < kSessionNotes; ++i) {
        PlayNote(capture, i, kNoteMilliseconds);
    }
    const std::uint64_t nAllocationsBefore = g_nAllocations;
    for (auto _ : state) {
        PlayNote(capture, i++, kNoteMilliseconds);
    }
    state.counters["allocations_per_note"] =
        static_cast<double>(g_nAllocations - nAllocationsBefore) /
        static_cast<double>(state.iterations());
    state.counters["notes_kept"] =
        static_cast<double>(capture.GetNoteCount((i / 4) * 4 * kNoteMilliseconds));
}
BENCHMARK(BM_CaptureAddNote);

// Save Last Played on a full 30-minute window: the song made and encoded as the file's bytes.
void BM_CaptureMakeSong(benchmark::State& state) {
    CLiveCapture capture;
    for (std::uint32_t i = 0; i < kSessionNotes; ++i) {
        PlayNote(capture, i, kNoteMilliseconds);
    }
    std::size_t nBytes = 0;
    for (auto _ : state) {
        CSong song;
        capture.MakeSong(song, kSessionNotes * kNoteMilliseconds, CSong::kDefaultTicksPerQuarter,
                         CSong::kDefaultBaseStep);
        song.EncodeChunks();
        nBytes = 0;
        for (const CTrackChunk& chunk : song.m_chunks) {
            nBytes += chunk.size();
        }
    }
    state.counters["file_KB"] = static_cast<double>(nBytes) / 1024;
}
BENCHMARK(BM_CaptureMakeSong)->Unit(benchmark::kMillisecond);

#ifdef VORKELN_BENCH_SOUND
// How long opening the synthesiser holds the caller (the window waits for it), and how long
// the SoundFont takes to load behind it.
void BM_FluidSynthOpen(benchmark::State& state) {
    double dLoadSeconds = 0;
    std::string driver;
    for (auto _ : state) {
        CFluidSynthPort port;
        const bool bOpen = port.Open();
        state.PauseTiming();
        driver = port.GetSoundPath();
        const auto start = std::chrono::steady_clock::now();
        port.WaitUntilLoaded();
        dLoadSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.ResumeTiming();
        if (!bOpen) {
            state.SkipWithError("no audio driver opened");
            break;
        }
    }
    state.counters["load_wait_ms"] = 1000 * dLoadSeconds / static_cast<double>(state.iterations());
    state.SetLabel(driver);
}
BENCHMARK(BM_FluidSynthOpen)->Unit(benchmark::kMillisecond)->Iterations(3);
#endif

// Prints the ratios of the run's medians after the usual console report: of the median
// aggregate when the run is repeated, of the one run otherwise.
class CRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Iteration) {
                m_times.try_emplace(name, run.GetAdjustedRealTime());
            } else if (run.aggregate_name == "median") {
                m_times[name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatios() const {
        auto ratio = [this](const char* pSlow, const char* pFast) {
            const auto slow = m_times.find(pSlow);
            const auto fast = m_times.find(pFast);
            if (slow != m_times.end() && fast != m_times.end() && fast->second > 0) {
                std::printf("%s / %s = %.2f (medians)\n", pSlow, pFast,
                            slow->second / fast->second);
            }
        };
        ratio("BM_QsmfRead", "BM_SongLoad");
        ratio("BM_QsmfWrite", "BM_SongSave");
        ratio("BM_QsmfReadFormat0", "BM_SongLoadFormat0");
        ratio("BM_QsmfWriteFormat0", "BM_SongSaveFormat0");
    }

private:
    std::map<std::string, double> m_times;
};
} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // Both files, format 1 and format 0 (which the song splits into its 16 channels and saves
    // as 16 tracks), through the song and through QSmf.
    for (const auto& [pSuffix, pPath] :
         {std::pair{"", &LargeFile()}, std::pair{"Format0", &LargeFormat0File()}}) {
        const std::string suffix = pSuffix;
        const std::string& path = *pPath;
        const std::string target = TempFile("song-save" + suffix + ".mid");
        const std::string qsmfTarget = TempFile("qsmf-save" + suffix + ".mid");
        for (benchmark::internal::Benchmark* pBench :
             {benchmark::RegisterBenchmark(("BM_SongLoad" + suffix).c_str(), SongLoad, path),
              benchmark::RegisterBenchmark(("BM_QsmfRead" + suffix).c_str(), QsmfRead, path),
              benchmark::RegisterBenchmark(("BM_SongSave" + suffix).c_str(), SongSave, path,
                                           target),
              benchmark::RegisterBenchmark(("BM_QsmfWrite" + suffix).c_str(), QsmfWrite, path,
                                           qsmfTarget)}) {
            pBench->Unit(benchmark::kMillisecond)->MinTime(2.0);
        }
    }
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
