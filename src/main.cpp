#include "app/AppSettings.h"
#include "app/DeviceManager.h"
#include "app/MainFrame.h"
#include "app/MainView.h"
#include "app/QtShellDialogs.h"
#include "midi/PortSwitch.h"
#include "program/StateKeeper.h"
#include "program/VorkelnApp.h"
#include "sound/FluidSynthPort.h"
#include "windows/DevicesDlg.h"

#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    CVorkelnApp::InitNames();
    const QString strSettingsFile = CAppSettings::DefaultFile();
    CAppSettings settings;
    QString strProblem;
    if (!settings.Load(strSettingsFile, &strProblem)) {
        std::fprintf(stderr, "vorkeln: settings in %s ignored, as %s\n",
                     qPrintable(strSettingsFile), qPrintable(strProblem));
    }

    // Declared before the frame so that it outlives the view.
    CQtShellDialogs dialogs;
    CVorkelnApp theApp;
    if (!theApp.InitInstance()) {
        return 1;
    }
    CMainFrame* pFrame = theApp.GetMainFrame();
    dialogs.m_pParent = pFrame;

    // A remembered SoundFont that cannot be used leaves the system's, and a message.
    std::string soundFont = settings.m_strSoundFont.toStdString();
    QString strSoundFontProblem;
    if (!soundFont.empty()) {
        const std::string reason = CFluidSynthPort::CheckSoundFontFile(soundFont);
        if (!reason.empty()) {
            strSoundFontProblem = QStringLiteral("Could not load SoundFont %1: %2")
                                      .arg(QFileInfo(settings.m_strSoundFont).fileName(),
                                           QString::fromStdString(reason));
            soundFont.clear();
        }
    }
    // The synthesiser loads its SoundFont on a thread of its own, so the window does not wait.
    auto pSynthPort = std::make_unique<CFluidSynthPort>(CFluidSynthPort::EAudio::Device, soundFont);
    CFluidSynthPort* pSynth = pSynthPort.get();
    auto pSwitchPort = std::make_unique<CPortSwitch>(std::move(pSynthPort));
    CPortSwitch* pSwitch = pSwitchPort.get();
    auto* pView = new CMainView(std::move(pSwitchPort), dialogs);
    pFrame->SetView(pView, pView);

    IFrameReport& report = *pFrame;
    CDeviceManager devices(*pSwitch, pSynth,
                           [&report](const QString& strText) { report.ShowMessage(strText); });
    CDevicesDlg devicesDlg(pFrame);
    devicesDlg.Create(&devices);
    QObject::connect(&devices, &CDeviceManager::devicesChanged, &devicesDlg, [&devicesDlg] {
        if (devicesDlg.isVisible()) {
            devicesDlg.Refresh();
        }
    });
    pFrame->SetDevicesWindow(&devicesDlg);
    devices.SetInputHandler(
        [pView](const std::vector<std::uint32_t>& messages) { pView->OnInputMessages(messages); });
    devices.SetKeepChannelsHandler([pView](bool bKeep) { pView->m_bKeepInputChannels = bKeep; });

    CStateKeeper keeper(*pFrame, *pView, devicesDlg, devices);
    keeper.Apply(settings);
    keeper.ShowToolWindows(settings);
    if (!strSoundFontProblem.isEmpty()) {
        report.ShowMessage(strSoundFontProblem);
    }
    pFrame->SetCloseHandler([&keeper, &settings, strSettingsFile] {
        keeper.Gather(settings);
        settings.Save(strSettingsFile);
    });
    pFrame->SetDropHandler([pView](const QStringList& files) { pView->OpenFiles(files); });

    // Without a data folder the program runs on, only without a recovery file.
    pView->EnableRecovery(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    // Files named on the command line open once the window is up, after any recovery question.
    const QStringList files = QApplication::arguments().mid(1);
    if (!files.isEmpty()) {
        QTimer::singleShot(0, pView, [pView, files] { pView->OpenFiles(files); });
    }
    const int nResult = QApplication::exec();
    pFrame->SetCloseHandler(nullptr);
    return nResult;
}
