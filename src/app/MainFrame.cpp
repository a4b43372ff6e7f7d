#include "app/MainFrame.h"

#include "app/AboutDlg.h"
#include "app/AppResources.h"
#include "app/CommandTable.h"
#include "app/CommandTarget.h"
#include "app/HelpWindow.h"
#include "app/ModeStatusBar.h"
#include "app/ToolBar.h"
#include "commands/CommandIds.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QIcon>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

#include <vector>

namespace {

// Check marks belong to the command handlers, not to Qt: the state a handler last set is
// kept here and put back when Qt flips a checkable action on its own.
constexpr const char* g_pszCheckedProperty = "vorkelnChecked";

QString MenuText(const SCommandInfo& info) {
    QString strText = QString::fromUtf8(info.pszText);
    if (info.pszHint != nullptr)
        strText += QLatin1Char('\t') + QString::fromUtf8(info.pszHint);
    return strText;
}

} // namespace

CMainFrame::CMainFrame(QWidget* pParent) : QMainWindow(pParent) {
    CAppResources::Init();
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(QStringLiteral("Vorkeln[*]"));
    setWindowIcon(QIcon(QStringLiteral(":/app/vorkeln.png")));
    resize(1024, 700);

    auto* pPlaceholder = new QWidget(this);
    pPlaceholder->setFocusPolicy(Qt::StrongFocus);
    setCentralWidget(pPlaceholder);

    BuildMenu();

    m_pToolBar = new CToolBar(this);
    m_pToolBar->LoadToolBar(CAppResources::Densities(QStringLiteral("toolbar")),
                            [this](unsigned nID) { OnCommand(nID); });
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    m_pToolBar->hide();
    connect(m_pToolBar, &QToolBar::visibilityChanged, this,
            [this]() { CheckMenuItem(ID_VIEW_TOOLBAR, !m_pToolBar->isHidden()); });

    m_pStatusBar = new CModeStatusBar(this);
    setStatusBar(m_pStatusBar);
    m_pStatusBar->SetPenHandler([this](const QColor& clrPen, int nWidth) {
        if (m_pTarget != nullptr) {
            m_pTarget->OnPenChanged(clrPen, nWidth);
        }
    });
    CheckMenuItem(ID_VIEW_STATUS_BAR, true);

    // The note player starts in C natural major; selecting C shows it.
    m_pStatusBar->SetTonalityText(QStringLiteral("Natural Major"), QStringLiteral("c"));
    OnCommand(ID_TONALITY_KEY_C);

    m_fnRunAbout = [](CAboutDlg& dlg) { dlg.exec(); };
    setAcceptDrops(true);
}

CMainFrame::~CMainFrame() {
    // The view goes first, while the frame it reports to is still whole.
    delete takeCentralWidget();
}

void CMainFrame::SetView(QWidget* pView, ICommandTarget* pTarget) {
    if (m_pTarget != nullptr) {
        m_pTarget->SetFrameReport(nullptr);
    }
    if (pView != nullptr) {
        pView->setFocusPolicy(Qt::StrongFocus);
        setCentralWidget(pView);
        setFocusProxy(pView);
        pView->setFocus();
    }
    m_pTarget = pTarget;
    if (m_pTarget != nullptr) {
        m_pTarget->SetFrameReport(this);
    }
    OnCommand(ID_TONALITY_KEY_C);
}

QWidget* CMainFrame::GetView() const {
    return centralWidget();
}

bool CMainFrame::OnCommand(unsigned nID) {
    if (m_pTarget != nullptr && m_pTarget->OnCommand(nID))
        return true;
    switch (nID) {
    case ID_APP_EXIT:
        close();
        return true;
    case ID_APP_ABOUT:
        OnAppAbout();
        return true;
    case ID_VIEW_TOOLBAR:
        ToggleToolBar();
        return true;
    case ID_VIEW_STATUS_BAR:
        ToggleStatusBar();
        return true;
    case ID_HELP_FINDER:
    case ID_DEFAULT_HELP:
    case ID_HELP:
        ShowHelp(QString());
        return true;
    case ID_CONTEXT_HELP:
        ShowHelp(QStringLiteral("commands"));
        return true;
    case ID_TOOLS_DEVICES:
        if (m_pDevicesWindow != nullptr) {
            m_pDevicesWindow->show();
            m_pDevicesWindow->raise();
            m_pDevicesWindow->activateWindow();
        }
        return true;
    case ID_PEN_WIDTH_1:
    case ID_PEN_WIDTH_2:
    case ID_PEN_WIDTH_6:
    case ID_PEN_WIDTH_10:
        m_pStatusBar->OnPenWidth(nID);
        return true;
    default:
        break;
    }
    // Without a view the Keynote menu still keeps its radio mark.
    if (m_pTarget == nullptr && nID >= ID_TONALITY_KEY_C && nID <= ID_TONALITY_KEY_B) {
        CheckMenuRadioItem(ID_TONALITY_KEY_C, ID_TONALITY_KEY_B, nID);
        return true;
    }
    return false;
}

