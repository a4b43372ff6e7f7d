#include "JackServer.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
bool Spawn(const std::vector<std::string>& args, pid_t& pid, int* pOutput) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int fds[2] = {-1, -1};
    if (pOutput != nullptr) {
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            posix_spawn_file_actions_destroy(&actions);
            return false;
        }
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int nError = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (pOutput != nullptr) {
        ::close(fds[1]);
        *pOutput = fds[0];
    }
    return nError == 0;
}

void SilenceJack(const char* /*pszMessage*/) {}
} // namespace

CJackServer::CJackServer() {
    m_serverName = "vorkeln-test-" + std::to_string(::getpid());
    ::setenv("JACK_DEFAULT_SERVER", m_serverName.c_str(), 1);
    ::setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    jack_set_error_function(SilenceJack);
    jack_set_info_function(SilenceJack);
    if (!Spawn({"jackd", "-r", "-d", "dummy", "-r", "48000", "-p", "128"}, m_server.m_pid,
               nullptr)) {
        m_error = "jackd (Debian's jackd2) could not be started";
        return;
    }
    // Blocks until the server answers, without polling.
    pid_t waiter = -1;
    int nStatus = -1;
    if (!Spawn({"jack_wait", "-w", "-t", "20"}, waiter, nullptr) ||
        ::waitpid(waiter, &nStatus, 0) != waiter || !WIFEXITED(nStatus) ||
        WEXITSTATUS(nStatus) != 0) {
        m_error = "the JACK server did not come up";
        return;
    }
    m_pClient = jack_client_open("vorkeln-test-watch", JackNoStartServer, nullptr);
    if (m_pClient == nullptr) {
        m_error = "no client could join the JACK server";
        return;
    }
    jack_set_port_registration_callback(m_pClient, &CJackServer::OnPortRegistration, this);
    jack_activate(m_pClient);
}

CJackServer::~CJackServer() {
    for (SChild& child : m_children) {
        Stop(child);
    }
    if (m_pClient != nullptr) {
        jack_deactivate(m_pClient);
        jack_client_close(m_pClient);
    }
    Stop(m_server);
}

void CJackServer::Stop(SChild& child) {
    if (child.m_pid > 0) {
        ::kill(child.m_pid, SIGTERM);
        ::waitpid(child.m_pid, nullptr, 0);
        child.m_pid = -1;
    }
    if (child.m_nOutput >= 0) {
        ::close(child.m_nOutput);
        child.m_nOutput = -1;
    }
}

void CJackServer::StopLast() {
    if (!m_children.empty()) {
        Stop(m_children.back());
        m_children.pop_back();
    }
}

bool CJackServer::Start(const std::vector<std::string>& args) {
    SChild child;
    if (!Spawn(args, child.m_pid, &child.m_nOutput)) {
        return false;
    }
    m_children.push_back(child);
    return true;
}

void CJackServer::OnPortRegistration(jack_port_id_t /*nPort*/, int /*bRegistered*/, void* pData) {
    auto* pThis = static_cast<CJackServer*>(pData);
    const std::lock_guard<std::mutex> lock(pThis->m_mutex);
    pThis->m_changed.notify_all();
}

bool CJackServer::WaitForPort(const std::string& name, bool bThere, std::chrono::seconds timeout) {
    if (m_pClient == nullptr) {
        return false;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        return (jack_port_by_name(m_pClient, name.c_str()) != nullptr) == bThere;
    });
}

bool CJackServer::Connect(const std::string& from, const std::string& to) {
    return m_pClient != nullptr && jack_connect(m_pClient, from.c_str(), to.c_str()) == 0;
}

bool CJackServer::ReadSome(std::chrono::milliseconds timeout) {
    std::vector<pollfd> fds;
    for (const SChild& child : m_children) {
        if (child.m_nOutput >= 0) {
            fds.push_back({child.m_nOutput, POLLIN, 0});
        }
    }
    if (fds.empty() || timeout.count() <= 0 ||
        ::poll(fds.data(), fds.size(), static_cast<int>(timeout.count())) <= 0) {
        return false;
    }
    for (SChild& child : m_children) {
        const auto it = std::find_if(fds.begin(), fds.end(),
                                     [&](const pollfd& fd) { return fd.fd == child.m_nOutput; });
        if (it == fds.end() || (it->revents & (POLLIN | POLLHUP)) == 0) {
            continue;
        }
        char buffer[512];
        const ssize_t nRead = ::read(child.m_nOutput, buffer, sizeof buffer);
        if (nRead <= 0) {
            // The program closed its output: nothing more will come from it.
            ::close(child.m_nOutput);
            child.m_nOutput = -1;
            continue;
        }
        for (ssize_t i = 0; i < nRead; ++i) {
            if (buffer[i] == '\n') {
                m_lines.push_back(std::move(m_pending));
                m_pending.clear();
            } else {
                m_pending += buffer[i];
            }
        }
    }
    return true;
}

bool CJackServer::WaitForLine(const std::string& text, std::chrono::seconds timeout) {
    const auto has = [&] {
        return std::any_of(m_lines.begin(), m_lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    };
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!has()) {
        if (!ReadSome(std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now()))) {
            return has();
        }
    }
    return true;
}
