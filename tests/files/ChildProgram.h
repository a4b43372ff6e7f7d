#pragma once

#include "TestFiles.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

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
