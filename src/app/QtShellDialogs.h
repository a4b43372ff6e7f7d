#pragma once

#include "app/ShellDialogs.h"

class QWidget;

// The shell dialogs on Qt's own file dialog and message box.
class CQtShellDialogs : public IShellDialogs {
public:
    // pParent: the window the dialogs are centred on; null for none.
    explicit CQtShellDialogs(QWidget* pParent = nullptr) : m_pParent(pParent) {}

    bool GetOpenPath(const QStringList& filters, QString& strPath) override;
    bool GetSavePath(const QStringList& filters, const QStringList& startPaths, QString& strPath,
                     int& nFilter) override;
    void ShowMessage(const QString& strCaption, const QString& strText) override;
    QMessageBox::StandardButton Ask(const QString& strCaption, const QString& strText,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) override;

    QWidget* m_pParent;
};
