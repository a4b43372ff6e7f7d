// Latency of the note player and the main view: from a key event reaching the view to the
// note-on leaving the MIDI output, with and without the highlight on a full-HD keyboard, the
// cost of one timer tick while a song plays, and what a recovery write costs the GUI thread.
// With QT_SCALE_FACTOR=2 in the environment the view's 1920 x 1080 are 3840 x 2160 device
// pixels.
#include "BenchSupport.h"
#include "app/MainView.h"
#include "app/ShellDialogs.h"
#include "midi/MidiPort.h"
#include "sound/FluidSynthPort.h"
#include "theory/ModeFlags.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

using bench::Clock;
using bench::CSilentDialogs;
using bench::CTimingPort;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A shown view of 1920 x 1080 whose timer does not run: the benchmark drives the ticks.
struct SBenchView {
    SBenchView() {
        auto pPort = std::make_unique<CTimingPort>();
        m_pPort = pPort.get();
        m_pView = std::make_unique<CMainView>(std::move(pPort), m_dialogs);
        bench::ShowStill(*m_pView, kWidth, kHeight);
    }

    // Silences everything between iterations so that every press lights its note again.
    void Quiet() {
        m_pView->m_scheduler.ClearPending();
        m_pView->m_grid.ResetNoteStates();
    }

    void Press(int nKey, const QString& strText) {
        QKeyEvent press(QEvent::KeyPress, nKey, Qt::NoModifier, strText);
        QApplication::sendEvent(m_pView.get(), &press);
    }
    void Release(int nKey, const QString& strText) {
        QKeyEvent release(QEvent::KeyRelease, nKey, Qt::NoModifier, strText);
        QApplication::sendEvent(m_pView.get(), &release);
    }

    CSilentDialogs m_dialogs;
    CTimingPort* m_pPort = nullptr;
    std::unique_ptr<CMainView> m_pView;
};

SBenchView& View() {
    static SBenchView s_view;
    return s_view;
}

// Key event to the note-on leaving the MIDI output (the highlight follows after it).
void BM_KeyToNoteOn(benchmark::State& state) {
    SBenchView& view = View();
    view.m_pView->m_dwFlags = 0;
    for (auto _ : state) {
        view.Quiet();
        QCoreApplication::processEvents();
        const Clock::time_point t0 = Clock::now();
        view.Press(Qt::Key_Q, QStringLiteral("q"));
        state.SetIterationTime(
            std::chrono::duration<double>(view.m_pPort->m_lastNoteOn - t0).count());
        view.Release(Qt::Key_Q, QStringLiteral("q"));
    }
}
BENCHMARK(BM_KeyToNoteOn)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Key event to the highlight drawn into the frame and painted into the 1920 x 1080 window.
void KeyToPicture(benchmark::State& state, std::uint32_t dwFlags, long nNotes) {
    SBenchView& view = View();
    view.m_pView->m_dwFlags = dwFlags;
    for (auto _ : state) {
        view.Quiet();
        QCoreApplication::processEvents();
        const long nBefore = view.m_pPort->m_nNoteOns;
        const Clock::time_point t0 = Clock::now();
        view.Press(Qt::Key_Q, QStringLiteral("q"));
        QCoreApplication::processEvents();
        const Clock::time_point t1 = Clock::now();
        if (view.m_pPort->m_nNoteOns - nBefore != nNotes) {
            state.SkipWithError("wrong number of notes");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        view.Release(Qt::Key_Q, QStringLiteral("q"));
    }
    view.m_pView->m_dwFlags = 0;
}

void BM_KeyToHighlight(benchmark::State& state) {
    KeyToPicture(state, 0, 1);
}
BENCHMARK(BM_KeyToHighlight)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Chord mode with key 6: six tones stacked in the scale's thirds.
void BM_KeyToSixNoteChord(benchmark::State& state) {
    KeyToPicture(state, kFlagChordMode | (6u << kChordSizeShift) | (1u << 21), 6);
}
BENCHMARK(BM_KeyToSixNoteChord)->UseManualTime()->Unit(benchmark::kMicrosecond);

// A player without a window: its ticks do everything but the drawing.
class CBarePlayer : public CNotePlayer {
public:
    explicit CBarePlayer(std::unique_ptr<IMidiPort> pPort) : CNotePlayer(std::move(pPort)) {}
    void OnTonalityChanged(const void* /*pSender*/) override {}
    void OnPlayStart(bool /*bContinue*/) override {}
    void OnPlayStop() override {}
};

// 16 tracks with about 100 note-ons a second and a four-note chord held throughout.
void LoadBusySong(CNotePlayer& player) {
    player.m_song.Reset();
    for (int nTrack = 0; nTrack < 16; ++nTrack) {
        player.SetControl(CNotePlayer::kControlAddTrack, static_cast<std::uint32_t>(nTrack * 8));
    }
    // 750 ticks a second: a note every 120 ticks on each of 16 tracks is 100 note-ons a second.
    int nTrack = 0;
    for (CTrack& track : player.m_song.m_tracks) {
        if (!track.m_bActive) {
            continue;
        }
        for (int i = 0; i < 2000; ++i) {
            CMidiEvent& event = track.m_events.emplace_back();
            event.m_nDelta = i == 0 ? static_cast<std::uint32_t>(nTrack * 7) : 120;
            event.m_status = static_cast<std::uint8_t>(0x90 | track.m_nChannel);
            event.m_data1 = static_cast<std::uint8_t>(36 + (nTrack * 5 + i * 7) % 60);
            event.m_data2 = 100;
            event.m_nLength = 200;
        }
        ++nTrack;
    }
    player.m_song.m_nNoteLength = 1u << 30; // the chord sounds throughout
    player.m_dwFlags = kFlagChordMode | (4u << kChordSizeShift) | (1u << 19);
    player.PlayKey(60);
    player.m_dwFlags = 0;
    player.StartPlay(false);
}

// Counts the paints a widget gets.
class CPaintCounter : public QObject {
public:
    bool eventFilter(QObject* /*pObject*/, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::Paint) {
            ++m_nPaints;
        }
        return false;
    }
    long m_nPaints = 0;
};

