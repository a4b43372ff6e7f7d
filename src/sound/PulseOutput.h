#pragma once

#include "sound/AudioOutput.h"

#include <atomic>
#include <cstdint>
#include <memory>

class CSynthRenderer;
struct pa_buffer_attr;
struct pa_context;
struct pa_sink_info;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_mainloop_api;
struct pa_time_event;
struct timeval;

// The synthesiser's sound as a stream of a PulseAudio (or PipeWire) sound server. The server asks
// for each period as it needs it and the renderer fills it on the stream's thread, a few periods
// ahead: short enough for a key to sound at once, long enough that a busy machine does not make
// the sound drop out, and longer where the server reports that it did. While the renderer is
// paused the stream is corked and asks for a long latency, so that neither side wakes for nothing.
class CPulseOutput : public IAudioOutput {
public:
    // Frames the server asks for at a time (4 ms at 48 kHz), and how many such periods it holds
    // in all, its own share for the sink included. Shorter periods drop out on a busy machine,
    // whose sound server's main thread (not a real-time one) may wait several milliseconds.
    static constexpr int kPeriodFrames = 192;
    static constexpr int kPeriods = 4;
    // Each gap in the sound lengthens the periods by a step, up to a limit; after this long
    // without one, they shorten by a step again.
    static constexpr int kPeriodStepFrames = 64;
    static constexpr int kMaxPeriodFrames = 384;
    static constexpr int kSteadySeconds = 120;
    // While corked the stream asks for this many times the buffer and period.
    static constexpr int kIdleStretch = 32;
    // How long connecting may take before the server counts as absent.
    static constexpr int kConnectMilliseconds = 2000;
    // The stream's thread runs at this real-time priority where the system allows it.
    static constexpr int kRealtimePriority = 5;
    // Measured latencies are averaged over about this many periods.
    static constexpr double kLatencyAveraging = 32.0;

    // Connects to the sound server and opens a corked stream at nSampleRate (0: at the rate of
    // the server's default sink, so that the server need not convert). Null when no server
    // answers; none is started for it.
    static std::unique_ptr<CPulseOutput> Open(CSynthRenderer& renderer, int nSampleRate);
    ~CPulseOutput() override;
    CPulseOutput(const CPulseOutput&) = delete;
    CPulseOutput& operator=(const CPulseOutput&) = delete;

    int GetSampleRate() const { return m_nSampleRate; }
    void Wake() override;
    std::string GetName() const override { return "PulseAudio stream"; }
    double GetLatencyMs() const override;

private:
    explicit CPulseOutput(CSynthRenderer& renderer);
    bool Connect(int nSampleRate);
    // Waits on the stream's thread (its lock held) until bDone or the connection deadline.
    bool WaitFor(const std::atomic<bool>& bDone);
    // The buffer the stream asks the server for, playing or corked.
    pa_buffer_attr BufferAttributes(bool bIdle) const;
    void Write(std::size_t nBytes);
    void Cork(bool bCork);

    static void OnContextState(pa_context* pContext, void* pData);
    static void OnSinkInfo(pa_context* pContext, const pa_sink_info* pInfo, int nEol, void* pData);
    static void OnStreamState(pa_stream* pStream, void* pData);
    static void OnWrite(pa_stream* pStream, std::size_t nBytes, void* pData);
    static void OnUnderflow(pa_stream* pStream, void* pData);
    static void OnDeadline(pa_mainloop_api* pApi, pa_time_event* pEvent, const timeval* pTime,
                           void* pData);

    CSynthRenderer& m_renderer;
    pa_threaded_mainloop* m_pMainloop = nullptr;
    pa_context* m_pContext = nullptr;
    pa_stream* m_pStream = nullptr;
    int m_nSampleRate = 0;
    // Under the stream thread's lock.
    bool m_bCorked = true;
    int m_nPeriodFrames = kPeriodFrames;
    std::int64_t m_nSteadyFrames = 0;
    bool m_bPriorityChecked = false; // the stream's thread only
    std::atomic<bool> m_bTimedOut{false};
    std::atomic<bool> m_bFailed{false};
    std::atomic<bool> m_bContextReady{false};
    std::atomic<bool> m_bSinkKnown{false};
    std::atomic<bool> m_bStreamReady{false};
    // Microseconds, negative until measured.
    std::atomic<double> m_fLatencyAverage{-1.0};
};
