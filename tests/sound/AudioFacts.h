#pragma once

#include "TestFiles.h"

#include <string>

// What sox reads from a sound file: the judge of the files the export writes.
struct SAudioFacts {
    int nRate = 0;
    int nChannels = 0;
    double fSeconds = 0.0;
    double fPeak = -1.0;    // the loudest sample, full scale 1
    double fEndPeak = -1.0; // the loudest sample of the last 0.2 s
};

inline bool HaveSox() {
    return RunCommand("command -v soxi sox 2>/dev/null").find("sox") != std::string::npos;
}

inline double SoxPeak(const std::string& args) {
    const std::string out = RunCommand("sox " + args + " -n stat 2>&1");
    const std::string key = "Maximum amplitude:";
    const std::size_t nAt = out.find(key);
    return nAt == std::string::npos ? -1.0 : std::stod(out.substr(nAt + key.size()));
}

inline SAudioFacts ReadAudioFacts(const std::string& path) {
    SAudioFacts facts;
    const std::string quoted = "'" + path + "'";
    facts.nRate = std::atoi(RunCommand("soxi -r " + quoted).c_str());
    facts.nChannels = std::atoi(RunCommand("soxi -c " + quoted).c_str());
    facts.fSeconds = std::atof(RunCommand("soxi -D " + quoted).c_str());
    facts.fPeak = SoxPeak(quoted);
    facts.fEndPeak = SoxPeak(quoted + " trim -0.2");
    return facts;
}
