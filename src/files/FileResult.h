#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <type_traits>

// Why a file could not be read or written when the system had nothing to say against it: what
// the file holds, or what was to be written, is not of the kind asked for.
enum class EFileError {
    NotMidi = 1,  // not a Standard MIDI File the song can read
    NotBitmap,    // not a bitmap file the drawing can read
    NotSoundFont, // not a SoundFont the synthesiser can load
    Unwritable,   // nothing that the file's format can hold
};

const std::error_category& FileErrorCategory();
std::error_code make_error_code(EFileError eError);

namespace std {
template <> struct is_error_code_enum<EFileError> : true_type {};
} // namespace std

// What became of loading or saving a file: true when it was done, otherwise the reason it was
// not, as the system gave it or as an EFileError. Nothing here prints or shows anything; the
// shell puts the reason into its own message.
class CFileResult {
public:
    CFileResult() = default;
    // Implicit, so that a function may return its error code or reason as it is.
    CFileResult(std::error_code ec) : m_ec(ec) {}
    CFileResult(EFileError eError) : m_ec(make_error_code(eError)) {}

    explicit operator bool() const { return !m_ec; }
    const std::error_code& GetError() const { return m_ec; }
    // The reason in words: the system's own text for its errors.
    std::string GetReason() const { return m_ec.message(); }

    // Whether path leads to a plain file that may be read: "no such file" when nothing is
    // there, the system's reason when it cannot be looked at, eOther for anything but a plain
    // file (a folder, a device).
    static CFileResult CheckPlainFile(const std::filesystem::path& path, EFileError eOther);
    // A plain file that still does not open for reading may not be read by us.
    static CFileResult NotOpened();

private:
    std::error_code m_ec;
};
