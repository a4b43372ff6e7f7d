#include "windows/ScaleFinderDlg.h"

#include "midi/PlayerControl.h"
#include "theory/Scale.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

QString NotesText(std::uint16_t wPitchClasses) {
    QStringList names;
    for (std::size_t n = 0; n < 12; ++n) {
        if ((wPitchClasses >> n) & 1u) {
            names << QString::fromLatin1(CScale::kKeynoteNames[n]);
        }
    }
    return names.isEmpty() ? QStringLiteral("Play some notes") : names.join(QLatin1Char(' '));
}

} // namespace

CScaleFinderDlg::CScaleFinderDlg(QWidget* pParent) : CToolDlg(pParent) {
    setWindowTitle(QStringLiteral("Find Scale"));
    setFixedSize(DluSize(130, 176));

    m_pNotes = new QLabel(NotesText(0), this);
    m_pNotes->setGeometry(DluRect(7, 5, 116, 10));

    m_pList = new QListWidget(this);
    m_pList->setGeometry(DluRect(7, 17, 116, 134));
    // Chosen once the list's own handling is over: the choice refills the list.
    connect(m_pList, &QListWidget::activated, this, [this](const QModelIndex& index) {
        const int nRow = index.row();
        QMetaObject::invokeMethod(
            this, [this, nRow] { ChooseRow(nRow); }, Qt::QueuedConnection);
    });

    m_pHideButton = new QPushButton(QStringLiteral("Hide"), this);
    m_pHideButton->setGeometry(DluRect(47, 155, 36, 14));
    m_pHideButton->setAutoDefault(false);
    connect(m_pHideButton, &QPushButton::clicked, this, &CScaleFinderDlg::reject);
}

void CScaleFinderDlg::Create(IPlayerControl* pView) {
    m_pView = pView;
    Refresh(0);
}

void CScaleFinderDlg::Refresh(std::uint16_t wPitchClasses) {
    const int nKeynote = m_pView != nullptr ? m_pView->GetScale().m_nKeynote % 12 : 0;
    if (wPitchClasses == m_wShownPitchClasses && nKeynote == m_nShownKeynote) {
        return;
    }
    m_wShownPitchClasses = wPitchClasses;
    m_nShownKeynote = nKeynote;
    m_matches = CScaleFinder::Find(wPitchClasses, static_cast<std::uint8_t>(nKeynote));
    m_pNotes->setText(NotesText(wPitchClasses));
    m_pList->clear();
    for (const SScaleMatch& match : m_matches) {
        QString strText = QStringLiteral("%1 : %2").arg(
            QString::fromLatin1(match.pszName),
            QString::fromLatin1(CScale::kKeynoteNames[match.nKeynote]));
        if (match.nOutside > 0) {
            strText += QStringLiteral("  +%1").arg(match.nOutside);
        }
        m_pList->addItem(strText);
    }
}

bool CScaleFinderDlg::ChooseRow(int nRow) {
    if (nRow < 0 || static_cast<std::size_t>(nRow) >= m_matches.size() || m_pView == nullptr) {
        return false;
    }
    const SScaleMatch match = m_matches[static_cast<std::size_t>(nRow)];
    const auto pattern =
        CScale::PatternOf(CScale::kScaleTable[static_cast<std::size_t>(match.nRow)].wMask);
    m_pView->SetTonality(match.nKeynote, pattern.data(), this);
    return true;
}
