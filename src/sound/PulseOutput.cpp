#include "sound/PulseOutput.h"

#include "sound/SynthRenderer.h"

#include <pulse/pulseaudio.h>

#include <pthread.h>
#include <sched.h>

namespace {
constexpr std::size_t kFrameBytes = 2 * sizeof(float);
constexpr pa_usec_t kMicrosecondsPerMillisecond = 1000;
constexpr std::uint32_t kServerDefault = static_cast<std::uint32_t>(-1);

void Drop(pa_operation* pOperation) {
    if (pOperation != nullptr) {
        pa_operation_unref(pOperation);
    }
}

// Holds the stream thread's lock for a scope.
class CMainloopLock {
public:
    explicit CMainloopLock(pa_threaded_mainloop* pMainloop) : m_pMainloop(pMainloop) {
        pa_threaded_mainloop_lock(m_pMainloop);
    }
    ~CMainloopLock() { pa_threaded_mainloop_unlock(m_pMainloop); }
    CMainloopLock(const CMainloopLock&) = delete;
    CMainloopLock& operator=(const CMainloopLock&) = delete;

private:
    pa_threaded_mainloop* m_pMainloop;
};
} // namespace

CPulseOutput::CPulseOutput(CSynthRenderer& renderer) : m_renderer(renderer) {}

std::unique_ptr<CPulseOutput> CPulseOutput::Open(CSynthRenderer& renderer, int nSampleRate) {
    std::unique_ptr<CPulseOutput> pOutput(new CPulseOutput(renderer));
    if (!pOutput->Connect(nSampleRate)) {
        return nullptr;
    }
    return pOutput;
}

CPulseOutput::~CPulseOutput() {
    if (m_pMainloop == nullptr) {
        return;
    }
    {
        const CMainloopLock lock(m_pMainloop);
        if (m_pStream != nullptr) {
            pa_stream_set_state_callback(m_pStream, nullptr, nullptr);
            pa_stream_set_write_callback(m_pStream, nullptr, nullptr);
            pa_stream_set_underflow_callback(m_pStream, nullptr, nullptr);
            pa_stream_disconnect(m_pStream);
            pa_stream_unref(m_pStream);
        }
        if (m_pContext != nullptr) {
            pa_context_set_state_callback(m_pContext, nullptr, nullptr);
            pa_context_disconnect(m_pContext);
            pa_context_unref(m_pContext);
        }
    }
    pa_threaded_mainloop_stop(m_pMainloop);
    pa_threaded_mainloop_free(m_pMainloop);
}

bool CPulseOutput::Connect(int nSampleRate) {
    m_pMainloop = pa_threaded_mainloop_new();
    if (m_pMainloop == nullptr) {
        return false;
    }
    pa_threaded_mainloop_set_name(m_pMainloop, "vorkeln-audio");
    m_pContext = pa_context_new(pa_threaded_mainloop_get_api(m_pMainloop), "Vorkeln");
    if (m_pContext == nullptr) {
        return false;
    }
    pa_context_set_state_callback(m_pContext, OnContextState, this);
    // A desktop without a running server gets none started behind its back.
    if (pa_context_connect(m_pContext, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(m_pMainloop) < 0) {
        return false;
    }
    const CMainloopLock lock(m_pMainloop);
    pa_time_event* pDeadline = pa_context_rttime_new(
        m_pContext, pa_rtclock_now() + kConnectMilliseconds * kMicrosecondsPerMillisecond,
        OnDeadline, this);
    const bool bConnected = [&] {
        if (!WaitFor(m_bContextReady)) {
            return false;
        }
        m_nSampleRate = nSampleRate;
        if (m_nSampleRate <= 0) {
            Drop(pa_context_get_sink_info_by_name(m_pContext, "@DEFAULT_SINK@", OnSinkInfo, this));
            if (!WaitFor(m_bSinkKnown) || m_nSampleRate <= 0) {
                return false;
            }
        }
        const pa_sample_spec format = {PA_SAMPLE_FLOAT32NE,
                                       static_cast<std::uint32_t>(m_nSampleRate), 2};
        m_pStream = pa_stream_new(m_pContext, "Vorkeln", &format, nullptr);
        if (m_pStream == nullptr) {
            return false;
        }
        pa_stream_set_state_callback(m_pStream, OnStreamState, this);
        pa_stream_set_write_callback(m_pStream, OnWrite, this);
        pa_stream_set_underflow_callback(m_pStream, OnUnderflow, this);
        // The stream starts corked, as paused: the renderer waits for the first message.
        const pa_buffer_attr attr = BufferAttributes(true);
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE |
            PA_STREAM_INTERPOLATE_TIMING);
        return pa_stream_connect_playback(m_pStream, nullptr, &attr, flags, nullptr, nullptr) >=
                   0 &&
               WaitFor(m_bStreamReady);
    }();
    if (pDeadline != nullptr) {
        pa_threaded_mainloop_get_api(m_pMainloop)->time_free(pDeadline);
    }
    return bConnected;
}

