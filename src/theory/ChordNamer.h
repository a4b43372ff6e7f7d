#pragma once

#include <cstdint>
#include <span>
#include <string>

// Names what a set of sounding notes forms, from the notes alone (the tonality plays no part):
// nothing for no notes, the note name for one pitch class, the interval from the lowest note
// for two ("major third"), a chord name for a known chord ("C", "Cm7", "C/E") and otherwise the
// notes themselves from the lowest up ("c cis d"). Notes an octave apart count once.
//
// Spelling is the program's own: chord roots and basses are the keynote names with a capital
// ("Cis", "B" for B flat, "H"); single notes and unnamed sets are written in lower case, as the
// tonality pane writes keynotes, so that a lone "c" never reads as the C major chord.
//
// A chord is named from the root that makes it a known chord: the lowest note when it can be
// the root (so C E G A over C is "C6" and over A "Am7"), otherwise the most common reading
// ("Am7/E"). Triads need all three tones; sevenths and ninths may leave out their fifth, as
// players do. Symmetrical chords (augmented, diminished seventh) are named from the bass.
class CChordNamer {
public:
    // Bit n set: a note of pitch class n is among the notes. Values above 127 are not notes.
    static std::uint16_t PitchClassesOf(std::span<const std::uint8_t> notes);

    // The name of the notes (MIDI numbers in any order, repeats allowed).
    static std::string Name(std::span<const std::uint8_t> notes);
    // The same from the pitch classes (bit n = pitch class n) and the pitch class of the lowest
    // note; a bass that is not among them is taken as the lowest pitch class.
    static std::string Name(std::uint16_t wPitchClasses, int nBass);
};
