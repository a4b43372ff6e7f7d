#pragma once

#include <QDialog>
#include <QRect>
#include <QSize>

#include <cstdint>

class IPlayerControl;
class QHideEvent;
class QShowEvent;

// Common ground of the three tool windows: a modeless tool window above its owner, created
// hidden, that tells its owner when it is shown or hidden (the owner keeps the View menu's
// check mark from that) and reaches the note player only through IPlayerControl.
class CToolDlg : public QDialog {
    Q_OBJECT
public:
    // TRUE while the window is shown; the owner's View toggles read it.
    bool IsShown() const { return m_bShown; }

    // Window templates are laid out in dialog units of an 8 pt font: one unit is 1.5 pixels
    // across and 1.625 pixels down.
    static QRect DluRect(int x, int y, int cx, int cy);
    static QSize DluSize(int cx, int cy);

    // Reached by a "Hide" button, the close box and Esc: uncheck the View item, then hide.
    void reject() override;

signals:
    // The window was shown (true) or hidden (false), also when it hid itself by "Hide", the
    // close box or Esc.
    void shownChanged(bool bShown);

protected:
    explicit CToolDlg(QWidget* pParent);

    // SetControl on the player, when the window is bound to one.
    void SendControl(std::uint32_t nCode, std::uint32_t nValue);

    void showEvent(QShowEvent* pEvent) override;
    void hideEvent(QHideEvent* pEvent) override;

    IPlayerControl* m_pView = nullptr;

private:
    void OnShowWindow(bool bShow);

    bool m_bShown = false;
};
