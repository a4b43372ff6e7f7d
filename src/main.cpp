#include "app/MainFrame.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    CMainFrame frame;
    frame.show();
    return QApplication::exec();
}