bool CPulseOutput::WaitFor(const std::atomic<bool>& bDone) {
    while (!bDone && !m_bFailed && !m_bTimedOut) {
        pa_threaded_mainloop_wait(m_pMainloop);
    }
    return bDone;
}

void CPulseOutput::OnContextState(pa_context* pContext, void* pData) {
    auto* pThis = static_cast<CPulseOutput*>(pData);
    switch (pa_context_get_state(pContext)) {
    case PA_CONTEXT_READY:
        pThis->m_bContextReady = true;
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        pThis->m_bFailed = true;
        break;
    default:
        return;
    }
    pa_threaded_mainloop_signal(pThis->m_pMainloop, 0);
}

void CPulseOutput::OnSinkInfo(pa_context* /*pContext*/, const pa_sink_info* pInfo, int nEol,
                              void* pData) {
    auto* pThis = static_cast<CPulseOutput*>(pData);
    if (nEol == 0 && pInfo != nullptr) {
        pThis->m_nSampleRate = static_cast<int>(pInfo->sample_spec.rate);
        return;
    }
    pThis->m_bSinkKnown = true;
    pa_threaded_mainloop_signal(pThis->m_pMainloop, 0);
}

void CPulseOutput::OnStreamState(pa_stream* pStream, void* pData) {
    auto* pThis = static_cast<CPulseOutput*>(pData);
    switch (pa_stream_get_state(pStream)) {
    case PA_STREAM_READY:
        pThis->m_bStreamReady = true;
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        pThis->m_bFailed = true;
        break;
    default:
        return;
    }
    pa_threaded_mainloop_signal(pThis->m_pMainloop, 0);
}

void CPulseOutput::OnDeadline(pa_mainloop_api* /*pApi*/, pa_time_event* /*pEvent*/,
                              const timeval* /*pTime*/, void* pData) {
    auto* pThis = static_cast<CPulseOutput*>(pData);
    pThis->m_bTimedOut = true;
    pa_threaded_mainloop_signal(pThis->m_pMainloop, 0);
}

void CPulseOutput::OnUnderflow(pa_stream* /*pStream*/, void* pData) {
    auto* pThis = static_cast<CPulseOutput*>(pData);
    if (pThis->m_bCorked || pThis->m_nPeriodFrames >= kMaxPeriodFrames) {
        return;
    }
    // This machine cannot keep the buffer filled in time: longer periods, for as long as
    // playing goes on without another gap.
    pThis->m_nPeriodFrames += kPeriodStepFrames;
    pThis->m_nSteadyFrames = 0;
    const pa_buffer_attr attr = pThis->BufferAttributes(false);
    Drop(pa_stream_set_buffer_attr(pThis->m_pStream, &attr, nullptr, nullptr));
}

void CPulseOutput::OnWrite(pa_stream* /*pStream*/, std::size_t nBytes, void* pData) {
    static_cast<CPulseOutput*>(pData)->Write(nBytes);
}

