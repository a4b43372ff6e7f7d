#include "AppTestSupport.h"

#include "app/AboutDlg.h"
#include "app/AppResources.h"
#include "app/CommandTable.h"
#include "app/HelpWindow.h"
#include "app/MainFrame.h"
#include "app/ModeStatusBar.h"
#include "app/ToolBar.h"
#include "commands/CommandIds.h"
#include "program/VorkelnApp.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// One line per menu entry: indentation by depth, the text (hint after a tab) and the id.
void DumpMenu(const QList<QAction*>& actions, int nDepth, std::vector<std::string>& lines) {
    for (QAction* pAction : actions) {
        const std::string strIndent(static_cast<std::size_t>(nDepth) * 2, ' ');
        if (pAction->isSeparator()) {
            lines.push_back(strIndent + "-");
        } else if (QMenu* pMenu = pAction->menu()) {
            lines.push_back(strIndent + pAction->text().toStdString());
            DumpMenu(pMenu->actions(), nDepth + 1, lines);
        } else {
            lines.push_back(strIndent + pAction->text().toStdString() + " = " +
                            std::to_string(pAction->data().toUInt()));
        }
    }
}

// A view stand-in that records the keys that reach it.
class CKeyRecordingView : public QWidget {
public:
    std::vector<int> m_keys;

protected:
    void keyPressEvent(QKeyEvent* pEvent) override {
        const int nKey = pEvent->key();
        if (nKey != Qt::Key_Control && nKey != Qt::Key_Alt && nKey != Qt::Key_Shift)
            m_keys.push_back(nKey);
    }
};

QAction* ActionWithShortcut(const CMainFrame& frame, const QKeySequence& seq) {
    for (QAction* pAction : frame.findChildren<QAction*>()) {
        if (pAction->shortcut() == seq)
            return pAction;
    }
    return nullptr;
}

} // namespace

TEST(MainFrame, MenuTreeHasEveryTextHintAndIdentifier) {
    CMainFrame frame;
    std::vector<std::string> lines;
    DumpMenu(frame.menuBar()->actions(), 0, lines);
    const std::vector<std::string> expected = {
        "&File",
        "  &New",
        "    &All\tCtrl+N = 32831",
        "    &Track = 32832",
        "    &Image = 32833",
        "  &Open...\tCtrl+O = 57601",
        "  Save As...\tCtrl+S = 57604",
        "  -",
        "  Save &Last Played... = 33190",
        "  &Insert Last Played into Song = 33191",
        "  &Export Audio... = 33192",
        "  -",
        "  E&xit = 57665",
        "To&nality",
        "  Keynote",
        "    B = 32801",
        "    Bb = 32800",
        "    A = 32799",
        "    Ab = 32798",
        "    G = 32797",
        "    Gb = 32796",
        "    F = 32795",
        "    E = 32794",
        "    Eb = 32793",
        "    D = 32792",
        "    Db = 32791",
        "    C = 32790",
        "  -",
        "  Major",
        "    Natural\tCtrl+F12 = 32803",
        "    Harmonic = 32804",
        "    Melodic = 32805",
        "  Minor",
        "    Natural\tShift+F12 = 32806",
        "    Harmonic = 32807",
        "    Melodic = 32808",
        "  Diatonic",
        "    Locrian = 32809",
        "    Phrygian = 32810",
        "    Aeolian = 32811",
        "    Dorian = 32812",
        "    Mixolydian = 32813",
        "    Ionian = 32814",
        "    Lydian = 32815",
        "  Symmetrical",
        "    Whole-tone\t2 = 32816",
        "    -",
        "    Diminished\t2.1 = 32817",
        "    Dominant diminished\t1.2 = 32818",
        "    -",
        "     \t3.1 = 32819",
        "     \t2.1.1 = 32820",
        "    -",
        "     \t5.1 = 32821",
        "     \t4.1.1 = 32822",
        "    Double Major\t3.2.1 = 32823",
        "    Double Minor\t1.2.3 = 32824",
        "     \t2.2.1.1 = 32825",
        "     \t2.1.1.1.1 = 32826",
        "  Chromatic\tF12 = 32827",
        "  Custom...\tAlt+F12 = 32777",
        "  Find Scale...\tF9 = 33193",
        "T&rack",
        "  &Play\tCtrl+P = 32780",
        "  &Record\tCtrl+R = 32781",
        "  -",
        "  &Ignore SysEx = 32786",
        "&View",
        "  &Toolbar = 59392",
        "  &Status Bar = 59393",
        "  -",
        "  Simple view\tF11 = 33155",
        "  -",
        "  Sc&ale window\tAlt+F12 = 32839",
        "  Orc&hestra window\tF2 = 32775",
        "  &Options window\tF3 = 32835",
        "  -",
        "  Zoom &In\tCtrl+= = 33210",
        "  Zoom O&ut\tCtrl+- = 33211",
        "  Actual Si&ze\tCtrl+0 = 33212",
        "  &Key Labels = 33213",
        "  &Palette",
        "    &Classic = 33214",
        "    Colour-&blind safe = 33215",
        "&Tools",
        "  &Reset Midi\tF4 = 32788",
        "  Play &Scale\tF5 = 33182",
        "  -",
        "  &Chord mode\t` = 32842",
        "  Chord &arpeggio = 32837",
        "  &White only\tF6 = 32838",
        "  -",
        "  &Pen mode\tF7 = 32841",
        "  &Klavier mode\tF8 = 32785",
        "  -",
        "  &Devices... = 33200",
        "&Help",
        "  &Help Topics = 57667",
        "  -",
        "  &About Vorkeln... = 57664",
    };
    EXPECT_EQ(lines, expected);
}

