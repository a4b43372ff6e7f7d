#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

// Files and folders for the tests, under the test program's own temporary folder.
using Bytes = std::vector<std::uint8_t>;

// An empty folder of its own for a test; ctest runs tests as processes side by side, so the
// name carries the process's id.
inline std::filesystem::path FreshDir(const std::string& name) {
    const std::filesystem::path dir =
        std::filesystem::path(VORKELN_TEST_TMP) / (name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline Bytes FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// The names in a folder, sorted.
inline std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// What the command prints on its standard output.
inline std::string RunCommand(const std::string& command) {
    std::string output;
    FILE* pPipe = popen(command.c_str(), "r");
    if (pPipe == nullptr) {
        return output;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pPipe)) > 0) {
        output.append(buffer, n);
    }
    pclose(pPipe);
    return output;
}
