#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;

// The About box: a picture, the version and three lines about the program. A Ctrl+double-click
// on the box's own background swaps in the second picture until the box is closed.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    QLabel* GetPicture() const { return m_picture; }
    bool IsShowingAltPicture() const { return m_bAltShown; }

protected:
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;

private:
    QLabel* m_picture = nullptr;
    QPixmap m_bmpAlt;
    bool m_bAltShown = false;
};
