#pragma once

#include "theory/ScaleFinder.h"
#include "windows/ToolDlg.h"

#include <cstdint>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

// The "Find Scale" tool window: every tonality that holds the notes sounding now, or, while
// nothing sounds, the notes of the last chord played, best first. A double click makes the
// tonality the current one, as the Scale window's edits do.
class CScaleFinderDlg : public CToolDlg {
    Q_OBJECT
public:
    explicit CScaleFinderDlg(QWidget* pParent = nullptr);

    // Binds the window to the player, whose tonality it reads and sets. The window stays
    // hidden.
    void Create(IPlayerControl* pView);
    // Lists the tonalities that hold the pitch classes (bit n = pitch class n), the current
    // keynote first among equals. Nothing changes when neither did since the last call.
    void Refresh(std::uint16_t wPitchClasses);

    // Makes the listed tonality at nRow the current one; false for a row not listed.
    bool ChooseRow(int nRow);

    QListWidget* List() const { return m_pList; }
    QLabel* NotesLabel() const { return m_pNotes; }
    const std::vector<SScaleMatch>& Matches() const { return m_matches; }

private:
    std::uint16_t m_wShownPitchClasses = 0;
    int m_nShownKeynote = -1;
    std::vector<SScaleMatch> m_matches;
    QLabel* m_pNotes = nullptr;
    QListWidget* m_pList = nullptr;
    QPushButton* m_pHideButton = nullptr;
};
