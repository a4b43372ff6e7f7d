#include "windows/ToolDlg.h"

#include "midi/PlayerControl.h"

#include <QFont>
#include <QHideEvent>
#include <QShowEvent>
#include <QtMath>

CToolDlg::CToolDlg(QWidget* pParent) : QDialog(pParent, Qt::Tool) {
    // The templates were laid out for a narrow 8 pt sans serif; wider faces would not fit the
    // controls, so ask for the narrow ones each platform has before the default.
    QFont font = this->font();
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Arial"), QStringLiteral("Helvetica"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                      font.family()});
    font.setPointSize(8);
    setFont(font);
    setModal(false);
}

QRect CToolDlg::DluRect(int x, int y, int cx, int cy) {
    return {qRound(x * 1.5), qRound(y * 1.625), qRound(cx * 1.5), qRound(cy * 1.625)};
}

QSize CToolDlg::DluSize(int cx, int cy) {
    return {qRound(cx * 1.5), qRound(cy * 1.625)};
}

void CToolDlg::SendControl(std::uint32_t nCode, std::uint32_t nValue) {
    if (m_pView != nullptr) {
        m_pView->SetControl(nCode, nValue);
    }
}

void CToolDlg::reject() {
    OnShowWindow(false);
    QDialog::reject();
}

void CToolDlg::showEvent(QShowEvent* pEvent) {
    QDialog::showEvent(pEvent);
    // A spontaneous show or hide comes from the window system (the owner minimised or
    // restored): the user's choice, and so the check mark, stays as it was.
    if (!pEvent->spontaneous()) {
        OnShowWindow(true);
    }
}

void CToolDlg::hideEvent(QHideEvent* pEvent) {
    QDialog::hideEvent(pEvent);
    if (!pEvent->spontaneous()) {
        OnShowWindow(false);
    }
}

void CToolDlg::OnShowWindow(bool bShow) {
    if (m_bShown == bShow) {
        return;
    }
    m_bShown = bShow;
    emit shownChanged(bShow);
}
