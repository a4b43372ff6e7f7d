#pragma once

#include <QIcon>
#include <QPixmap>
#include <QToolBar>

#include <functional>
#include <vector>

class QAction;

// The frame's toolbar: push buttons that each carry a command id and show one image of the
// 16x16 button strip. A toggled state is shown by moving a button's image along the strip,
// which is what CommandToIndex/GetButtonInfo/SetButtonInfo are for. The strip may come drawn
// for several densities; each button then shows the drawing that suits its screen.
class CToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit CToolBar(QWidget* pParent = nullptr);

    // Creates the buttons and separators of the program's toolbar; each button press calls
    // fnCommand with the button's id. strips holds the strip at the actual size first, then
    // its drawings for dense screens, each with its device pixel ratio set.
    void LoadToolBar(std::vector<QPixmap> strips, std::function<void(unsigned)> fnCommand);

    int GetCount() const { return static_cast<int>(m_buttons.size()); }
    // Index of the button (separators count) for the command, -1 if none.
    int CommandToIndex(unsigned nID) const;
    // Id (0 for a separator), style (0 button, 1 separator) and image of button nIndex;
    // false for an index out of range.
    bool GetButtonInfo(int nIndex, unsigned& nID, unsigned& nStyle, int& nImage) const;
    // Sets them back; an image outside the strip is refused and the button keeps its picture.
    bool SetButtonInfo(int nIndex, unsigned nID, unsigned nStyle, int nImage);

    int GetButtonImage(unsigned nID) const; // -1 for no such button
    QAction* GetButtonAction(unsigned nID) const;
    // Image nImage at the actual size, and as an icon holding its drawing at every density.
    QPixmap StripImage(int nImage) const;
    QIcon StripIcon(int nImage) const;

    static constexpr unsigned TBBS_BUTTON = 0;
    static constexpr unsigned TBBS_SEPARATOR = 1;

private:
    struct SButton {
        unsigned nID;
        unsigned nStyle;
        int nImage;
        QAction* pAction;
    };
    std::vector<SButton> m_buttons;
    std::vector<QPixmap> m_strips;
};
