#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// A fresh folder of the test's own.
inline std::filesystem::path FreshDir(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(VORKELN_TEST_TMP) / name;
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

// Another program: runs fnWork in a child process, which then waits to be killed. The child is
// killed with SIGKILL, as a crash would end it, when Kill is called or the object goes.
class CChildProgram {
public:
    explicit CChildProgram(const std::function<void()>& fnWork) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            fnWork();
            const char nDone = 1;
            (void)!::write(fds[1], &nDone, 1);
            for (;;) {
                ::pause();
            }
        }
        ::close(fds[1]);
        char nDone = 0;
        m_bReady = m_pid > 0 && ::read(fds[0], &nDone, 1) == 1;
        ::close(fds[0]);
    }
    ~CChildProgram() { Kill(); }
    CChildProgram(const CChildProgram&) = delete;
    CChildProgram& operator=(const CChildProgram&) = delete;

    // Whether the child did its work and waits.
    bool IsReady() const { return m_bReady; }
    void Kill() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
    bool m_bReady = false;
};
