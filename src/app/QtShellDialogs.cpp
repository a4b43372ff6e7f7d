#include "app/QtShellDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

bool CQtShellDialogs::GetOpenPath(const QStringList& filters, QString& strPath) {
    QFileDialog dlg(m_pParent);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilters(filters);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
        return false;
    }
    strPath = dlg.selectedFiles().constFirst();
    return true;
}

bool CQtShellDialogs::GetSavePath(const QStringList& filters, QString& strPath, int& nFilter) {
    QFileDialog dlg(m_pParent);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setNameFilters(filters);
    // No default suffix: the view appends one only when the name has no extension at all.
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
        return false;
    }
    strPath = dlg.selectedFiles().constFirst();
    nFilter = static_cast<int>(filters.indexOf(dlg.selectedNameFilter())) + 1;
    if (nFilter <= 0) {
        nFilter = 1;
    }
    return true;
}

void CQtShellDialogs::ShowMessage(const QString& strCaption, const QString& strText) {
    QMessageBox::warning(m_pParent, strCaption, strText);
}