TEST(MainFrame, AcceleratorTableBecomesWindowShortcuts) {
    CMainFrame frame;
    const std::map<std::string, unsigned> accelerators = {
        {"Ctrl+N", 32831}, {"Ctrl+O", 57601},   {"Ctrl+S", 57604},    {"Ctrl+P", 32780},
        {"Ctrl+R", 32781}, {"F1", 57670},       {"Shift+F1", 57669},  {"F2", 32775},
        {"F3", 32835},     {"F4", 32788},       {"F5", 33182},        {"F11", 33155},
        {"F12", 32827},    {"Ctrl+F12", 32803}, {"Shift+F12", 32806}, {"Alt+F12", 32839},
        {"F9", 33193},     {"Ctrl+=", 33210},   {"Ctrl+-", 33211},    {"Ctrl+0", 33212},
    };
    for (const auto& [strKey, nID] : accelerators) {
        QAction* pAction = ActionWithShortcut(frame, QKeySequence(QString::fromStdString(strKey)));
        ASSERT_NE(pAction, nullptr) << strKey;
        EXPECT_EQ(pAction->data().toUInt(), nID) << strKey;
        EXPECT_EQ(pAction->shortcutContext(), Qt::WindowShortcut) << strKey;
    }
    // The mode keys are hints only: they must reach the view as key presses.
    for (const char* pszKey : {"F6", "F7", "F8", "`"})
        EXPECT_EQ(ActionWithShortcut(frame, QKeySequence(QString::fromLatin1(pszKey))), nullptr)
            << pszKey;
    // Every other action has no shortcut at all, so nothing else is taken from the view.
    int nWithShortcut = 0;
    for (QAction* pAction : frame.findChildren<QAction*>())
        nWithShortcut += pAction->shortcut().isEmpty() ? 0 : 1;
    EXPECT_EQ(nWithShortcut, 20);
}

TEST(MainFrame, KeysReachTheViewOrTheCommandTable) {
    CMainFrame frame;
    CRecordingTarget target;
    target.m_bHandleAll = true;
    auto* pView = new CKeyRecordingView;
    frame.SetView(pView, &target);
    frame.show();
    QApplication::setActiveWindow(&frame);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    pView->setFocus();
    target.m_commands.clear();

    QTest::keyClick(pView, Qt::Key_F7);
    QTest::keyClick(pView, Qt::Key_QuoteLeft);
    QTest::keyClick(pView, Qt::Key_P, Qt::ControlModifier);
    QTest::keyClick(pView, Qt::Key_F12, Qt::AltModifier);

    EXPECT_EQ(pView->m_keys, (std::vector<int>{Qt::Key_F7, Qt::Key_QuoteLeft}));
    EXPECT_EQ(target.m_commands, (std::vector<unsigned>{ID_TRACK_PLAY, ID_VIEW_SCALE_WINDOW}));
}

