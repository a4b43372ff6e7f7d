#pragma once

#include <QDialog>
#include <QPixmap>

#include <vector>

class QLabel;

// The About box: a picture, the version and three lines about the program. A Ctrl+double-click
// on the box's own background swaps in the second picture until the box is closed. The picture
// shown is the one drawn for the density of the box's screen.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    QLabel* GetPicture() const { return m_picture; }
    bool IsShowingAltPicture() const { return m_bAltShown; }

protected:
    bool event(QEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;

private:
    void ShowPicture();

    QLabel* m_picture = nullptr;
    std::vector<QPixmap> m_bmpFirst; // each at every density
    std::vector<QPixmap> m_bmpAlt;
    bool m_bAltShown = false;
};
