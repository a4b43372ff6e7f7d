#pragma once

#include "windows/ToolDlg.h"

#include <array>
#include <cstdint>

class QCheckBox;
class QPushButton;

// The "Scale" tool window: twelve check boxes rising from the keynote at the bottom to the
// eleventh semitone at the top. A ticked box is a note outside the scale ("black"); the
// keynote is always white. Clicking a box rebuilds the scale from all the boxes.
class CScaleDlg : public CToolDlg {
    Q_OBJECT
public:
    static constexpr int kIdDegree0 = 1011; // IDC_DEGREE_0; degree k is kIdDegree0 + k

    explicit CScaleDlg(QWidget* pParent = nullptr);

    // Binds the window to the player, whose tonality it shows and changes. The window stays
    // hidden.
    void Create(IPlayerControl* pView);
    // Shows the scale; the owner calls it on every tonality change made elsewhere.
    void Refresh();

    QCheckBox* DegreeBox(int nDegree) const { return m_checkDegree.at(nDegree); }
    QPushButton* HideButton() const { return m_pHideButton; }
    std::uint8_t ShownKeynote() const { return m_nShownKeynote; }

protected:
    void OnDegreeClicked(int nID);
    // Shows a message owned by this window; a seam that tests replace.
    virtual void ShowMessage(const QString& strText, const QString& strCaption);

private:
    std::uint8_t m_nShownKeynote = 0;
    std::array<QCheckBox*, 12> m_checkDegree{};
    QPushButton* m_pHideButton = nullptr;
};
