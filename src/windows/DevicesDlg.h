#pragma once

#include "sound/MidiPortId.h"
#include "windows/ToolDlg.h"

#include <QString>

#include <functional>
#include <vector>

class IDeviceControl;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The "Devices" tool window: where the sound goes (the built-in synthesiser or a system MIDI
// output), which system MIDI inputs play the keyboard, and the built-in synthesiser's SoundFont.
// It lists the ports when it is shown and on "Refresh", and reaches the devices only through
// IDeviceControl.
class CDevicesDlg : public CToolDlg {
    Q_OBJECT
public:
    static constexpr const char* kBuiltIn = "Built-in synthesiser";
    // The seam for the file dialog, so that tests can stand in for the user: the chosen file,
    // empty when none was.
    using FileChooser = std::function<QString(const QString& strCurrent)>;

    explicit CDevicesDlg(QWidget* pParent = nullptr);

    void Create(IDeviceControl* pDevices);
    void SetFileChooser(FileChooser fnChoose) { m_fnChooseFile = std::move(fnChoose); }
    // Lists the ports again and shows what is in use.
    void Refresh();
    // Shows the SoundFont in use (it changes when a load ends).
    void UpdateSoundFont();

    QComboBox* OutputCombo() const { return m_comboOutput; }
    QListWidget* InputList() const { return m_listInputs; }
    QCheckBox* KeepChannelsCheck() const { return m_checkKeepChannels; }
    QPushButton* RefreshButton() const { return m_buttonRefresh; }
    QPushButton* SoundFontButton() const { return m_buttonSoundFont; }
    QLabel* SoundFontStatic() const { return m_staticSoundFont; }

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    void OnOutputChosen(int nIndex);
    void OnInputChanged(QListWidgetItem* pItem);
    void OnChooseSoundFont();

    IDeviceControl* m_pDevices = nullptr;
    std::vector<SMidiPortId> m_outputs; // the combo's rows after the first
    std::vector<SMidiPortId> m_inputs;  // the list's rows
    QComboBox* m_comboOutput = nullptr;
    QListWidget* m_listInputs = nullptr;
    QCheckBox* m_checkKeepChannels = nullptr;
    QPushButton* m_buttonRefresh = nullptr;
    QLabel* m_staticSoundFont = nullptr;
    QPushButton* m_buttonSoundFont = nullptr;
    FileChooser m_fnChooseFile;
};