TEST(MainFrame, CommandsGoToTheViewFirstThenToTheFrame) {
    CMainFrame frame;
    CRecordingTarget target;
    target.m_handled = {ID_TOOLS_PEN_MODE, ID_TONALITY_KEY_C};
    frame.SetView(new QWidget, &target);
    // Attaching the view selects keynote C through it.
    ASSERT_EQ(target.m_commands, std::vector<unsigned>{ID_TONALITY_KEY_C});

    frame.GetCommandAction(ID_TOOLS_PEN_MODE)->trigger();
    frame.GetToolBar().GetButtonAction(ID_TRACK_RECORD)->trigger();
    EXPECT_EQ(target.m_commands,
              (std::vector<unsigned>{ID_TONALITY_KEY_C, ID_TOOLS_PEN_MODE, ID_TRACK_RECORD}));

    // The view declines the toolbar toggle; the frame's own handler runs.
    EXPECT_TRUE(frame.GetToolBar().isHidden());
    EXPECT_FALSE(frame.IsMenuItemChecked(ID_VIEW_TOOLBAR));
    frame.GetCommandAction(ID_VIEW_TOOLBAR)->trigger();
    EXPECT_FALSE(frame.GetToolBar().isHidden());
    EXPECT_TRUE(frame.IsMenuItemChecked(ID_VIEW_TOOLBAR));
    frame.GetCommandAction(ID_VIEW_TOOLBAR)->trigger();
    EXPECT_TRUE(frame.GetToolBar().isHidden());
    EXPECT_FALSE(frame.IsMenuItemChecked(ID_VIEW_TOOLBAR));

    EXPECT_FALSE(frame.GetStatusBar().isHidden());
    EXPECT_TRUE(frame.IsMenuItemChecked(ID_VIEW_STATUS_BAR));
    EXPECT_TRUE(frame.OnCommand(ID_VIEW_STATUS_BAR));
    EXPECT_TRUE(frame.GetStatusBar().isHidden());
    EXPECT_FALSE(frame.IsMenuItemChecked(ID_VIEW_STATUS_BAR));

    // Nobody handles a command the program does not have.
    EXPECT_FALSE(frame.OnCommand(12345));
}

TEST(MainFrame, TheTargetReportsToTheFrameThatTookItUntilAnotherIsTaken) {
    CMainFrame frame;
    CRecordingTarget first;
    CRecordingTarget second;
    frame.SetView(new QWidget, &first);
    ASSERT_EQ(first.m_pFrame, static_cast<IFrameReport*>(&frame));
    first.m_pFrame->CheckMenuRadioItem(ID_TONALITY_KEY_C, ID_TONALITY_KEY_B, ID_TONALITY_KEY_D);
    EXPECT_TRUE(frame.IsMenuItemChecked(ID_TONALITY_KEY_D));
    EXPECT_FALSE(frame.IsMenuItemChecked(ID_TONALITY_KEY_C));
    first.m_pFrame->SetDocumentModified(true);
    EXPECT_TRUE(frame.isWindowModified());
    first.m_pFrame->ShowMessage(QStringLiteral("The output went away"));
    EXPECT_EQ(frame.GetStatusBar().GetPaneText(CModeStatusBar::PANE_MESSAGE),
              QStringLiteral("The output went away"));

    frame.SetView(new QWidget, &second);
    EXPECT_EQ(first.m_pFrame, nullptr);
    EXPECT_EQ(second.m_pFrame, static_cast<IFrameReport*>(&frame));
}

TEST(MainFrame, CheckMarksFollowTheHandlersNotTheClicks) {
    CMainFrame frame;
    CRecordingTarget target;
    target.m_bHandleAll = true;
    frame.SetView(new QWidget, &target);

    // A handler that changes nothing (a latched mode key) leaves the mark as it was.
    QAction* pPen = frame.GetCommandAction(ID_TOOLS_PEN_MODE);
    pPen->trigger();
    EXPECT_FALSE(frame.IsMenuItemChecked(ID_TOOLS_PEN_MODE));
    frame.CheckMenuItem(ID_TOOLS_PEN_MODE, true);
    pPen->trigger();
    EXPECT_TRUE(frame.IsMenuItemChecked(ID_TOOLS_PEN_MODE));

    // Ignore SysEx starts checked.
    EXPECT_TRUE(frame.IsMenuItemChecked(ID_TRACK_IGNORE_SYSEX));

    // Keynotes: the handler's radio check decides, whichever item was clicked.
    target.m_fnOnCommand = [&frame](unsigned nID) {
        if (nID >= ID_TONALITY_KEY_C && nID <= ID_TONALITY_KEY_B)
            frame.CheckMenuRadioItem(ID_TONALITY_KEY_C, ID_TONALITY_KEY_B, nID);
    };
    frame.GetCommandAction(ID_TONALITY_KEY_EB)->trigger();
    for (unsigned nID = ID_TONALITY_KEY_C; nID <= ID_TONALITY_KEY_B; ++nID)
        EXPECT_EQ(frame.IsMenuItemChecked(nID), nID == ID_TONALITY_KEY_EB) << nID;
    frame.GetCommandAction(ID_TONALITY_KEY_EB)->trigger();
    EXPECT_TRUE(frame.IsMenuItemChecked(ID_TONALITY_KEY_EB));
}

