#include "files/FileResult.h"

namespace {

class CFileErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "vorkeln file"; }
    std::string message(int nValue) const override {
        switch (static_cast<EFileError>(nValue)) {
        case EFileError::NotMidi:
            return "not a readable MIDI file";
        case EFileError::NotBitmap:
            return "not a readable bitmap";
        case EFileError::NotSoundFont:
            return "not a SoundFont";
        case EFileError::Unwritable:
            return "the file could not be written";
        }
        return "unknown file error";
    }
};

} // namespace

const std::error_category& FileErrorCategory() {
    static const CFileErrorCategory s_category;
    return s_category;
}

std::error_code make_error_code(EFileError eError) {
    return {static_cast<int>(eError), FileErrorCategory()};
}

CFileResult CFileResult::CheckPlainFile(const std::filesystem::path& path, EFileError eOther) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec) {
        return ec;
    }
    // A name that leads nowhere need not be an error to the file system; it is to a reader.
    if (status.type() == std::filesystem::file_type::not_found) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    if (status.type() != std::filesystem::file_type::regular) {
        return eOther;
    }
    return {};
}

CFileResult CFileResult::NotOpened() {
    return std::make_error_code(std::errc::permission_denied);
}
