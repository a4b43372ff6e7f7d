#include "app/ToolBar.h"

#include "app/CommandTable.h"
#include "commands/CommandIds.h"

#include <QAction>
#include <QIcon>

#include <utility>

CToolBar::CToolBar(QWidget* pParent) : QToolBar(pParent) {
    setObjectName(QStringLiteral("toolbar"));
    setWindowTitle(QStringLiteral("Toolbar"));
    setIconSize(QSize(CCommandTable::TOOLBAR_IMAGE_SIZE, CCommandTable::TOOLBAR_IMAGE_SIZE));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void CToolBar::LoadToolBar(std::vector<QPixmap> strips, std::function<void(unsigned)> fnCommand) {
    m_strips = std::move(strips);
    for (const SToolButton& button : CCommandTable::ToolBar()) {
        if (button.nID == 0) {
            m_buttons.push_back({0, TBBS_SEPARATOR, -1, addSeparator()});
            continue;
        }
        auto* pAction = new QAction(this);
        pAction->setData(button.nID);
        pAction->setIcon(StripIcon(button.nImage));
        // Only a prompt with a "\n" part gives its button a tool tip; the action has no text
        // of its own so that Qt does not invent one.
        if (const SCommandInfo* pInfo = CCommandTable::Find(button.nID);
            pInfo != nullptr && pInfo->pszPrompt != nullptr) {
            const QString strPrompt = QString::fromUtf8(pInfo->pszPrompt);
            pAction->setStatusTip(strPrompt.section(QLatin1Char('\n'), 0, 0));
            pAction->setToolTip(strPrompt.section(QLatin1Char('\n'), 1));
        }
        connect(pAction, &QAction::triggered, this, [fnCommand, pAction]() {
            if (fnCommand)
                fnCommand(pAction->data().toUInt());
        });
        addAction(pAction);
        m_buttons.push_back({button.nID, TBBS_BUTTON, button.nImage, pAction});
    }
}

int CToolBar::CommandToIndex(unsigned nID) const {
    if (nID == 0)
        return -1;
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i].nID == nID)
            return static_cast<int>(i);
    }
    return -1;
}

bool CToolBar::GetButtonInfo(int nIndex, unsigned& nID, unsigned& nStyle, int& nImage) const {
    if (nIndex < 0 || nIndex >= GetCount())
        return false;
    const SButton& button = m_buttons[static_cast<std::size_t>(nIndex)];
    nID = button.nID;
    nStyle = button.nStyle;
    nImage = button.nImage;
    return true;
}

bool CToolBar::SetButtonInfo(int nIndex, unsigned nID, unsigned nStyle, int nImage) {
    if (nIndex < 0 || nIndex >= GetCount())
        return false;
    SButton& button = m_buttons[static_cast<std::size_t>(nIndex)];
    if (button.nStyle == TBBS_SEPARATOR || nStyle != TBBS_BUTTON)
        return false;
    if (nImage < 0 || nImage >= CCommandTable::TOOLBAR_IMAGE_COUNT)
        return false;
    button.nID = nID;
    button.nImage = nImage;
    button.pAction->setData(nID);
    button.pAction->setIcon(StripIcon(nImage));
    return true;
}

int CToolBar::GetButtonImage(unsigned nID) const {
    const int nIndex = CommandToIndex(nID);
    return nIndex < 0 ? -1 : m_buttons[static_cast<std::size_t>(nIndex)].nImage;
}

QAction* CToolBar::GetButtonAction(unsigned nID) const {
    const int nIndex = CommandToIndex(nID);
    return nIndex < 0 ? nullptr : m_buttons[static_cast<std::size_t>(nIndex)].pAction;
}

QPixmap CToolBar::StripImage(int nImage) const {
    constexpr int nSize = CCommandTable::TOOLBAR_IMAGE_SIZE;
    return m_strips.empty() ? QPixmap() : m_strips.front().copy(nImage * nSize, 0, nSize, nSize);
}

QIcon CToolBar::StripIcon(int nImage) const {
    QIcon icon;
    for (const QPixmap& pmStrip : m_strips) {
        const double dRatio = pmStrip.devicePixelRatio();
        const int nSide = qRound(CCommandTable::TOOLBAR_IMAGE_SIZE * dRatio);
        QPixmap pm = pmStrip.copy(nImage * nSide, 0, nSide, nSide);
        pm.setDevicePixelRatio(dRatio);
        icon.addPixmap(pm);
    }
    return icon;
}