void CMainFrame::CheckMenuItem(unsigned nID, bool bChecked) {
    QAction* pAction = GetCommandAction(nID);
    if (pAction == nullptr)
        return;
    if (bChecked)
        pAction->setCheckable(true);
    pAction->setProperty(g_pszCheckedProperty, bChecked);
    pAction->setChecked(bChecked);
}

bool CMainFrame::IsMenuItemChecked(unsigned nID) const {
    const QAction* pAction = GetCommandAction(nID);
    return pAction != nullptr && pAction->isChecked();
}

void CMainFrame::CheckMenuRadioItem(unsigned nFirst, unsigned nLast, unsigned nCheck) {
    for (unsigned nID = nFirst; nID <= nLast; ++nID) {
        if (nID != nCheck)
            CheckMenuItem(nID, false);
    }
    if (nCheck >= nFirst && nCheck <= nLast)
        CheckMenuItem(nCheck, true);
}

void CMainFrame::CheckCommand(unsigned nID, bool bChecked, bool bToolbar) {
    CheckMenuItem(nID, bChecked);
    if (!bToolbar)
        return;
    const int nIndex = m_pToolBar->CommandToIndex(nID);
    unsigned nButtonID = 0;
    unsigned nStyle = 0;
    int nImage = 0;
    if (!m_pToolBar->GetButtonInfo(nIndex, nButtonID, nStyle, nImage))
        return;
    // The picture follows the state rather than stepping by 9 on every call, so telling the
    // same state twice cannot push the image off its pair.
    for (const SToolButton& button : CCommandTable::ToolBar()) {
        if (button.nID != nButtonID)
            continue;
        const int nWanted = bChecked ? button.nImage + TOOLBAR_ON_IMAGE_OFFSET : button.nImage;
        if (nWanted != nImage)
            m_pToolBar->SetButtonInfo(nIndex, nButtonID, nStyle, nWanted);
        return;
    }
}

void CMainFrame::SetModeFlags(std::uint32_t dwFlags) {
    m_pStatusBar->SetFlags(dwFlags);
}

void CMainFrame::SetTonalityText(const QString& strScale, const QString& strKeynote) {
    m_pStatusBar->SetTonalityText(strScale, strKeynote);
}

void CMainFrame::SetChordNameText(const QString& strName) {
    m_pStatusBar->SetChordNameText(strName);
}

void CMainFrame::SetDocumentModified(bool bModified) {
    if (isWindowModified() != bModified) {
        setWindowModified(bModified);
    }
}

