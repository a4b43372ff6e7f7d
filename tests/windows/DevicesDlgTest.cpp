#include "windows/DevicesDlg.h"
#include "windows/DeviceControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Devices that do what they are told, except opening the inputs listed in m_refused.
class CStandInDevices : public IDeviceControl {
public:
    std::vector<SMidiPortId> ListOutputs() override { return m_outputs; }
    std::vector<SMidiPortId> ListInputs() override { return m_inputs; }
    SMidiPortId GetOutput() const override { return m_output; }
    bool SelectOutput(const SMidiPortId& id) override {
        m_output = id;
        return true;
    }
    std::vector<SMidiPortId> GetOpenInputs() const override { return m_open; }
    bool SetInputOpen(const SMidiPortId& id, bool bOpen) override {
        std::erase(m_open, id);
        if (bOpen && std::find(m_refused.begin(), m_refused.end(), id) != m_refused.end()) {
            return false;
        }
        if (bOpen) {
            m_open.push_back(id);
        }
        return true;
    }
    bool GetKeepInputChannels() const override { return m_bKeep; }
    void SetKeepInputChannels(bool bKeep) override { m_bKeep = bKeep; }
    std::string GetSoundFont() const override { return m_soundFont; }
    void ChangeSoundFont(const std::string& path) override { m_changes.push_back(path); }

    std::vector<SMidiPortId> m_outputs{{"alsa", "Synth:in 128:0"}};
    std::vector<SMidiPortId> m_inputs{{"jack", "keys:out"}, {"jack", "pads:out"}};
    std::vector<SMidiPortId> m_open;
    std::vector<SMidiPortId> m_refused{{"jack", "pads:out"}};
    SMidiPortId m_output;
    bool m_bKeep = false;
    std::string m_soundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
    std::vector<std::string> m_changes;
};

} // namespace

TEST(DevicesDlg, TicksOpenInputsAndAnInputThatDoesNotOpenStaysUnticked) {
    CStandInDevices devices;
    devices.m_open = {{"jack", "gone:out"}}; // open, though no longer listed
    CDevicesDlg dlg;
    dlg.Create(&devices);
    dlg.Refresh();
    QListWidget* pList = dlg.InputList();
    ASSERT_EQ(pList->count(), 3);
    EXPECT_EQ(pList->item(2)->text(), QStringLiteral("Jack: gone:out"));
    EXPECT_EQ(pList->item(2)->checkState(), Qt::Checked);
    pList->item(0)->setCheckState(Qt::Checked);
    pList->item(1)->setCheckState(Qt::Checked);
    EXPECT_EQ(pList->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(pList->item(1)->checkState(), Qt::Unchecked);
    pList->item(2)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(devices.m_open, (std::vector<SMidiPortId>{{"jack", "keys:out"}}));

    dlg.KeepChannelsCheck()->setChecked(true);
    EXPECT_TRUE(devices.m_bKeep);
    EXPECT_EQ(dlg.OutputCombo()->itemText(1), QStringLiteral("ALSA: Synth:in 128:0"));
}

TEST(DevicesDlg, ChoosingASoundFontAsksTheDevicesAndShowsTheFileInUse) {
    CStandInDevices devices;
    CDevicesDlg dlg;
    dlg.Create(&devices);
    dlg.Refresh();
    EXPECT_EQ(dlg.SoundFontStatic()->text(), QStringLiteral("FluidR3_GM.sf2"));
    QString strOffered;
    QString strChosen;
    dlg.SetFileChooser([&](const QString& strCurrent) {
        strOffered = strCurrent;
        return strChosen;
    });
    dlg.SoundFontButton()->click(); // cancelled
    EXPECT_TRUE(devices.m_changes.empty());
    EXPECT_EQ(strOffered, QString::fromStdString(devices.m_soundFont));
    strChosen = QStringLiteral("/tmp/other.sf3");
    dlg.SoundFontButton()->click();
    EXPECT_EQ(devices.m_changes, (std::vector<std::string>{"/tmp/other.sf3"}));
    devices.m_soundFont = "/tmp/other.sf3";
    dlg.UpdateSoundFont();
    EXPECT_EQ(dlg.SoundFontStatic()->text(), QStringLiteral("other.sf3"));
}
