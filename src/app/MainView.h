#pragma once

#include "app/CommandTarget.h"
#include "app/ViewPresenter.h"
#include "files/RecoveryFile.h"
#include "files/RecoveryWriter.h"
#include "keyboard/KeyLabels.h"
#include "keyboard/KeyMap.h"
#include "midi/NotePlayer.h"
#include "sound/AudioExporter.h"
#include "windows/OptionsDlg.h"
#include "windows/OrchestraDlg.h"
#include "windows/ScaleDlg.h"
#include "windows/ScaleFinderDlg.h"

#include <QPoint>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class IFrameReport;
class IMidiPort;
class IShellDialogs;

// The frame's one client window and the owner of everything else: it is the note player (and so
// the keyboard, the drawing image, the song, the tonality and the MIDI output), and holds the key
// map and the three tool windows. It turns input and commands into calls on those parts, is the
// only writer of the mode flags and keeps menu checks and toolbar pictures in step. It asks
// before unsaved work is dropped and, once given a folder for it, keeps a recovery file of the
// unsaved song.
class CMainView : public QWidget, public CNotePlayer, public ICommandTarget {
    Q_OBJECT
public:
    static constexpr int ID_TIMER_TICK = 2701;
    static constexpr int ID_TIMER_LATCH = 2702;
    static constexpr int kTickMilliseconds = 20;
    static constexpr int kLatchMilliseconds = 300;
    // One notch of the mouse wheel.
    static constexpr int kWheelDelta = 120;
    // The recovery file follows the song's changes this long after the first of them.
    static constexpr int kRecoveryMilliseconds = 10000;

    enum class EDocument { Song, Drawing };

    // The view sounds through pPort and asks the user through pDialogs (both stay the view's
    // for its life: the port is owned, the dialogs must outlive the view).
    CMainView(std::unique_ptr<IMidiPort> pPort, IShellDialogs& dialogs, QWidget* pParent = nullptr);
    ~CMainView() override;
    CMainView(const CMainView&) = delete;
    CMainView& operator=(const CMainView&) = delete;

    // Every command of the menus, accelerators and toolbar, offered by the frame first.
    bool OnCommand(unsigned nID) override;
    // Strokes drawn from now on take this colour and width.
    void OnPenChanged(const QColor& clrPen, int nWidth) override;
    // Exit and the close box: the unsaved song and drawing are offered for saving first.
    bool OnQueryClose() override;
    // Marks, toolbar pictures, status-bar texts and the title's mark go to pFrame from now on.
    void SetFrameReport(IFrameReport* pFrame) override;

    // What the note engine reports beyond the notes: the Scale window (unless it made the
    // change), the status bar and the keyboard follow the tonality; the Play button follows
    // playback.
    void OnTonalityChanged(const void* pSender) override;
    void OnPlayStart(bool bContinue) override;
    void OnPlayStop() override;

    // Menu check mark and, with bToolbar, the toolbar picture of a command.
    void CheckCommand(unsigned nID, bool bChecked, bool bToolbar);
    // The only way the mode flags change (apart from the latch expiry).
    void SetFlags(bool bFromKeyDown, std::uint32_t dwNew);
    // The 300 ms latch timer ran out: the toggle key now acts as a momentary switch.
    void OnLatchExpired();
    bool IsLatchTimerRunning() const { return m_nLatchTimer != 0; }
    void OnSetCursor();

    // One tick of the note player (see CNotePlayer); what it changes in the frame reaches the
    // window together at its end.
    void OnTimerTick();

    // Key handling by virtual-key code; true when the key map handled the key.
    bool OnKeyDown(unsigned nChar);
    bool OnKeyUp(unsigned nChar);
    // Mouse handling with MK_ flags and client coordinates.
    void OnMouseMove(unsigned nFlags, const QPoint& point);
    void OnLButtonDown(unsigned nFlags, const QPoint& point);
    void OnLButtonUp();
    void OnRButtonDown(unsigned nFlags);
    // Wheel deltas in eighths of a degree: each 120 together, from one notch or from many small
    // steps of a touchpad, is one step. With Ctrl the keyboard zooms around pt instead.
    void OnMouseWheel(int zDelta);
    void OnMouseWheel(int zDelta, bool bControl, const QPoint& pt);

    // Zoom in halves of the actual size around a point of the view (logical pixels).
    void SetZoom(int nZoom, const QPoint& ptFixed);
    // The key labels follow the mode flags, the tonality and the layout.
    void SetKeyLabels(bool bOn);
    void UpdateKeyLabels();
    void SetPalette(SKeyboardPalette::EKind ePalette);
    // Draws at the window's device pixel ratio from now on, if it changed.
    void FollowDeviceRatio();

