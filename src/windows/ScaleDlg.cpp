#include "windows/ScaleDlg.h"

#include "midi/PlayerControl.h"
#include "theory/Scale.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

namespace {
constexpr const char* kAppTitle = "Vorkeln";
} // namespace

CScaleDlg::CScaleDlg(QWidget* pParent) : CToolDlg(pParent) {
    setWindowTitle(QStringLiteral("Scale"));
    setFixedSize(DluSize(50, 156));

    for (int k = 0; k < 12; ++k) {
        auto* pBox = new QCheckBox(QStringLiteral("#0"), this);
        pBox->setObjectName(QStringLiteral("IDC_DEGREE_%1").arg(k));
        pBox->setGeometry(DluRect(13, 117 - 10 * k, 25, 10));
        const int nID = kIdDegree0 + k;
        connect(pBox, &QCheckBox::clicked, this, [this, nID] { OnDegreeClicked(nID); });
        m_checkDegree[static_cast<std::size_t>(k)] = pBox;
    }
    // The keynote's box is flat: it can never be ticked, so it needs no check mark either.
    m_checkDegree[0]->setStyleSheet(QStringLiteral(
        "QCheckBox::indicator { width: 11px; height: 11px; border: 1px solid palette(text);"
        " background: palette(base); }"));

    m_pHideButton = new QPushButton(QStringLiteral("Hide"), this);
    m_pHideButton->setGeometry(DluRect(7, 135, 36, 14));
    m_pHideButton->setAutoDefault(false);
    connect(m_pHideButton, &QPushButton::clicked, this, &CScaleDlg::reject);
}

void CScaleDlg::Create(IPlayerControl* pView) {
    m_pView = pView;
    Refresh();
}

void CScaleDlg::Refresh() {
    if (m_pView == nullptr) {
        return;
    }
    const CScale& scale = m_pView->GetScale();
    m_nShownKeynote = static_cast<std::uint8_t>(scale.m_nKeynote % 12);
    for (int k = 0; k < 12; ++k) {
        QCheckBox* pBox = m_checkDegree[static_cast<std::size_t>(k)];
        pBox->setChecked((scale.m_degree[static_cast<std::size_t>(k)] & 1) != 0);
        pBox->setText(QString::fromLatin1(
            CScale::kKeynoteNames[static_cast<std::size_t>((m_nShownKeynote + k) % 12)]));
    }
}

void CScaleDlg::OnDegreeClicked(int nID) {
    const int nDegree = nID - kIdDegree0;
    if (nDegree < 0 || nDegree >= 12 || m_pView == nullptr) {
        return;
    }
    if (nDegree == 0) {
        m_checkDegree[0]->setChecked(false);
        ShowMessage(QStringLiteral("Tonika must be white"), QString::fromLatin1(kAppTitle));
        return;
    }
    // Every box is read, not only the clicked one, so the scale is exactly what is shown.
    std::array<std::uint8_t, 12> pattern{};
    pattern[0] = CScale::kKeynote;
    for (std::size_t k = 1; k < 12; ++k) {
        pattern[k] = m_checkDegree[k]->isChecked() ? CScale::kBlack : CScale::kWhite;
    }
    m_pView->SetTonality(m_nShownKeynote, pattern.data(), this);
}

void CScaleDlg::ShowMessage(const QString& strText, const QString& strCaption) {
    QMessageBox box(QMessageBox::NoIcon, strCaption, strText, QMessageBox::Ok, this);
    box.exec();
}
