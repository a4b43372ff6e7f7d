#include "app/AboutDlg.h"

#include "app/AppResources.h"
#include "commands/CommandIds.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace {

// The box is laid out in dialog units: x * 1.5 and y * 1.625 pixels.
QRect DialogRect(int x, int y, int cx, int cy) {
    return {x * 3 / 2, y * 13 / 8, cx * 3 / 2, cy * 13 / 8};
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent) {
    CAppResources::Init();
    setObjectName(QStringLiteral("IDD_ABOUTBOX"));
    setWindowTitle(QStringLiteral("About Vorkeln"));
    setModal(true);
    setFixedSize(DialogRect(0, 0, 220, 71).size());

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("IDC_ABOUT_PICTURE"));
    m_picture->setGeometry(DialogRect(7, 7, 62, 57));
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_bmpFirst = CAppResources::Densities(QStringLiteral("about1"));
    m_bmpAlt = CAppResources::Densities(QStringLiteral("about2"));
    ShowPicture();

    const auto addLine = [this](int y, const QString& strText) {
        auto* pLabel = new QLabel(strText, this);
        pLabel->move(DialogRect(81, y, 0, 0).topLeft());
        pLabel->adjustSize();
    };
    addLine(11, QStringLiteral("Vorkeln Version 1.0"));
    addLine(23, QStringLiteral("Released 2026"));
    addLine(41, QStringLiteral("By the Vorkeln developers"));
    addLine(53, QStringLiteral("vorkeln@example.org"));

    auto* pOk = new QPushButton(QStringLiteral("OK"), this);
    pOk->setGeometry(DialogRect(163, 7, 50, 14));
    pOk->setDefault(true);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    // Only the box's own surface counts: the picture and the texts are no targets.
    if (pEvent->button() == Qt::LeftButton && (pEvent->modifiers() & Qt::ControlModifier) &&
        childAt(pEvent->position().toPoint()) == nullptr) {
        m_bAltShown = true;
        ShowPicture();
    }
    QDialog::mouseDoubleClickEvent(pEvent);
}

bool CAboutDlg::event(QEvent* pEvent) {
    // Moved to a screen of another density: the drawing for that density.
    if (pEvent->type() == QEvent::ScreenChangeInternal)
        ShowPicture();
    return QDialog::event(pEvent);
}

void CAboutDlg::ShowPicture() {
    m_picture->setPixmap(
        CAppResources::ForRatio(m_bAltShown ? m_bmpAlt : m_bmpFirst, devicePixelRatioF()));
}
