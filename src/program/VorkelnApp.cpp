#include "program/VorkelnApp.h"

#include "app/AppResources.h"
#include "app/MainFrame.h"

#include <QApplication>
#include <QIcon>

CVorkelnApp::CVorkelnApp() = default;

CVorkelnApp::~CVorkelnApp() = default;

void CVorkelnApp::InitNames() {
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("Vorkeln"));
}

bool CVorkelnApp::InitInstance() {
    CAppResources::Init();
    InitNames();
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
    QGuiApplication::setDesktopFileName(QStringLiteral("vorkeln"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/vorkeln.png")));

    m_pMainWnd = std::make_unique<CMainFrame>();
    m_pMainWnd->show();
    return true;
}
