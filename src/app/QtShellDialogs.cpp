#include "app/QtShellDialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

// Shows the folder and name of strPath in the dialog, when there is one.
void StartAt(QFileDialog& dlg, const QString& strPath) {
    if (strPath.isEmpty()) {
        return;
    }
    const QFileInfo info(strPath);
    dlg.setDirectory(info.absolutePath());
    dlg.selectFile(info.fileName());
}

} // namespace

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

bool CQtShellDialogs::GetSavePath(const QStringList& filters, const QStringList& startPaths,
                                  QString& strPath, int& nFilter) {
    QFileDialog dlg(m_pParent);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setNameFilters(filters);
    // No default suffix: the view appends one only when the name has no extension at all.
    if (nFilter >= 1 && nFilter <= filters.size()) {
        dlg.selectNameFilter(filters.at(nFilter - 1));
        StartAt(dlg, startPaths.value(nFilter - 1));
    }
    // Each kind of file starts where the last one of its kind was.
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg,
                     [&dlg, &filters, &startPaths](const QString& strFilter) {
                         StartAt(dlg, startPaths.value(filters.indexOf(strFilter)));
                     });
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

QMessageBox::StandardButton CQtShellDialogs::Ask(const QString& strCaption, const QString& strText,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::Question, strCaption, strText, buttons, m_pParent);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
