#pragma once

#include "TestFiles.h"

#include <limits>
#include <string>

// What sox reads from a sound file: the judge of the files the export writes.
struct SAudioFacts {
    int nRate = 0;
    int nChannels = 0;
    double fSeconds = 0.0;
    double fPeak = 0.0;    // the loudest sample, full scale 1; not a number when unread
    double fEndPeak = 0.0; // the loudest sample of the last 0.2 s
};

inline bool HaveSox() {
    return RunCommand("command -v soxi sox 2>/dev/null").find("sox") != std::string::npos;
}

// The loudest sample of a file, or of the part trim (sox's trim arguments) leaves of it.
inline double SoxPeak(const std::string& path, const std::string& trim = {}) {
    const std::string out = RunCommand(
        "sox '" + path + "' -n " + (trim.empty() ? std::string() : "trim " + trim) + " stat 2>&1");
    const std::string key = "Maximum amplitude:";
    const std::size_t nAt = out.find(key);
    return nAt == std::string::npos ? std::numeric_limits<double>::quiet_NaN()
                                    : std::stod(out.substr(nAt + key.size()));
}

inline SAudioFacts ReadAudioFacts(const std::string& path) {
    SAudioFacts facts;
    const std::string quoted = "'" + path + "'";
    facts.nRate = std::atoi(RunCommand("soxi -r " + quoted).c_str());
    facts.nChannels = std::atoi(RunCommand("soxi -c " + quoted).c_str());
    facts.fSeconds = std::atof(RunCommand("soxi -D " + quoted).c_str());
    facts.fPeak = SoxPeak(path);
    facts.fEndPeak = SoxPeak(path, "-0.2");
    return facts;
}