    // File commands.
    void OnFileNew(unsigned nID);
    void OnFileOpen();
    // What the MIDI inputs played, as one batch of frame updates.
    void OnInputMessages(const std::vector<std::uint32_t>& messages);
    // Opens each file as File > Open opens the one chosen, in order: files named on the command
    // line or dropped on the window.
    void OpenFiles(const QStringList& paths);
    void OnFileSaveAs();
    // Save As starting on the filter of nFilter (1 song, 2 drawing); true when a file was saved.
    bool SaveAs(int nFilter);
    // Asks "Save changes to the song?" (or drawing) when it has unsaved changes; true when what
    // follows may drop it: saved, discarded, or nothing to save.
    bool SaveModified(EDocument eDocument);
    // What was played live in the last 30 minutes: into a file of its own, or into the song.
    void OnFileSaveLastPlayed();
    void OnFileInsertLastPlayed();
    // Renders the song to a sound file chosen by the user.
    void OnFileExportAudio();
    // Renders the song to strPath off this thread, behind a progress window that can cancel.
    CAudioExporter::EResult ExportAudio(const QString& strPath, CAudioExporter::EFormat eFormat);

    // The chord pane and the Find Scale window follow the sounding notes; run after every
    // tick, input event and command, it does nothing when no note started or ended.
    void ShowSounding();

    // Keeps a recovery file of the unsaved song in strFolder from now on, and offers to restore
    // one that a program no longer running left there once the event loop runs. False (no
    // recovery file) when the folder cannot be used.
    bool EnableRecovery(const QString& strFolder);
    void OfferRecovery();
    // Hands the song to the recovery writer when it changed since the last recovery write.
    void WriteRecovery();
    // Brings the window's modified mark and the recovery file in step with the song and the
    // drawing; run after every tick, input event and command.
    void CheckDocuments();

    // "Cant open MIDI_MAPPER": what the user is told whenever the device does not open.
    void ReportMidiOpenFailed();

    COrchestraDlg m_wndOrchestra;
    CScaleDlg m_wndScale;
    COptionsDlg m_wndOptions;
    CScaleFinderDlg m_wndScaleFinder;
    CKeyMap m_keyMap;
    CKeyLabels m_keyLabels;
    QTimer m_tickTimer;
    QTimer m_latchTimer;
    int m_nTickTimer = 0;
    int m_nLatchTimer = 0; // 0: no latch timer running
    // The last file opened or saved of each kind: where Save As starts.
    QString m_strSongPath;
    QString m_strImagePath;
    QString m_strLastPlayedPath;
    QString m_strAudioPath;
    CRecoveryFile m_recoveryFile;
    CRecoveryWriter m_recoveryWriter{m_recoveryFile};
    QTimer m_recoveryTimer;

protected:
    // Each key, mouse and wheel event is handled as one batch of frame updates.
    bool event(QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void keyReleaseEvent(QKeyEvent* pEvent) override;

    // The frame buffer changed in rgn: show it as it is (no composition), at once or at the end
    // of the batch in progress.
    void UpdateWindowFromFrame(const QRegion& rgn) override;
    void ShowFrameBatch() override;
    // A tick changed notes: they are drawn as soon as the event loop is back.
    void OnNoteDeferred() override;
    // The whole view must be composed again before it is shown.
    void InvalidateView() override;

private:
    bool RunCommand(unsigned nID);
    void OnPaint(const QRegion& rgn);
    void OpenPath(const QString& strPath);
    void OnKeynote(unsigned nID);
    void OnScale(unsigned nID);
    void ToggleToolWindow(QWidget& wnd, bool bShown, unsigned nID);
    void ActivateToolWindow(QWidget& wnd, bool bShown, unsigned nID);
    // Asks for a file to save to, starting on nFilter with startPaths; a name without any
    // extension gets the chosen filter's from extensions, and the user is asked before an
    // existing file of the longer name is replaced. False when the user cancelled.
    bool AskSavePath(const QStringList& filters, const QStringList& startPaths,
                     const QStringList& extensions, QString& strPath, int& nFilter);
    // The Find Scale window lists the scales of what sounds, or of the last chord played.
    void RefreshScaleFinder();
    // "Could not <verb> <what>: <reason>", the reason as the result gives it.
    void ReportFileFailure(const char* pszVerb, const QString& strWhat, const CFileResult& result);
    // The Orchestra window follows a song just opened.
    void OnSongOpened();
    static unsigned MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

    void CheckKeynote();

    IShellDialogs& m_dialogs;
    // The frame the view lives in; null while it has none.
    IFrameReport* m_pFrame = nullptr;
    // A full composition is owed before the next paint shows the frame.
    bool m_bComposePending = true;
    // DrawDeferredNotes is queued.
    bool m_bDeferredDrawQueued = false;
    // Shows the frame buffer in the window: what changed since the last paint, and how.
    CViewPresenter m_presenter;
    // Wheel deltas not yet a whole step, for the inversion and for the zoom.
    int m_nWheelRest = 0;
    int m_nZoomWheelRest = 0;
    // The song's change count at the last recovery write, and whether a recovery file was
    // handed to the writer since the song was last saved, opened or renewed.
    std::uint64_t m_nRecoveryChanges = 0;
    bool m_bRecoveryWritten = false;
};