// One tick while the busy song plays in the 1920 x 1080 view. The tick sends its MIDI and
// leaves the highlights to the event loop, which draws and paints them right after it: the
// time is that of OnTimerTick alone, and "drawn us" what the event loop then spent on its notes.
void BM_TimerTickWhilePlaying(benchmark::State& state) {
    SBenchView& view = View();
    CMainView& v = *view.m_pView;
    LoadBusySong(v);
    CPaintCounter counter;
    const long nBefore = view.m_pPort->m_nNoteOns;
    long nTicks = 0;
    double dDrawn = 0.0;
    for (auto _ : state) {
        const Clock::time_point t0 = Clock::now();
        v.OnTimerTick();
        const Clock::time_point t1 = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        v.installEventFilter(&counter);
        QCoreApplication::processEvents();
        v.removeEventFilter(&counter);
        dDrawn += std::chrono::duration<double, std::micro>(Clock::now() - t1).count();
        ++nTicks;
        if (!v.m_bPlaying) {
            v.StartPlay(false);
        }
    }
    state.counters["note-ons/s"] = static_cast<double>(view.m_pPort->m_nNoteOns - nBefore) /
                                   (static_cast<double>(nTicks) * 0.020);
    state.counters["paints/tick"] =
        static_cast<double>(counter.m_nPaints) / static_cast<double>(nTicks);
    state.counters["drawn us"] = dDrawn / static_cast<double>(nTicks);
    v.StopPlay();
    v.ResetMidi();
}
BENCHMARK(BM_TimerTickWhilePlaying)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The same tick without a window: scheduler, playback and MIDI output alone.
void BM_TimerTickWhilePlayingWithoutDisplay(benchmark::State& state) {
    auto pPort = std::make_unique<CTimingPort>();
    CTimingPort* pTiming = pPort.get();
    CBarePlayer player(std::move(pPort));
    LoadBusySong(player);
    const long nBefore = pTiming->m_nNoteOns;
    long nTicks = 0;
    for (auto _ : state) {
        player.OnTimerTick();
        ++nTicks;
        if (!player.m_bPlaying) {
            player.StartPlay(false);
        }
    }
    state.counters["note-ons/s"] =
        static_cast<double>(pTiming->m_nNoteOns - nBefore) / (static_cast<double>(nTicks) * 0.020);
}
BENCHMARK(BM_TimerTickWhilePlayingWithoutDisplay)->Unit(benchmark::kMicrosecond);

