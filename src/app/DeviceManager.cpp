#include "app/DeviceManager.h"

#include "midi/PortSwitch.h"
#include "sound/FluidSynthPort.h"
#include "sound/RtMidiInput.h"
#include "sound/RtMidiPort.h"

#include <QFileInfo>

#include <algorithm>

namespace {
QString Name(const SMidiPortId& id) {
    return QString::fromStdString(id.GetDisplayName());
}
} // namespace

CDeviceManager::CDeviceManager(CPortSwitch& portSwitch, CFluidSynthPort* pSynth,
                               StatusHandler fnStatus)
    : m_switch(portSwitch), m_pSynth(pSynth), m_fnStatus(std::move(fnStatus)),
      m_fnListOutputs(&CRtMidiPort::ListPorts), m_fnMakeOutput([](const SMidiPortId& id) {
          return std::unique_ptr<IMidiPort>(std::make_unique<CRtMidiPort>(id));
      }) {
    m_switch.SetLostHandler([this] {
        Tell(QStringLiteral("MIDI output %1 has gone; the built-in synthesiser plays")
                 .arg(Name(m_output)));
        m_output = {};
        emit devicesChanged();
    });
    m_pollTimer.setInterval(kPollMilliseconds);
    connect(&m_pollTimer, &QTimer::timeout, this, &CDeviceManager::Poll);
    m_pollTimer.start();
}

CDeviceManager::~CDeviceManager() {
    // The inputs' threads end before anything they could reach goes.
    m_inputs.clear();
    m_switch.SetLostHandler(nullptr);
}

void CDeviceManager::SetOutputSeams(OutputLister fnList, OutputMaker fnMake) {
    m_fnListOutputs = std::move(fnList);
    m_fnMakeOutput = std::move(fnMake);
}

void CDeviceManager::Tell(const QString& strText) const {
    if (m_fnStatus) {
        m_fnStatus(strText);
    }
}

void CDeviceManager::RestoreOutput(const SMidiPortId& id) {
    if (id.IsEmpty()) {
        return;
    }
    if (!m_switch.Select(m_fnMakeOutput(id))) {
        Tell(QStringLiteral("MIDI output %1 is not there; the built-in synthesiser plays")
                 .arg(Name(id)));
        return;
    }
    m_output = id;
}

void CDeviceManager::RestoreInputs(const std::vector<SMidiPortId>& ids) {
    for (const SMidiPortId& id : ids) {
        if (!id.IsEmpty() && !SetInputOpen(id, true)) {
            Tell(QStringLiteral("MIDI input %1 is not there").arg(Name(id)));
        }
    }
}

void CDeviceManager::DrainInputs() {
    m_batch.clear();
    for (const auto& pInput : m_inputs) {
        pInput->Drain(m_batch);
    }
    if (!m_batch.empty() && m_fnInput) {
        m_fnInput(m_batch);
    }
    emit inputHandled();
}

void CDeviceManager::SetKeepInputChannels(bool bKeep) {
    m_bKeepInputChannels = bKeep;
    if (m_fnKeepChannels) {
        m_fnKeepChannels(bKeep);
    }
}

std::vector<SMidiPortId> CDeviceManager::GetOpenInputs() const {
    std::vector<SMidiPortId> ids;
    for (const auto& pInput : m_inputs) {
        ids.push_back(pInput->GetId());
    }
    return ids;
}

void CDeviceManager::Poll() {
    for (auto it = m_inputs.begin(); it != m_inputs.end();) {
        (*it)->Poll();
        if ((*it)->IsOpen()) {
            ++it;
            continue;
        }
        Tell(QStringLiteral("MIDI input %1 has gone").arg(Name((*it)->GetId())));
        it = m_inputs.erase(it);
        emit devicesChanged();
    }
    m_switch.Poll();
    if (m_pSynth == nullptr) {
        return;
    }
    if (const auto result = m_pSynth->TakeSoundFontResult()) {
        const QString strFile = QFileInfo(QString::fromStdString(result->m_path)).fileName();
        if (result->m_error.empty()) {
            Tell(QStringLiteral("SoundFont %1 is in use").arg(strFile));
        } else {
            Tell(QStringLiteral("Could not load SoundFont %1: %2")
                     .arg(strFile, QString::fromStdString(result->m_error)));
        }
        emit devicesChanged();
    }
}

std::vector<SMidiPortId> CDeviceManager::ListOutputs() {
    std::vector<SMidiPortId> ports = m_fnListOutputs();
    // The program's own ports are no place to send to.
    std::erase_if(ports, [](const SMidiPortId& id) {
        return id.m_name.rfind(std::string(CRtMidiPort::kClientName) + ":", 0) == 0;
    });
    return ports;
}

std::vector<SMidiPortId> CDeviceManager::ListInputs() {
    std::vector<SMidiPortId> ports = CRtMidiInput::ListPorts();
    std::erase_if(ports, [](const SMidiPortId& id) {
        return id.m_name.rfind(std::string(CRtMidiPort::kClientName) + ":", 0) == 0;
    });
    return ports;
}

bool CDeviceManager::SelectOutput(const SMidiPortId& id) {
    if (id == m_output) {
        return true;
    }
    if (!m_switch.Select(id.IsEmpty() ? nullptr : m_fnMakeOutput(id))) {
        Tell(QStringLiteral("MIDI output %1 could not be opened").arg(Name(id)));
        return false;
    }
    m_output = id;
    return true;
}

bool CDeviceManager::SetInputOpen(const SMidiPortId& id, bool bOpen) {
    const auto it = std::find_if(m_inputs.begin(), m_inputs.end(),
                                 [&id](const auto& pInput) { return pInput->GetId() == id; });
    if (!bOpen) {
        if (it != m_inputs.end()) {
            m_inputs.erase(it);
        }
        return true;
    }
    if (it != m_inputs.end()) {
        return true;
    }
    auto pInput = std::make_unique<CRtMidiInput>(id);
    // The input's thread only asks for the drain; the GUI thread does it.
    const bool bOpened = pInput->Open([this] {
        QMetaObject::invokeMethod(this, &CDeviceManager::DrainInputs, Qt::QueuedConnection);
    });
    if (!bOpened) {
        Tell(QStringLiteral("MIDI input %1 could not be opened").arg(Name(id)));
        return false;
    }
    m_inputs.push_back(std::move(pInput));
    return true;
}

std::string CDeviceManager::GetSoundFont() const {
    return m_pSynth != nullptr ? m_pSynth->GetSoundFont() : std::string();
}

void CDeviceManager::ChangeSoundFont(const std::string& path) {
    if (m_pSynth != nullptr) {
        m_pSynth->ChangeSoundFont(path);
    }
}
