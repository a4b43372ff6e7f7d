#pragma once

#include "commands/CommandIds.h"
#include "windows/ToolDlg.h"

#include <QString>

#include <array>
#include <cstdint>

class CSong;
class QLabel;
class QListWidget;
class QMenu;
class QSlider;

// The "Orchestra" tool window: one row per instrument track of the song with an empty row
// after them, the General MIDI instruments on a double click, and the length of live notes.
// The selected instrument row is the track whose channel the keyboard plays.
class COrchestraDlg : public CToolDlg {
    Q_OBJECT
public:
    // Command ids of the instruments menu: program p is kIdInstrumentFirst + p.
    static constexpr int kIdInstrumentFirst = static_cast<int>(ID_INSTRUMENT_FIRST);
    static constexpr int kIdInstrumentLast = static_cast<int>(ID_INSTRUMENT_LAST);
    static constexpr int kIdInstrumentDelete = static_cast<int>(ID_INSTRUMENT_DELETE);
    static constexpr int kProgramCount = 128;
    static constexpr int kGroupCount = 16;
    // More rows than this are never added here (a file may bring more).
    static constexpr int kMaxInstruments = 15;
    // Slider position to live note length in eighths of a quarter note.
    static constexpr std::array<int, 12> kDurations{1, 2, 3, 4, 6, 8, 12, 16, 20, 27, 32, 48};
    static constexpr int kStartPosition = 5;

    static const std::array<const char*, kGroupCount> kGroupNames;
    static const std::array<const char*, kProgramCount> kInstrumentNames;

    explicit COrchestraDlg(QWidget* pParent = nullptr);

    // Binds the window to the player and starts the song's orchestra (Reset). Stays hidden.
    void Create(IPlayerControl* pView);
    // One piano row and a quarter-note duration; also after File > New > All and New > Track.
    void Reset();
    // Lists the active tracks of a song just opened; the duration stays as it is.
    void RefillFromSong(const CSong& song);
    // Sends the duration shown again, so that a song of another division plays live notes of
    // that many eighths of its own quarter.
    void ResendDuration() { OnHScroll(); }

    // An item of the instruments menu was chosen for the selected row.
    void OnInstrument(int nID);
    // The menu text of an instrument command, "" for any other id.
    static QString InstrumentText(int nID);

    int Count() const { return m_nCount; }
    int Selection() const { return m_nSel; }
    QSlider* DurationSlider() const { return m_sliderDuration; }
    QLabel* DurationStatic() const { return m_staticDuration; }
    QListWidget* InstrumentList() const { return m_listInstruments; }
    QMenu* InstrumentsMenu() const { return m_menuInstruments; }

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void BuildInstrumentsMenu();
    void OnHScroll();
    void OnInstrumentsDblClk();
    void OnInstrumentsSelChange(int nRow);
    void OnInstrumentsKillFocus();
    void SelectRow(int nRow);
    // An instrument row the control codes cannot name is listed but greyed: it can be neither
    // chosen nor changed. Rows keep this up to date as they move.
    void GreyUnnamedRow(int nRow);
    void SetCurrentTrack(int nRow);

    QMenu* m_menuInstruments = nullptr;
    int m_nCount = 0;
    int m_nSel = 0;
    QSlider* m_sliderDuration = nullptr;
    QLabel* m_staticDuration = nullptr;
    QListWidget* m_listInstruments = nullptr;
};