TEST(MainFrame, EveryMenuItemHasAnIdentifierOfItsOwn) {
    // Two items of one identifier would share one action: the second would do the first's work.
    std::set<unsigned> seen;
    for (const SMenuEntry& entry : CCommandTable::MainMenu()) {
        if (entry.eKind == SMenuEntry::Item) {
            EXPECT_TRUE(seen.insert(entry.nID).second) << entry.nID;
        }
    }
}

TEST(MainFrame, EveryCheckableItemShowsItsBoxFromTheStart) {
    CMainFrame frame;
    for (const SMenuEntry& entry : CCommandTable::MainMenu()) {
        if (entry.eKind != SMenuEntry::Item)
            continue;
        const QAction* pAction = frame.GetCommandAction(entry.nID);
        ASSERT_NE(pAction, nullptr);
        EXPECT_EQ(pAction->isCheckable(), CCommandTable::IsCheckable(entry.nID)) << entry.nID;
    }
    for (unsigned nID :
         {ID_VIEW_TOOLBAR, ID_TOOLS_CHORD_ARPEGGIO, ID_TRACK_PLAY, ID_VIEW_KEY_LABELS})
        EXPECT_TRUE(frame.GetCommandAction(nID)->isCheckable()) << nID;
    EXPECT_FALSE(frame.GetCommandAction(ID_FILE_OPEN)->isCheckable());
}

TEST(MainFrame, StartsWithKeynoteCAndTheStartingTonality) {
    CMainFrame frame;
    frame.winId();
    EXPECT_EQ(frame.windowHandle()->title(), QStringLiteral("Vorkeln"));
    for (unsigned nID = ID_TONALITY_KEY_C; nID <= ID_TONALITY_KEY_B; ++nID)
        EXPECT_EQ(frame.IsMenuItemChecked(nID), nID == ID_TONALITY_KEY_C) << nID;
    QAction* pC = frame.GetCommandAction(ID_TONALITY_KEY_C);
    ASSERT_NE(pC->actionGroup(), nullptr);
    EXPECT_TRUE(pC->actionGroup()->isExclusive());

    CModeStatusBar& bar = frame.GetStatusBar();
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_MESSAGE), QStringLiteral("For Help, press F1"));
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_TONALITY), QStringLiteral("Natural Major : c"));
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_CHORD), QStringLiteral("`"));
    EXPECT_EQ(bar.GetPaneText(CModeStatusBar::PANE_PEN), QStringLiteral("F7"));

    // Without a view the Keynote menu still works as a radio group.
    frame.GetCommandAction(ID_TONALITY_KEY_A)->trigger();
    EXPECT_TRUE(frame.IsMenuItemChecked(ID_TONALITY_KEY_A));
    EXPECT_FALSE(frame.IsMenuItemChecked(ID_TONALITY_KEY_C));
}

