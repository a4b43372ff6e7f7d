#pragma once

#include <QString>
#include <QStringList>

// The modal dialogs and message boxes of the main view, behind one seam so that tests can stand
// in for the user.
class IShellDialogs {
public:
    virtual ~IShellDialogs() = default;

    // Asks for a file to open; false when the user cancelled.
    virtual bool GetOpenPath(const QStringList& filters, QString& strPath) = 0;
    // Asks for a file to save to; nFilter is the 1-based index of the filter the user chose.
    virtual bool GetSavePath(const QStringList& filters, QString& strPath, int& nFilter) = 0;
    // A short modal message with one OK button.
    virtual void ShowMessage(const QString& strCaption, const QString& strText) = 0;
};