QAction* CMainFrame::GetCommandAction(unsigned nID) const {
    const auto it = m_actions.find(nID);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::closeEvent(QCloseEvent* pEvent) {
    if (m_pTarget != nullptr && !m_pTarget->OnQueryClose()) {
        pEvent->ignore();
        return;
    }
    if (m_fnClosing) {
        m_fnClosing();
    }
    QMainWindow::closeEvent(pEvent);
}

QStringList CMainFrame::OpenableFiles(const QMimeData& data) {
    QStringList files;
    for (const QUrl& url : data.urls()) {
        const QString strSuffix = QFileInfo(url.fileName()).suffix().toUpper();
        if (url.isLocalFile() &&
            (strSuffix == QLatin1String("MID") || strSuffix == QLatin1String("BMP"))) {
            files << url.toLocalFile();
        }
    }
    return files;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (m_fnDrop && pEvent->mimeData() != nullptr &&
        !OpenableFiles(*pEvent->mimeData()).isEmpty()) {
        pEvent->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* pEvent) {
    const QStringList files =
        pEvent->mimeData() != nullptr ? OpenableFiles(*pEvent->mimeData()) : QStringList();
    if (!m_fnDrop || files.isEmpty()) {
        return;
    }
    pEvent->acceptProposedAction();
    m_fnDrop(files);
}

void CMainFrame::ShowMessage(const QString& strText) {
    m_pStatusBar->showMessage(strText);
}

QMenu* CMainFrame::createPopupMenu() {
    // View > Toolbar is the one place that shows and hides the toolbar.
    return nullptr;
}

void CMainFrame::BuildMenu() {
    m_pKeynoteGroup = new QActionGroup(this);
    m_pKeynoteGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);

    std::vector<QMenu*> menus; // the open popups, by depth - 1
    for (const SMenuEntry& entry : CCommandTable::MainMenu()) {
        menus.resize(static_cast<std::size_t>(entry.nDepth));
        QMenu* pParentMenu = menus.empty() ? nullptr : menus.back();
        switch (entry.eKind) {
        case SMenuEntry::Popup: {
            const QString strTitle = QString::fromUtf8(entry.pszText);
            QMenu* pMenu = pParentMenu == nullptr ? menuBar()->addMenu(strTitle)
                                                  : pParentMenu->addMenu(strTitle);
            menus.push_back(pMenu);
            break;
        }
        case SMenuEntry::Separator:
            if (pParentMenu != nullptr)
                pParentMenu->addSeparator();
            break;
        case SMenuEntry::Item: {
            QAction* pAction = MakeCommandAction(entry.nID);
            if (pParentMenu != nullptr)
                pParentMenu->addAction(pAction);
            pAction->setCheckable(CCommandTable::IsCheckable(entry.nID));
            if (entry.bChecked)
                CheckMenuItem(entry.nID, true);
            break;
        }
        }
    }

    // Accelerators without a menu item (F1, Shift+F1) still need an action; every action also
    // sits on the frame itself, so its shortcut works wherever the menu bar is shown (a global
    // menu bar lives outside the window).
    for (const SCommandInfo& info : CCommandTable::Commands()) {
        if (info.pszShortcut != nullptr && GetCommandAction(info.nID) == nullptr)
            MakeCommandAction(info.nID);
    }
    for (const auto& [nID, pAction] : m_actions)
        addAction(pAction);

    for (unsigned nID = ID_TONALITY_KEY_C; nID <= ID_TONALITY_KEY_B; ++nID) {
        QAction* pAction = GetCommandAction(nID);
        pAction->setCheckable(true);
        m_pKeynoteGroup->addAction(pAction);
    }
}

QAction* CMainFrame::MakeCommandAction(unsigned nID) {
    const SCommandInfo* pInfo = CCommandTable::Find(nID);
    auto* pAction = new QAction(this);
    pAction->setData(nID);
    if (pInfo != nullptr) {
        if (pInfo->pszText != nullptr)
            pAction->setText(MenuText(*pInfo));
        if (pInfo->pszShortcut != nullptr) {
            pAction->setShortcut(QKeySequence(QString::fromLatin1(pInfo->pszShortcut)));
            pAction->setShortcutContext(Qt::WindowShortcut);
        }
        if (pInfo->pszPrompt != nullptr) {
            const QString strPrompt = QString::fromUtf8(pInfo->pszPrompt);
            pAction->setStatusTip(strPrompt.section(QLatin1Char('\n'), 0, 0));
            pAction->setToolTip(strPrompt.section(QLatin1Char('\n'), 1));
        }
    }
    pAction->setProperty(g_pszCheckedProperty, false);
    connect(pAction, &QAction::triggered, this, [this, pAction]() { OnCommandTriggered(pAction); });
    m_actions[nID] = pAction;
    return pAction;
}

void CMainFrame::OnCommandTriggered(QAction* pAction) {
    if (pAction->isCheckable()) {
        const auto restore = [](QAction* p) {
            p->setChecked(p->property(g_pszCheckedProperty).toBool());
        };
        if (QActionGroup* pGroup = pAction->actionGroup()) {
            for (QAction* pMember : pGroup->actions())
                restore(pMember);
        } else {
            restore(pAction);
        }
    }
    OnCommand(pAction->data().toUInt());
}

void CMainFrame::OnAppAbout() {
    CAboutDlg dlg(this);
    if (m_fnRunAbout)
        m_fnRunAbout(dlg);
}

void CMainFrame::ShowHelp(const QString& strAnchor) {
    if (m_pHelpWindow == nullptr)
        m_pHelpWindow = new CHelpWindow(this);
    m_pHelpWindow->ShowTopic(strAnchor);
}

void CMainFrame::ToggleToolBar() {
    const bool bShow = m_pToolBar->isHidden();
    m_pToolBar->setVisible(bShow);
    CheckMenuItem(ID_VIEW_TOOLBAR, bShow);
}

void CMainFrame::ToggleStatusBar() {
    const bool bShow = m_pStatusBar->isHidden();
    m_pStatusBar->setVisible(bShow);
    CheckMenuItem(ID_VIEW_STATUS_BAR, bShow);
}
