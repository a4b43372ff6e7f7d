#pragma once

#include <array>
#include <cstdint>

// One row of the scale table: the name GetName reports and the black mask, in which bit d-1 is
// set when degree d (1..11) lies outside the scale.
struct SScaleRow {
    const char* pszName;
    std::uint16_t wMask;
};

// What a recorded tonality change stores: the black mask, then the keynote.
struct STonalityRecord {
    std::uint16_t wMask = 0;
    std::uint8_t nKeynote = 0;
};

// The program's one tonality: a keynote and, for each of the twelve degrees above it, whether
// it belongs to the scale ("white") or not ("black"). Also builds chords from the scale.
class CScale {
public:
    static constexpr int kScaleCount = 25;
    static constexpr std::uint8_t kKeepKeynote = 15;
    static constexpr std::uint8_t kWhite = 0;
    static constexpr std::uint8_t kBlack = 1;
    static constexpr std::uint8_t kKeynote = 2;
    static constexpr int kMaxScaleNotes = 13;
    static constexpr int kMaxChordNotes = 10;
    static constexpr int kMaxChordSize = 6;
    static constexpr std::uint8_t kNavFewerFifths = 12;
    static constexpr std::uint8_t kNavMoreFifths = 13;

    static const std::array<SScaleRow, kScaleCount> kScaleTable;
    static const std::array<const char*, 12> kKeynoteNames;

    CScale();

    // Replaces the keynote (kKeepKeynote keeps it) and, when pPattern is given, the twelve
    // degree states. Keynotes above 11 are taken modulo 12.
    void SetPattern(std::uint8_t nKeynote, const std::uint8_t* pPattern);
    void SetMask(std::uint8_t nKeynote, std::uint16_t wMask);
    // The twelve degree states a black mask stands for, as SetPattern takes them.
    static std::array<std::uint8_t, 12> PatternOf(std::uint16_t wMask);
    void SelectScale(int nRow);
    void SetKeySignature(std::int8_t nSharps, std::uint8_t bMinor);

    // Right click on a note: plain = transpose there, MK_SHIFT = mode on that degree,
    // MK_CONTROL = same notes with that keynote.
    bool ApplyDegree(std::uint8_t nNote, unsigned nMouseKeys);
    bool Navigate(std::uint8_t nCode, std::uint32_t dwFlags);

    void GetScaleNotes(std::uint8_t* pNotes, std::uint8_t& nCount) const;
    static int GetChordSize(std::uint32_t dwFlags);
    bool BuildChord(const std::uint8_t*& pNotes, std::uint8_t& nCount, std::uint8_t nRoot,
                    std::uint32_t dwFlags);
    std::uint8_t DegreeToNote(std::uint8_t nSteps) const;

    std::uint16_t GetMask() const;
    const char* GetName() const;
    const char* GetKeynoteName() const;
    bool GetTonalityRecord(STonalityRecord& record) const;

    // Degree d above the keynote: kWhite, kBlack or kKeynote (element 0).
    std::array<std::uint8_t, 12> m_degree{};
    std::uint8_t m_nKeynote = 0;
    // The same states by absolute pitch class; the drawn keyboard keeps a pointer to it.
    std::array<std::uint8_t, 12> m_pitchClass{};
    // Size (3 or 4) of the third stacked on each degree.
    std::array<std::uint8_t, 12> m_third{};
    // The chain of fifths the pattern was made from, and the keynote's place in it.
    std::uint8_t m_nFifths = 7;
    std::uint8_t m_nTonicFifth = 1;

private:
    void BuildFromFifths();
    void UpdatePitchClasses();
    void UpdateThirds();
    bool ResizeFifths(std::uint8_t nCode);
    bool ChangeMode(int nDegree);
    bool MoveToRelative(int nDegree);
    bool Transpose(int nDegree);
    void AddChordNote(int nNote);
    void RotatedPattern(int nDegree, std::array<std::uint8_t, 12>& pattern) const;
    bool IsBlackDegree(int nDegree) const { return (m_degree[Mod12(nDegree)] & 1) != 0; }

    static int Mod12(int n) { return ((n % 12) + 12) % 12; }

    std::array<std::uint8_t, kMaxChordSize + 1> m_chord{};
    std::uint8_t m_nChordCount = 0;
    std::array<std::uint8_t, kMaxChordNotes> m_chordNotes{};
    std::uint8_t m_bWhiteOnly = 0;
    std::array<std::uint8_t, 11> m_navStep{};
    std::array<const char*, 2048> m_names{};
};