TEST(MainFrame, PromptStringsGiveStatusTipsAndToolTips) {
    CMainFrame frame;
    QAction* pExit = frame.GetCommandAction(ID_APP_EXIT);
    EXPECT_EQ(pExit->statusTip(),
              QStringLiteral("Quit the application; prompts to save documents"));
    EXPECT_EQ(frame.GetCommandAction(ID_TOOLS_CHORD_MODE)->statusTip(),
              QStringLiteral("Turn on/off Chord mode `"));
    EXPECT_EQ(frame.GetCommandAction(ID_TRACK_IGNORE_SYSEX)->statusTip(),
              QStringLiteral("Ignore exlusive system midi-events"));
    EXPECT_TRUE(frame.GetCommandAction(ID_SCALE_LYDIAN)->statusTip().isEmpty());

    // Among the toolbar buttons only Help Topics and About have tool tips.
    const CToolBar& toolBar = frame.GetToolBar();
    for (const SToolButton& button : CCommandTable::ToolBar()) {
        if (button.nID == 0)
            continue;
        const QString strTip = toolBar.GetButtonAction(button.nID)->toolTip();
        if (button.nID == ID_HELP_FINDER)
            EXPECT_EQ(strTip, QStringLiteral("Help Topics"));
        else if (button.nID == ID_APP_ABOUT)
            EXPECT_EQ(strTip, QStringLiteral("About"));
        else
            EXPECT_TRUE(strTip.isEmpty()) << button.nID << strTip.toStdString();
    }
    EXPECT_EQ(toolBar.GetButtonAction(ID_TRACK_PLAY)->statusTip(),
              QStringLiteral("Start or stop playing current track Ctrl+P"));

    // Hovering a menu item shows its prompt in the message pane, and the idle text after it.
    QStatusTipEvent tip(pExit->statusTip());
    QApplication::sendEvent(&frame, &tip);
    EXPECT_EQ(frame.GetStatusBar().GetPaneText(CModeStatusBar::PANE_MESSAGE), pExit->statusTip());
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(&frame, &none);
    EXPECT_EQ(frame.GetStatusBar().GetPaneText(CModeStatusBar::PANE_MESSAGE),
              QStringLiteral("For Help, press F1"));
}

TEST(MainFrame, HelpCommandsOpenTheManual) {
    CMainFrame frame;
    EXPECT_EQ(frame.GetHelpWindow(), nullptr);
    EXPECT_TRUE(frame.OnCommand(ID_HELP_FINDER));
    CHelpWindow* pHelp = frame.GetHelpWindow();
    ASSERT_NE(pHelp, nullptr);
    EXPECT_TRUE(pHelp->isVisible());
    EXPECT_TRUE(pHelp->isWindow());
    EXPECT_TRUE(pHelp->toPlainText().contains(QStringLiteral("Chord mode"), Qt::CaseInsensitive));
    pHelp->hide();
    ActionWithShortcut(frame, QKeySequence(QStringLiteral("Shift+F1")))->trigger();
    EXPECT_TRUE(pHelp->isVisible());
    EXPECT_EQ(frame.GetHelpWindow(), pHelp);
}

TEST(HelpWindow, EveryPictureAndLinkOfThePageResolves) {
    CAppResources::Init();
    QFile page(QStringLiteral(":/app/help/index.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString strPage = QString::fromUtf8(page.readAll());
    const QRegularExpression reImage(QStringLiteral("<img src=\"([^\"]+)\""));
    int nImages = 0;
    for (const QRegularExpressionMatch& match : reImage.globalMatch(strPage)) {
        ++nImages;
        const QImage image(QStringLiteral(":/app/help/") + match.captured(1));
        EXPECT_FALSE(image.isNull()) << match.captured(1).toStdString();
    }
    EXPECT_GE(nImages, 2);
    const QRegularExpression reLink(QStringLiteral("<a href=\"#([^\"]+)\""));
    for (const QRegularExpressionMatch& match : reLink.globalMatch(strPage)) {
        EXPECT_TRUE(strPage.contains(QStringLiteral("<a name=\"%1\"").arg(match.captured(1))))
            << match.captured(1).toStdString();
    }
}

TEST(MainFrame, AboutRunsTheAboutBox) {
    CMainFrame frame;
    CRecordingTarget target;
    frame.SetView(new QWidget, &target);
    int nRuns = 0;
    frame.SetAboutRunner([&nRuns](CAboutDlg& dlg) {
        ++nRuns;
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About Vorkeln"));
    });
    frame.GetCommandAction(ID_APP_ABOUT)->trigger();
    EXPECT_EQ(nRuns, 1);
    // The view saw it first and let it pass.
    EXPECT_EQ(target.m_commands.back(), ID_APP_ABOUT);
}

TEST(VorkelnApp, InitInstanceShowsTheFrame) {
    CVorkelnApp theApp;
    ASSERT_TRUE(theApp.InitInstance());
    ASSERT_NE(theApp.GetMainFrame(), nullptr);
    EXPECT_TRUE(theApp.GetMainFrame()->isVisible());
    EXPECT_EQ(theApp.GetMainFrame()->windowHandle()->title(), QStringLiteral("Vorkeln"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Vorkeln"));
    EXPECT_TRUE(theApp.GetMainFrame()->GetToolBar().isHidden());
}
