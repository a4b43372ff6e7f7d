#pragma once

#include "windows/DeviceControl.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class CFluidSynthPort;
class CPortSwitch;
class IMidiPort;

// The program's MIDI devices as the user chooses them: the output the port switch sends to,
// the built-in synthesiser's SoundFont, and (later) the inputs. It looks after them every half
// second, on the GUI thread: a system output that went away is given up for the built-in
// synthesiser and a SoundFont that finished loading is put in place; the user is told in the
// status bar.
class CDeviceManager : public QObject, public IDeviceControl {
    Q_OBJECT
public:
    static constexpr int kPollMilliseconds = 500;
    using StatusHandler = std::function<void(const QString&)>;
    // Seams for the tests: how system output ports are listed and made.
    using OutputLister = std::function<std::vector<SMidiPortId>()>;
    using OutputMaker = std::function<std::unique_ptr<IMidiPort>(const SMidiPortId&)>;

    // pSynth is the built-in port inside portSwitch when it is the embedded synthesiser, else
    // null. Both must outlive the manager.
    CDeviceManager(CPortSwitch& portSwitch, CFluidSynthPort* pSynth, StatusHandler fnStatus);
    ~CDeviceManager() override;

    void SetOutputSeams(OutputLister fnList, OutputMaker fnMake);
    // The output remembered from the last run: one that is gone leaves the built-in synthesiser
    // and a message.
    void RestoreOutput(const SMidiPortId& id);
    // The timer's work, also called by tests.
    void Poll();

    std::vector<SMidiPortId> ListOutputs() override;
    std::vector<SMidiPortId> ListInputs() override;
    SMidiPortId GetOutput() const override { return m_output; }
    bool SelectOutput(const SMidiPortId& id) override;
    std::vector<SMidiPortId> GetOpenInputs() const override { return {}; }
    bool SetInputOpen(const SMidiPortId& id, bool bOpen) override;
    bool GetKeepInputChannels() const override { return m_bKeepInputChannels; }
    void SetKeepInputChannels(bool bKeep) override { m_bKeepInputChannels = bKeep; }
    std::string GetSoundFont() const override;
    void ChangeSoundFont(const std::string& path) override;

signals:
    // The output in use or the SoundFont changed by itself (a port went away, a load ended).
    void devicesChanged();

private:
    void Tell(const QString& strText) const;

    CPortSwitch& m_switch;
    CFluidSynthPort* m_pSynth;
    StatusHandler m_fnStatus;
    OutputLister m_fnListOutputs;
    OutputMaker m_fnMakeOutput;
    SMidiPortId m_output;
    bool m_bKeepInputChannels = false;
    QTimer m_pollTimer;
};
