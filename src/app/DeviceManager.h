#pragma once

#include "windows/DeviceControl.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CFluidSynthPort;
class CPortSwitch;
class CRtMidiInput;
class IMidiPort;

// The program's MIDI devices as the user chooses them: the output the port switch sends to,
// the built-in synthesiser's SoundFont, and the inputs. It looks after them every half second,
// on the GUI thread: a system port that went away is given up (an output for the built-in
// synthesiser) and a SoundFont that finished loading is put in place; the user is told in the
// status bar. What the inputs play reaches the input handler on the GUI thread, in batches.
class CDeviceManager : public QObject, public IDeviceControl {
    Q_OBJECT
public:
    static constexpr int kPollMilliseconds = 500;
    using StatusHandler = std::function<void(const QString&)>;
    // Seams for the tests: how system output ports are listed and made.
    using OutputLister = std::function<std::vector<SMidiPortId>()>;
    using OutputMaker = std::function<std::unique_ptr<IMidiPort>(const SMidiPortId&)>;
    // Given what the inputs played since it was last called, oldest first.
    using InputHandler = std::function<void(const std::vector<std::uint32_t>&)>;

    // pSynth is the built-in port inside portSwitch when it is the embedded synthesiser, else
    // null. Both must outlive the manager.
    CDeviceManager(CPortSwitch& portSwitch, CFluidSynthPort* pSynth, StatusHandler fnStatus);
    ~CDeviceManager() override;

    void SetOutputSeams(OutputLister fnList, OutputMaker fnMake);
    // The output remembered from the last run: one that is gone leaves the built-in synthesiser
    // and a message.
    void RestoreOutput(const SMidiPortId& id);
    // The inputs remembered from the last run: those that are gone are told of.
    void RestoreInputs(const std::vector<SMidiPortId>& ids);
    void SetInputHandler(InputHandler fnInput) { m_fnInput = std::move(fnInput); }
    // Told whenever the inputs are to keep their channels or not (the player's option).
    void SetKeepChannelsHandler(std::function<void(bool)> fnKeep) {
        m_fnKeepChannels = std::move(fnKeep);
    }
    // Hands what the inputs played to the input handler; queued by the inputs' threads.
    void DrainInputs();
    // The timer's work, also called by tests.
    void Poll();

    std::vector<SMidiPortId> ListOutputs() override;
    std::vector<SMidiPortId> ListInputs() override;
    SMidiPortId GetOutput() const override { return m_output; }
    bool SelectOutput(const SMidiPortId& id) override;
    std::vector<SMidiPortId> GetOpenInputs() const override;
    bool SetInputOpen(const SMidiPortId& id, bool bOpen) override;
    bool GetKeepInputChannels() const override { return m_bKeepInputChannels; }
    void SetKeepInputChannels(bool bKeep) override;
    std::string GetSoundFont() const override;
    void ChangeSoundFont(const std::string& path) override;

signals:
    // The output in use or the SoundFont changed by itself (a port went away, a load ended).
    void devicesChanged();
    // The input handler was given a batch.
    void inputHandled();

private:
    void Tell(const QString& strText) const;

    CPortSwitch& m_switch;
    CFluidSynthPort* m_pSynth;
    StatusHandler m_fnStatus;
    OutputLister m_fnListOutputs;
    OutputMaker m_fnMakeOutput;
    SMidiPortId m_output;
    bool m_bKeepInputChannels = false;
    std::vector<std::unique_ptr<CRtMidiInput>> m_inputs;
    InputHandler m_fnInput;
    std::vector<std::uint32_t> m_batch;
    std::function<void(bool)> m_fnKeepChannels;
    QTimer m_pollTimer;
};
