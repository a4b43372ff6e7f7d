#include "app/VorkelnApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    CVorkelnApp theApp;
    if (!theApp.InitInstance())
        return 1;
    return QApplication::exec();
}
