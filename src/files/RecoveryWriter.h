#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

class CRecoveryFile;

// Writes a recovery file on a thread of its own, so that the program's own thread only hands
// the bytes over and a slow disk never holds up playing. Only the newest request matters: one
// still waiting is replaced by the next, and the last one given is always carried out. Nothing
// here prints or shows anything.
class CRecoveryWriter {
public:
    // The file is the writer's to write from now on; it must outlive the writer.
    explicit CRecoveryWriter(CRecoveryFile& file) : m_file(file) {}
    // Carries out what was given, then ends the thread.
    ~CRecoveryWriter();
    CRecoveryWriter(const CRecoveryWriter&) = delete;
    CRecoveryWriter& operator=(const CRecoveryWriter&) = delete;

    void Write(std::vector<std::uint8_t> bytes);
    void Remove();
    // Returns once everything given has been carried out.
    void Flush();
    // How the last write ended.
    std::error_code GetLastError();

private:
    enum class ERequest { None, Write, Remove };

    void Post(ERequest eRequest, std::vector<std::uint8_t> bytes);
    void Run();

    CRecoveryFile& m_file;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    ERequest m_eRequest = ERequest::None;
    std::vector<std::uint8_t> m_bytes;
    bool m_bBusy = false;
    bool m_bStop = false;
    std::error_code m_ecLast;
    // Started by the first request.
    std::thread m_thread;
};
