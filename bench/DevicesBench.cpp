// The MIDI devices: from a system input's callback to the note-on leaving the output port, with
// the keyboard lit on a full-HD view, and switching the output to another port and back with the
// programs of 16 channels sent again. The switch is measured against a JACK server of its own on
// the dummy driver, with jack_midi_dump (Debian's jackd2) at the other end.
#include "BenchSupport.h"
#include "JackServer.h"

#include "app/MainView.h"
#include "midi/PortSwitch.h"
#include "sound/RtMidiInput.h"
#include "sound/RtMidiPort.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using bench::Clock;
using bench::CSilentDialogs;
using bench::CTimingPort;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// Median and 99th percentile of the samples, in microseconds, as the benchmark's counters.
void ReportPercentiles(benchmark::State& state, std::vector<double>& samples) {
    if (samples.empty()) {
        return;
    }
    std::sort(samples.begin(), samples.end());
    const auto at = [&samples](double fShare) {
        return samples[std::min(
            samples.size() - 1,
            static_cast<std::size_t>(fShare * static_cast<double>(samples.size())))];
    };
    state.counters["median_us"] = at(0.5) * 1e6;
    state.counters["p99_us"] = at(0.99) * 1e6;
}

// A note-on as RtMidi's thread hands it to the input, through the queued hand-over to the GUI
// thread and the view's batch (sound, then the lit keyboard), to the output port's send.
void BM_InputNoteToSend(benchmark::State& state) {
    CSilentDialogs dialogs;
    auto pPort = std::make_unique<CTimingPort>();
    CTimingPort* pTiming = pPort.get();
    CMainView view(std::move(pPort), dialogs);
    bench::ShowStill(view, kWidth, kHeight);

    // Not opened: its callback is called here as RtMidi's thread calls it, and the drain is
    // queued to the GUI thread as the device manager queues it.
    CRtMidiInput input(SMidiPortId{"jack", "keys:out"});
    std::vector<std::uint32_t> batch;
    QObject receiver;
    const auto drain = [&] {
        batch.clear();
        input.Drain(batch);
        view.OnInputMessages(batch);
    };
    std::vector<double> samples;
    int nNote = 48;
    for (auto _ : state) {
        const unsigned char on[3] = {0x90, static_cast<unsigned char>(nNote), 100};
        const unsigned char off[3] = {0x80, static_cast<unsigned char>(nNote), 0};
        const Clock::time_point t0 = Clock::now();
        input.Receive(on, 3);
        QMetaObject::invokeMethod(&receiver, drain, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        const double fSeconds = std::chrono::duration<double>(pTiming->m_lastNoteOn - t0).count();
        state.SetIterationTime(fSeconds);
        samples.push_back(fSeconds);
        input.Receive(off, 3);
        QMetaObject::invokeMethod(&receiver, drain, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        nNote = nNote == 84 ? 48 : nNote + 1;
    }
    ReportPercentiles(state, samples);
}
BENCHMARK(BM_InputNoteToSend)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2000);

// A burst of 1,000 keys a second as the view gets it: every 20 ms a batch of 20 note-ons and 20
// note-offs, played and drawn into the full-HD window. Far under 20 ms, it never falls behind.
void BM_InputBurstDrawn(benchmark::State& state) {
    CSilentDialogs dialogs;
    CMainView view(std::make_unique<CTimingPort>(), dialogs);
    bench::ShowStill(view, kWidth, kHeight);
    std::vector<std::uint32_t> batch;
    for (std::uint32_t nNote = 40; nNote < 60; ++nNote) {
        batch.push_back(0x90u | (nNote << 8) | (100u << 16));
        batch.push_back(0x80u | ((nNote + 20) << 8));
    }
    // The first batch only starts keys that the next ones end, and so on.
    std::vector<std::uint32_t> first;
    for (std::uint32_t nNote = 60; nNote < 80; ++nNote) {
        first.push_back(0x90u | (nNote << 8) | (100u << 16));
    }
    view.OnInputMessages(first);
    std::vector<std::uint32_t> next = batch;
    for (auto _ : state) {
        view.OnInputMessages(next);
        QCoreApplication::processEvents();
        // The keys struck now end in the next batch, those ended now start again.
        for (std::uint32_t& dwMsg : next) {
            dwMsg = (dwMsg & 0xF0u) == 0x90u ? (dwMsg & 0xFF00u) | 0x80u
                                             : (dwMsg & 0xFF00u) | 0x90u | (100u << 16);
        }
    }
}
BENCHMARK(BM_InputBurstDrawn)->Unit(benchmark::kMillisecond);

// From the built-in port to a JACK port and back, each way silencing the port left and sending
// the programs of 16 channels to the one taken.
void BM_SwitchOutputAndResendPrograms(benchmark::State& state) {
    CJackServer jack;
    if (!jack.GetError().empty() || !jack.Start({"jack_midi_dump", "vorkeln-bench-dump"}) ||
        !jack.WaitForPort("vorkeln-bench-dump:input", true)) {
        state.SkipWithError("no JACK server with jack_midi_dump (Debian's jackd2)");
        return;
    }
    CPortSwitch portSwitch(std::make_unique<CTimingPort>());
    portSwitch.Open();
    for (std::uint32_t nChannel = 0; nChannel < 16; ++nChannel) {
        portSwitch.SendShort(0xC0u | nChannel | ((nChannel * 7) << 8));
    }
    std::vector<double> samples;
    std::vector<double> to;
    std::vector<double> back;
    for (auto _ : state) {
        const Clock::time_point t0 = Clock::now();
        const bool bSwitched = portSwitch.Select(
            std::make_unique<CRtMidiPort>(SMidiPortId{"jack", "vorkeln-bench-dump:input"}));
        const Clock::time_point t1 = Clock::now();
        portSwitch.Select(nullptr);
        const Clock::time_point t2 = Clock::now();
        if (!bSwitched) {
            state.SkipWithError("the JACK port did not open");
            return;
        }
        const double fTo = std::chrono::duration<double>(t1 - t0).count();
        const double fBack = std::chrono::duration<double>(t2 - t1).count();
        samples.push_back(fTo);
        samples.push_back(fBack);
        to.push_back(fTo);
        back.push_back(fBack);
        state.SetIterationTime(fTo + fBack);
    }
    ReportPercentiles(state, back);
    state.counters["back_median_us"] = state.counters["median_us"];
    state.counters["back_p99_us"] = state.counters["p99_us"];
    ReportPercentiles(state, to);
    state.counters["to_median_us"] = state.counters["median_us"];
    state.counters["to_p99_us"] = state.counters["p99_us"];
    ReportPercentiles(state, samples);
}
BENCHMARK(BM_SwitchOutputAndResendPrograms)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50);

} // namespace

int main(int argc, char* argv[]) {
    return bench::RunOffscreen<QApplication>(argc, argv, [] {});
}
