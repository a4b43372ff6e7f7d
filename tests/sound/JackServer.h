#pragma once

#include <jack/jack.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <sys/types.h>

// A JACK server of the test's own, on the dummy driver under a name of its own (every JACK
// client of this process and its children finds it through JACK_DEFAULT_SERVER), with a client
// that watches ports come and go, and other JACK programs started beside it. Everything it
// started is stopped when it goes.
class CJackServer {
public:
    CJackServer();
    ~CJackServer();
    CJackServer(const CJackServer&) = delete;
    CJackServer& operator=(const CJackServer&) = delete;

    // Empty when the server runs; otherwise why it does not.
    const std::string& GetError() const { return m_error; }

    // Starts a program with its standard output on a pipe; false when it could not start.
    bool Start(const std::vector<std::string>& args);
    // Waits until a port of that full name is there (bThere) or gone.
    bool WaitForPort(const std::string& name, bool bThere,
                     std::chrono::seconds timeout = std::chrono::seconds(10));
    // Reads what the programs started printed until a line holding text came; true when one
    // did within the time. Lines read stay in m_lines.
    bool WaitForLine(const std::string& text,
                     std::chrono::seconds timeout = std::chrono::seconds(10));
    // Stops the last program started, and waits for it.
    void StopLast();
    bool Connect(const std::string& from, const std::string& to);

    std::vector<std::string> m_lines;

private:
    struct SChild {
        pid_t m_pid = -1;
        int m_nOutput = -1;
    };
    // Reads what is there within the time; false when nothing came.
    bool ReadSome(std::chrono::milliseconds timeout);
    static void OnPortRegistration(jack_port_id_t nPort, int bRegistered, void* pData);
    void Stop(SChild& child);

    std::string m_error;
    std::string m_serverName;
    SChild m_server;
    std::vector<SChild> m_children;
    std::string m_pending; // a line read in part
    jack_client_t* m_pClient = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_changed;
};
