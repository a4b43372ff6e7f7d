#include "app/HelpWindow.h"

#include "app/AppResources.h"

#include <QUrl>

CHelpWindow::CHelpWindow(QWidget* pParent) : QTextBrowser(pParent) {
    CAppResources::Init();
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Vorkeln Help"));
    setOpenExternalLinks(true);
    resize(720, 760);
    setSource(QUrl(QString::fromLatin1(HELP_PAGE)));
}

void CHelpWindow::ShowTopic(const QString& strAnchor) {
    QUrl url(QString::fromLatin1(HELP_PAGE));
    if (!strAnchor.isEmpty())
        url.setFragment(strAnchor);
    setSource(url);
    if (strAnchor.isEmpty())
        scrollToAnchor(QString());
    show();
    raise();
    activateWindow();
}
