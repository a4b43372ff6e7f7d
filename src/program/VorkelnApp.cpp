#include "program/VorkelnApp.h"

#include "app/MainFrame.h"

#include <QApplication>
#include <QIcon>

// Outside any namespace: the macro declares the generated function where it stands.
static void InitResourcesOnce() {
    Q_INIT_RESOURCE(vorkeln_app);
}

CVorkelnApp::CVorkelnApp() = default;

CVorkelnApp::~CVorkelnApp() = default;

void CVorkelnApp::InitResources() {
    static const bool s_bDone = (InitResourcesOnce(), true);
    (void)s_bDone;
}

void CVorkelnApp::InitNames() {
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("Vorkeln"));
}

bool CVorkelnApp::InitInstance() {
    InitResources();
    InitNames();
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
    QGuiApplication::setDesktopFileName(QStringLiteral("vorkeln"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/vorkeln.png")));

    m_pMainWnd = std::make_unique<CMainFrame>();
    m_pMainWnd->show();
    return true;
}
