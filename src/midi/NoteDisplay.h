#pragma once

#include <cstdint>

// What the note engine tells whoever shows its notes: the keyboard in the program, a recording
// in the tests. The engine calls it after the sound has gone out, never before.
class INoteDisplay {
public:
    virtual ~INoteDisplay() = default;

    // A note of a channel started sounding (bOn) or ended. A note struck again while it still
    // sounds is not shown again.
    virtual void ShowNote(int nChannel, int nNote, bool bOn) = 0;
    // How many octaves up and down a sounding note is also shown, already within the engine's
    // limits.
    virtual void ShowEchoRange(std::int8_t nEchoUp, std::int8_t nEchoDown) = 0;
    // Nothing sounds any more (Reset Midi): every note is shown ended.
    virtual void ResetNoteStates() = 0;
    // The tonality changed; pSender made the change (null: not a window) and is not told.
    virtual void OnTonalityChanged(const void* pSender) = 0;
    // Playback started; false = from the beginning.
    virtual void OnPlayStart(bool bContinue) = 0;
    // Playback stopped, also when the song ended by itself.
    virtual void OnPlayStop() = 0;

protected:
    INoteDisplay() = default;
    INoteDisplay(const INoteDisplay&) = default;
    INoteDisplay& operator=(const INoteDisplay&) = default;
};
