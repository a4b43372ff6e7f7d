#include "sound/MidiPortId.h"

#include <RtMidi.h>

#include <cctype>

namespace {
// The name without a trailing " client:port" address, as ALSA appends one.
std::string WithoutAddress(const std::string& name) {
    std::size_t nEnd = name.size();
    const auto skipDigits = [&name](std::size_t n) {
        while (n > 0 && std::isdigit(static_cast<unsigned char>(name[n - 1])) != 0) {
            --n;
        }
        return n;
    };
    std::size_t n = skipDigits(nEnd);
    if (n == nEnd || n == 0 || name[n - 1] != ':') {
        return name;
    }
    nEnd = n - 1;
    n = skipDigits(nEnd);
    if (n == nEnd || n == 0 || name[n - 1] != ' ') {
        return name;
    }
    return name.substr(0, n - 1);
}
} // namespace

std::string SMidiPortId::GetDisplayName() const {
    const std::string apiName = RtMidi::getApiDisplayName(RtMidi::getCompiledApiByName(m_api));
    return (apiName.empty() || apiName == "Unknown" ? m_api : apiName) + ": " + m_name;
}

SMidiPortId SMidiPortId::Parse(const std::string& key) {
    const std::size_t nSlash = key.find('/');
    if (nSlash == std::string::npos || nSlash == 0 || nSlash + 1 == key.size()) {
        return {};
    }
    return {key.substr(0, nSlash), key.substr(nSlash + 1)};
}

bool SMidiPortId::Matches(const SMidiPortId& other) const {
    return m_api == other.m_api &&
           (m_name == other.m_name || WithoutAddress(m_name) == WithoutAddress(other.m_name));
}