void CPulseOutput::Write(std::size_t nBytes) {
    if (!m_bPriorityChecked) {
        // As the server's own threads do: a busy machine must not starve the sound. Without the
        // right to it the thread stays as it is.
        m_bPriorityChecked = true;
        sched_param param = {};
        param.sched_priority = kRealtimePriority;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    }
    bool bGoesOn = true;
    std::int64_t nWritten = 0;
    while (nBytes >= kFrameBytes) {
        void* pBuffer = nullptr;
        std::size_t nChunk = nBytes - nBytes % kFrameBytes;
        if (pa_stream_begin_write(m_pStream, &pBuffer, &nChunk) < 0 || pBuffer == nullptr) {
            return;
        }
        nChunk -= nChunk % kFrameBytes;
        if (nChunk == 0) {
            pa_stream_cancel_write(m_pStream);
            return;
        }
        auto* pSamples = static_cast<float*>(pBuffer);
        bGoesOn =
            m_renderer.Render(pSamples, pSamples + 1, 2, static_cast<int>(nChunk / kFrameBytes));
        pa_stream_write(m_pStream, pBuffer, nChunk, nullptr, 0, PA_SEEK_RELATIVE);
        nBytes -= nChunk;
        nWritten += static_cast<std::int64_t>(nChunk / kFrameBytes);
    }
    if (!bGoesOn) {
        if (!m_bCorked) {
            Cork(true);
        }
        return;
    }
    m_nSteadyFrames += nWritten;
    if (m_nSteadyFrames >= kSteadySeconds * m_nSampleRate && m_nPeriodFrames > kPeriodFrames) {
        // Long enough without a gap: shorter periods again.
        m_nPeriodFrames -= kPeriodStepFrames;
        m_nSteadyFrames = 0;
        const pa_buffer_attr attr = BufferAttributes(false);
        Drop(pa_stream_set_buffer_attr(m_pStream, &attr, nullptr, nullptr));
    }
    // What the sound just written waits before it is heard, averaged over a few dozen periods;
    // a corked stream's buffer says nothing about it.
    pa_usec_t nLatency = 0;
    int nNegative = 0;
    if (!m_bCorked && pa_stream_get_latency(m_pStream, &nLatency, &nNegative) == 0) {
        const double fLatency = nNegative != 0 ? 0.0 : static_cast<double>(nLatency);
        const double fAverage = m_fLatencyAverage;
        m_fLatencyAverage =
            fAverage < 0.0 ? fLatency : fAverage + (fLatency - fAverage) / kLatencyAveraging;
    }
}

pa_buffer_attr CPulseOutput::BufferAttributes(bool bIdle) const {
    const auto nPeriodBytes = static_cast<std::uint32_t>(m_nPeriodFrames) * kFrameBytes;
    pa_buffer_attr attr = {};
    attr.maxlength = kServerDefault;
    attr.tlength = nPeriodBytes * kPeriods;
    attr.prebuf = kServerDefault;
    attr.minreq = nPeriodBytes;
    attr.fragsize = kServerDefault;
    if (bIdle) {
        attr.tlength *= kIdleStretch;
        attr.minreq *= kIdleStretch;
    }
    return attr;
}

void CPulseOutput::Cork(bool bCork) {
    m_bCorked = bCork;
    if (bCork) {
        // Corked, the stream still holds the sink to its short latency, and the sink would go on
        // waking that often for nothing: while paused the stream asks for a long one.
        const pa_buffer_attr attr = BufferAttributes(true);
        Drop(pa_stream_set_buffer_attr(m_pStream, &attr, nullptr, nullptr));
    }
    Drop(pa_stream_cork(m_pStream, bCork ? 1 : 0, nullptr, nullptr));
}

void CPulseOutput::Wake() {
    const CMainloopLock lock(m_pMainloop);
    if (m_renderer.Resume() && m_pStream != nullptr) {
        // All the corked stream still holds is silence: dropped, the message sounds next.
        const pa_buffer_attr attr = BufferAttributes(false);
        Drop(pa_stream_set_buffer_attr(m_pStream, &attr, nullptr, nullptr));
        Drop(pa_stream_flush(m_pStream, nullptr, nullptr));
        Cork(false);
    }
}

double CPulseOutput::GetLatencyMs() const {
    const double fLatency = m_fLatencyAverage;
    return fLatency < 0.0 ? -1.0 : fLatency / kMicrosecondsPerMillisecond;
}
