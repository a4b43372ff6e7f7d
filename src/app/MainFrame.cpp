#include "app/MainFrame.h"

CMainFrame::CMainFrame(QWidget* pParent) : QMainWindow(pParent) {
    setWindowTitle(QStringLiteral("Vorkeln"));
    resize(1024, 700);
}