// A song of 10,000 notes recorded on four instruments, in a view that keeps its recovery file in
// a folder of its own.
struct SRecoveryView {
    SRecoveryView()
        : m_strDir(QDir::tempPath() + QStringLiteral("/vorkeln-bench-recovery-") +
                   QString::number(QCoreApplication::applicationPid())),
          m_view(std::make_unique<CTimingPort>(), m_dialogs) {
        m_view.m_tickTimer.stop();
        for (std::uint32_t nProgram = 40; nProgram < 43; ++nProgram) {
            m_view.SetControl(CNotePlayer::kControlAddTrack, nProgram);
        }
        CSong& song = m_view.m_song;
        song.ResetRecordPositions();
        for (int i = 0; i < kRecoveryNotes; ++i) {
            song.RecordNote(static_cast<std::uint8_t>(i % 4),
                            static_cast<std::uint8_t>(40 + i % 48), 96);
            if (i % 4 == 3) {
                song.AdvanceRecordTime();
            }
        }
        m_bEnabled = m_view.EnableRecovery(m_strDir);
    }
    ~SRecoveryView() { QDir(m_strDir).removeRecursively(); }
    SRecoveryView(const SRecoveryView&) = delete;
    SRecoveryView& operator=(const SRecoveryView&) = delete;

    static constexpr int kRecoveryNotes = 10000;
    QString m_strDir;
    CSilentDialogs m_dialogs;
    CMainView m_view;
    bool m_bEnabled = false;
};

// A recovery write as the timer or the end of a recording starts it. On the GUI thread the song
// is encoded and handed over while the writer's thread puts it on the disk (temporary file,
// fsync, rename); with bWithDisk the timing waits for that too.
void RecoveryWrite(benchmark::State& state, bool bWithDisk) {
    SRecoveryView recovery;
    if (!recovery.m_bEnabled) {
        state.SkipWithError("no recovery folder");
        return;
    }
    CMainView& view = recovery.m_view;
    for (auto _ : state) {
        view.m_song.MarkModified();
        view.WriteRecovery();
        if (!bWithDisk) {
            // The next write comes 10 s later at the soonest: this one is done by then.
            state.PauseTiming();
        }
        view.m_recoveryWriter.Flush();
        if (!bWithDisk) {
            state.ResumeTiming();
        }
    }
    state.counters["file bytes"] = static_cast<double>(
        QFileInfo(QString::fromStdString(view.m_recoveryFile.GetPath().string())).size());
}

void BM_RecoveryWriteOnTheGuiThread(benchmark::State& state) {
    RecoveryWrite(state, false);
}
BENCHMARK(BM_RecoveryWriteOnTheGuiThread)->Unit(benchmark::kMillisecond);

void BM_RecoveryWriteToTheDisk(benchmark::State& state) {
    RecoveryWrite(state, true);
}
BENCHMARK(BM_RecoveryWriteToTheDisk)->Unit(benchmark::kMillisecond);

// The embedded synthesiser's output latency: period size x periods / sample rate.
void ReportSynthLatency() {
    constexpr double dMilliseconds = 1000.0 * CFluidSynthPort::kPeriodSize *
                                     CFluidSynthPort::kPeriods / CFluidSynthPort::kSampleRate;
    std::printf("Embedded synthesiser latency: %d x %d / %d Hz = %.1f ms\n",
                CFluidSynthPort::kPeriodSize, CFluidSynthPort::kPeriods,
                CFluidSynthPort::kSampleRate, dMilliseconds);
}

} // namespace

int main(int argc, char* argv[]) {
    return bench::RunOffscreen<QApplication>(argc, argv, [] { ReportSynthLatency(); });
}
