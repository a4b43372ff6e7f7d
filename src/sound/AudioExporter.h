#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

class ITickSource;
struct _fluid_hashtable_t;
struct _fluid_synth_t;

// Renders a source of timed MIDI messages through a synthesiser of its own, with the SoundFont
// the program plays with, into a WAV or FLAC file, as fast as the machine allows. Each timer
// tick's messages go into the synthesiser before the tick's 20 ms of sound are rendered, so
// the file sounds as the program plays; the last notes' release and echo follow until all is
// quiet. Every block passes the same guard as the sound the device gets.
//
// The file is written under a temporary name beside the target and takes the target's place
// only once it is complete: a cancelled or failed export leaves no file behind, and an older
// file of that name stays as it was. It may run on any one thread; only the cancel flag is
// shared. Nothing here prints or shows anything.
class CAudioExporter {
public:
    enum class EFormat { Wav, Flac };
    enum class EResult { Done, Cancelled, NoSoundFont, WriteFailed };

    static constexpr int kSampleRate = 44100;
    // Render threads at most, one a core.
    static constexpr int kMaxCores = 4;
    // The tail after the last message stops here even if something still sounds.
    static constexpr double kMaxTailSeconds = 10.0;
    // Quiet that ends the tail: this long below the last bit of 16-bit sound.
    static constexpr double kQuietEndSeconds = 0.25;

    // Told of the share done (0 to 1) whenever it grew by a hundredth, on the exporting thread.
    using ProgressHandler = std::function<void(double fDone)>;

    // Whether this build's libsndfile writes the format.
    static bool CanWrite(EFormat eFormat);

    explicit CAudioExporter(std::string soundFont);
    ~CAudioExporter();
    CAudioExporter(const CAudioExporter&) = delete;
    CAudioExporter& operator=(const CAudioExporter&) = delete;

    // Plays the source to its end into target. Cancel is looked at after every tick.
    EResult Export(ITickSource& source, const std::filesystem::path& target, EFormat eFormat,
                   const std::atomic<bool>& bCancel, const ProgressHandler& fnProgress = {});
    // Why the last export failed to write (may be empty when the library gave no reason).
    std::error_code GetError() const { return m_error; }
    // Frames written by the last export that finished.
    std::int64_t GetFrames() const { return m_nFrames; }

private:
    bool Load();

    std::string m_soundFont;
    _fluid_hashtable_t* m_pSettings = nullptr;
    _fluid_synth_t* m_pSynth = nullptr;
    bool m_bLoaded = false;
    std::error_code m_error;
    std::int64_t m_nFrames = 0;
};
