#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

struct _fluid_synth_t;

// Renders the synthesiser for an audio device, block by block, on the device's thread. Every
// block it hands out is safe to play: silence until the synthesiser is ready, silence for a block
// that holds a sample that is not a finite number, and nothing at or beyond full scale.
//
// It starts paused and pauses again once nothing has sounded and nothing has been sent for a
// while: a paused renderer hands out silence without running the synthesiser, and a device that
// can stop asking (a stream that can be corked) stops. The owner's thread tells it of every
// message with Touch, which says whether the device has to be woken.
class CSynthRenderer {
public:
    // How long the output stays quiet, with no voice sounding and no message, before it pauses.
    static constexpr double kQuietSeconds = 1.0;
    // Under this level a sample counts as quiet: below the last bit of a 16-bit device.
    static constexpr float kQuietLevel = 1.0f / 32768.0f;
    // Louder samples are held here, so that an overload never reaches the device's rail.
    static constexpr float kCeiling = 32000.0f / 32768.0f;

    // Before the device starts, or while it is stopped.
    void SetSynth(_fluid_synth_t* pSynth, int nSampleRate);
    // Puts another synthesiser of the same rate in place while the device runs; once this
    // returns, the device no longer touches the one it replaced. The owner's thread.
    void SwapSynth(_fluid_synth_t* pSynth);
    // The synthesiser can play (its SoundFont is in). Any thread.
    void SetReady();

    // The device's thread: nFrames of stereo, each channel's samples nStride floats apart.
    // Returns false when rendering has paused (with this block or before it).
    bool Render(float* pLeft, float* pRight, int nStride, int nFrames);

    // The owner's thread, after a message reached the synthesiser: true when rendering is
    // paused, so that the device must be woken (Resume) for the message to sound.
    bool Touch();
    // Ends a pause; true when there was one. A device that stops asking while paused calls it
    // under the same lock as its Render calls run, so that the two agree on its state.
    bool Resume();
    // The device has stopped: whatever device starts next starts paused.
    void Pause() { m_bPaused.store(true); }
    bool IsPaused() const { return m_bPaused.load(); }

    // Blocks silenced so far because a sample in them was not finite.
    std::uint64_t GetSilencedBlocks() const { return m_nSilencedBlocks.load(); }

    // What Guard found in a block.
    struct SGuarded {
        bool m_bFinite = true; // false: a sample was not finite, and the block is silence now
        float m_fPeak = 0.0f;  // the loudest sample left in the block
    };
    // Makes one block safe: silence when any sample is not finite, otherwise every sample held
    // within the ceiling.
    static SGuarded Guard(float* pLeft, float* pRight, int nStride, int nFrames);

private:
    // After a block: counts quiet frames and pauses once there were enough of them. Returns
    // false when it paused.
    bool TrackQuiet(float fPeak, int nFrames, std::uint64_t nSerial);

    _fluid_synth_t* m_pSynth = nullptr; // changed while the device runs only under m_synthMutex
    std::mutex m_synthMutex;
    std::int64_t m_nQuietLimit = 48000;

    std::atomic<bool> m_bReady{false};
    std::atomic<bool> m_bPaused{true};
    std::atomic<std::uint64_t> m_nSerial{0}; // messages the owner has sent
    std::atomic<std::uint64_t> m_nSilencedBlocks{0};

    // The device's thread only.
    std::uint64_t m_nSeenSerial = 0;
    std::int64_t m_nQuietFrames = 0;
};
