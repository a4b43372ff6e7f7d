#pragma once

#include "app/FrameReport.h"

#include <QMainWindow>

#include <QStringList>

#include <functional>
#include <map>

class CAboutDlg;
class CHelpWindow;
class CModeStatusBar;
class CToolBar;
class ICommandTarget;
class QAction;
class QActionGroup;
class QMimeData;

// The program's main window: menus, accelerators, the toolbar (hidden at start), the status bar
// and one client window, the main view. Every command goes to the view first (ICommandTarget),
// then to the frame's own handlers; the view reports back through IFrameReport. The title is
// "Vorkeln", marked while anything is unsaved (setWindowModified).
class CMainFrame : public QMainWindow, public IFrameReport {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* pParent = nullptr);
    ~CMainFrame() override;

    // Makes pView the client window (the frame takes it over) and pTarget the first receiver of
    // commands, which from then on reports to this frame, then selects keynote C through it.
    // Until then a placeholder fills the client area.
    void SetView(QWidget* pView, ICommandTarget* pTarget);
    QWidget* GetView() const;

    // The one dispatcher of menus, accelerators and toolbar buttons; answers whether the
    // command was handled.
    bool OnCommand(unsigned nID);

    // Menu check marks by command id.
    void CheckMenuItem(unsigned nID, bool bChecked);
    bool IsMenuItemChecked(unsigned nID) const;
    // IFrameReport; the toolbar's "on" picture is the button's image + 9.
    void CheckMenuRadioItem(unsigned nFirst, unsigned nLast, unsigned nCheck) override;
    void CheckCommand(unsigned nID, bool bChecked, bool bToolbar) override;
    void SetModeFlags(std::uint32_t dwFlags) override;
    void SetTonalityText(const QString& strScale, const QString& strKeynote) override;
    void SetChordNameText(const QString& strName) override;
    void SetDocumentModified(bool bModified) override;
    void ShowMessage(const QString& strText) override;

    QAction* GetCommandAction(unsigned nID) const; // the menu/accelerator action of a command
    CToolBar& GetToolBar() const { return *m_pToolBar; }
    CModeStatusBar& GetStatusBar() const { return *m_pStatusBar; }
    CHelpWindow* GetHelpWindow() const { return m_pHelpWindow; } // nullptr until first shown

    // Runs the About box modally; tests replace it.
    void SetAboutRunner(std::function<void(CAboutDlg&)> fnRun) { m_fnRunAbout = std::move(fnRun); }

    // The window Tools > Devices... brings up; the frame does not own it.
    void SetDevicesWindow(QWidget* pWindow) { m_pDevicesWindow = pWindow; }
    // Told once the window is going to close, while everything in it is still as the user left it.
    void SetCloseHandler(std::function<void()> fnClosing) { m_fnClosing = std::move(fnClosing); }
    // Given the local files dropped on the window that File > Open can take (.mid and .bmp).
    void SetDropHandler(std::function<void(const QStringList&)> fnDrop) {
        m_fnDrop = std::move(fnDrop);
    }
    // The files of a drop that File > Open can take, by extension.
    static QStringList OpenableFiles(const QMimeData& data);

protected:
    QMenu* createPopupMenu() override;
    // Asks the view first: unsaved work may keep the window open.
    void closeEvent(QCloseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    void BuildMenu();
    QAction* MakeCommandAction(unsigned nID);
    void OnCommandTriggered(QAction* pAction);
    void OnAppAbout();
    void ShowHelp(const QString& strAnchor);
    void ToggleToolBar();
    void ToggleStatusBar();

    std::map<unsigned, QAction*> m_actions;
    QActionGroup* m_pKeynoteGroup = nullptr;
    CToolBar* m_pToolBar = nullptr;
    CModeStatusBar* m_pStatusBar = nullptr;
    CHelpWindow* m_pHelpWindow = nullptr;
    ICommandTarget* m_pTarget = nullptr;
    std::function<void(CAboutDlg&)> m_fnRunAbout;
    QWidget* m_pDevicesWindow = nullptr;
    std::function<void()> m_fnClosing;
    std::function<void(const QStringList&)> m_fnDrop;
};
