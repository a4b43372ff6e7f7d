#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

// The modal dialogs and message boxes of the main view, behind one seam so that tests can stand
// in for the user.
class IShellDialogs {
public:
    virtual ~IShellDialogs() = default;

    // Asks for a file to open; false when the user cancelled.
    virtual bool GetOpenPath(const QStringList& filters, QString& strPath) = 0;
    // Asks for a file to save to. nFilter comes in as the 1-based index of the filter the
    // dialog starts with and goes out as the one the user chose; startPaths holds, filter by
    // filter, the file whose folder and name the dialog shows while that filter is chosen
    // (empty: the dialog's own choice).
    virtual bool GetSavePath(const QStringList& filters, const QStringList& startPaths,
                             QString& strPath, int& nFilter) = 0;
    // A short modal message with one OK button.
    virtual void ShowMessage(const QString& strCaption, const QString& strText) = 0;
    // A modal question with Qt's standard buttons; the answer is the button chosen, the box's
    // escape button when it was closed.
    virtual QMessageBox::StandardButton Ask(const QString& strCaption, const QString& strText,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton) = 0;
};
