#include "files/RecoveryWriter.h"

#include "files/RecoveryFile.h"

#include <utility>

CRecoveryWriter::~CRecoveryWriter() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CRecoveryWriter::Write(std::vector<std::uint8_t> bytes) {
    Post(ERequest::Write, std::move(bytes));
}

void CRecoveryWriter::Remove() {
    Post(ERequest::Remove, {});
}

void CRecoveryWriter::Post(ERequest eRequest, std::vector<std::uint8_t> bytes) {
    std::vector<std::uint8_t> replaced;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_eRequest = eRequest;
        replaced.swap(m_bytes);
        m_bytes = std::move(bytes);
        if (!m_thread.joinable()) {
            m_thread = std::thread(&CRecoveryWriter::Run, this);
        }
    }
    m_changed.notify_all();
}

void CRecoveryWriter::Flush() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_eRequest == ERequest::None && !m_bBusy; });
}

std::error_code CRecoveryWriter::GetLastError() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_ecLast;
}

void CRecoveryWriter::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_eRequest != ERequest::None || m_bStop; });
        if (m_eRequest == ERequest::None) {
            return; // stopped with nothing left to do
        }
        const ERequest eRequest = std::exchange(m_eRequest, ERequest::None);
        const std::vector<std::uint8_t> bytes = std::exchange(m_bytes, {});
        m_bBusy = true;
        lock.unlock();
        std::error_code ec;
        if (eRequest == ERequest::Write) {
            ec = m_file.Write(bytes.data(), bytes.size());
        } else {
            m_file.Remove();
        }
        lock.lock();
        m_bBusy = false;
        if (eRequest == ERequest::Write) {
            m_ecLast = ec;
        }
        m_changed.notify_all();
    }
}
