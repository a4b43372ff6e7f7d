#include "app/MainFrame.h"
#include "app/MainView.h"
#include "app/QtShellDialogs.h"
#include "app/VorkelnApp.h"
#include "sound/FluidSynthPort.h"

#include <QApplication>
#include <QStandardPaths>

#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Declared before the frame so that it outlives the view.
    CQtShellDialogs dialogs;
    CVorkelnApp theApp;
    if (!theApp.InitInstance()) {
        return 1;
    }
    CMainFrame* pFrame = theApp.GetMainFrame();
    dialogs.m_pParent = pFrame;
    // The synthesiser loads its SoundFont on a thread of its own, so the window does not wait.
    auto* pView = new CMainView(std::make_unique<CFluidSynthPort>(), dialogs);
    pFrame->SetView(pView, pView);
    // Without a data folder the program runs on, only without a recovery file.
    pView->EnableRecovery(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    return QApplication::exec();
}
