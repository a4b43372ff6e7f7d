#pragma once

#include <QTextBrowser>

// The program's manual: a window of its own over the help page bundled with the program.
class CHelpWindow : public QTextBrowser {
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* pParent = nullptr);

    // Shows the window at the section named by strAnchor (the top for an empty name).
    void ShowTopic(const QString& strAnchor);

    static constexpr const char* HELP_PAGE = "qrc:/app/help/index.html";
};
