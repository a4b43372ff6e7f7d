#include "app/MainView.h"

#include "app/FrameReport.h"
#include "app/ShellDialogs.h"
#include "commands/CommandIds.h"
#include "keyboard/KeyTranslator.h"
#include "keyboard/VirtualKeys.h"
#include "midi/MidiPort.h"
#include "midi/PlaybackSource.h"
#include "midi/PortSwitch.h"
#include "sound/FluidSynthPort.h"
#include "theory/ChordNamer.h"
#include "theory/ModeFlags.h"
#include "theory/MouseKeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QProgressDialog>
#include <QResizeEvent>
#include <QWheelEvent>

#include <atomic>
#include <filesystem>
#include <thread>
#include <utility>

namespace {

constexpr unsigned kNewTrack = 1;
constexpr unsigned kNewImage = 2;
constexpr int kFilterMidi = 1;
constexpr int kFilterBitmap = 2;
const char* const kCaption = "Vorkeln";
// Mode-flag bits whose change the status bar shows: chord and pen mode, chord keys, inversion.
constexpr std::uint32_t kStatusBarFlags =
    kFlagChordMode | kFlagPenMode | kFlagChordKeysMask | kFlagInversionMask;

std::filesystem::path ToPath(const QString& strPath) {
    return std::filesystem::path(strPath.toStdU16String());
}

// The text after the last dot of the file name, without the dot; empty when there is none.
QString ExtensionOf(const QString& strPath) {
    const QString strName = QFileInfo(strPath).fileName();
    const qsizetype nDot = strName.lastIndexOf(QLatin1Char('.'));
    return nDot < 0 ? QString() : strName.mid(nDot + 1);
}

bool HasExtension(const QString& strPath) {
    return QFileInfo(strPath).fileName().contains(QLatin1Char('.'));
}

} // namespace

CMainView::CMainView(std::unique_ptr<IMidiPort> pPort, IShellDialogs& dialogs, QWidget* pParent)
    : QWidget(pParent), CNotePlayer(std::move(pPort)), m_wndOrchestra(this), m_wndScale(this),
      m_wndOptions(this), m_wndScaleFinder(this), m_dialogs(dialogs) {
    m_dwFlags = 0;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);

    // Any later failure to open (Reset Midi) is told at once, a device that stops sounding at
    // the next tick; a failure in the constructor waits until the event loop runs, so that the
    // window is not held back.
    m_midiOut.SetOpenFailedHandler([this] { ReportMidiOpenFailed(); });
    if (m_midiOut.TakeUntoldFailure()) {
        QTimer::singleShot(0, this, &CMainView::ReportMidiOpenFailed);
    }

    m_grid.SetDeviceRatio(devicePixelRatioF());
    CKeyboard::Create(this);
    m_grid.m_pPitchClass = m_scale.m_pitchClass.data();
    m_keyLabels.ReadLayout();
    m_wndOrchestra.Create(this);
    // The orchestra's first piano belongs to the new song.
    m_song.SetModified(false);
    m_wndScale.Create(this);
    m_wndOptions.Create(this, m_grid.m_nEchoUp, m_grid.m_nEchoDown);
    m_wndScaleFinder.Create(this);
    connect(&m_wndScaleFinder, &CToolDlg::shownChanged, this, [this](bool bShown) {
        if (bShown) {
            RefreshScaleFinder();
        }
    });
    // A tool window that hides itself ("Hide", close box, Esc) takes its check mark along.
    connect(&m_wndScale, &CToolDlg::shownChanged, this,
            [this](bool bShown) { CheckCommand(ID_VIEW_SCALE_WINDOW, bShown, false); });
    connect(&m_wndOrchestra, &CToolDlg::shownChanged, this,
            [this](bool bShown) { CheckCommand(ID_VIEW_ORCHESTRA_WINDOW, bShown, false); });
    connect(&m_wndOptions, &CToolDlg::shownChanged, this,
            [this](bool bShown) { CheckCommand(ID_VIEW_OPTIONS_WINDOW, bShown, false); });

    m_latchTimer.setSingleShot(true);
    m_latchTimer.setTimerType(Qt::PreciseTimer);
    m_latchTimer.setInterval(kLatchMilliseconds);
    connect(&m_latchTimer, &QTimer::timeout, this, &CMainView::OnLatchExpired);

    m_tickTimer.setTimerType(Qt::PreciseTimer);
    m_tickTimer.setInterval(kTickMilliseconds);
    connect(&m_tickTimer, &QTimer::timeout, this, [this] { OnTimerTick(); });
    m_tickTimer.start();
    m_nTickTimer = ID_TIMER_TICK;

    m_recoveryTimer.setSingleShot(true);
    m_recoveryTimer.setInterval(kRecoveryMilliseconds);
    connect(&m_recoveryTimer, &QTimer::timeout, this, &CMainView::WriteRecovery);
    OnSetCursor();
}

CMainView::~CMainView() {
    // The frame may already be going: the tool windows no longer report to it.
    disconnect(&m_wndScale, nullptr, this, nullptr);
    disconnect(&m_wndOrchestra, nullptr, this, nullptr);
    disconnect(&m_wndOptions, nullptr, this, nullptr);
    disconnect(&m_wndScaleFinder, nullptr, this, nullptr);
    m_wndScale.hide();
    m_wndOrchestra.hide();
    m_wndOptions.hide();
    m_wndScaleFinder.hide();
    if (m_nTickTimer != 0) {
        m_tickTimer.stop();
        m_nTickTimer = 0;
    }
    if (m_nLatchTimer != 0) {
        m_latchTimer.stop();
        m_nLatchTimer = 0;
    }
    m_midiOut.SetOpenFailedHandler(nullptr);
    // A clean exit leaves no recovery file behind.
    m_recoveryWriter.Flush();
    m_recoveryFile.Close();
    CKeyboard::Destroy();
}

void CMainView::SetFrameReport(IFrameReport* pFrame) {
    m_pFrame = pFrame;
}

void CMainView::ReportMidiOpenFailed() {
    m_dialogs.ShowMessage(QString::fromLatin1(CMidiOut::kOpenFailedCaption),
                          QString::fromLatin1(CMidiOut::kOpenFailedText));
}

// Painting -------------------------------------------------------------------------------------

void CMainView::UpdateWindowFromFrame(const QRegion& rgn) {
    const QRegion rgnLogical = CViewPresenter::ToLogical(rgn, GetDeviceRatio());
    m_presenter.AddChanged(rgnLogical);
    if (!IsInFrameBatch()) {
        // Shown at once, as a lit note must be: a queued update would wait for the event loop.
        repaint(rgnLogical);
    }
}

void CMainView::ShowFrameBatch() {
    // Shown at the end of every batch, an inner one too: a dialog's own event loop inside a
    // key's batch still lets the ticks show their notes. What is still to show is what changed
    // since the last paint; one repaint for all of it, as each has a fixed cost.
    if (!m_presenter.GetChanged().isEmpty()) {
        const QRegion rgn = m_presenter.GetChanged(); // the paint empties it
        repaint(rgn);
    }
}

bool CMainView::event(QEvent* pEvent) {
    switch (pEvent->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::Wheel: {
        BeginFrameBatch();
        const bool bHandled = QWidget::event(pEvent);
        EndFrameBatch();
        ShowSounding();
        CheckDocuments();
        return bHandled;
    }
    case QEvent::ScreenChangeInternal:
        // Moved to a screen of another density: drawn again at that density.
        FollowDeviceRatio();
        return QWidget::event(pEvent);
    default:
        return QWidget::event(pEvent);
    }
}

void CMainView::OnTimerTick() {
    // The tick's MIDI leaves without waiting for pictures; the notes it changed are drawn
    // right after it, once for all of them.
    DeferNotes(true);
    BeginFrameBatch();
    CNotePlayer::OnTimerTick();
    EndFrameBatch();
    DeferNotes(false);
    ShowSounding();
    CheckDocuments();
}

void CMainView::OnNoteDeferred() {
    if (m_bDeferredDrawQueued) {
        return;
    }
    m_bDeferredDrawQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bDeferredDrawQueued = false;
            DrawDeferredNotes();
        },
        Qt::QueuedConnection);
}

void CMainView::InvalidateView() {
    m_bComposePending = true;
    update();
}

void CMainView::paintEvent(QPaintEvent* pEvent) {
    FollowDeviceRatio();
    OnPaint(pEvent->region());
}

void CMainView::FollowDeviceRatio() {
    const double dRatio = devicePixelRatioF();
    if (dRatio == GetDeviceRatio()) {
        return;
    }
    SetDeviceRatio(dRatio);
    // The window's pixels are all new: nothing it showed before can be built on.
    m_presenter.Forget();
    m_bComposePending = true;
    update();
}

void CMainView::OnPaint(const QRegion& rgn) {
    // When nothing else asked for this paint, the window showed the frame before the changes
    // this paint is for: only they are shown, the rings painted again and the rest copied.
    // The frame and its changes are in device pixels, rgn and the window's regions in logical
    // ones.
    const bool bKept = TakeFrameChanges(m_presenter.GetFrameChanges());
    const QRegion rgnChanged = m_presenter.TakeChanged();
    const QImage& frame = GetFrame();
    const double dRatio = GetDeviceRatio();
    // The frame buffer grows with the view, so it covers the window whole.
    const QRect rcView = QRect(QPoint(0, 0), m_frame.GetViewSize())
                             .intersected(CViewPresenter::ToDevice(rect(), dRatio))
                             .intersected(frame.rect());
    const bool bComposed = m_bComposePending;
    if (m_bComposePending) {
        ComposeFrame();
        m_bComposePending = false;
    }
    m_presenter.Show(*this, frame, dRatio, rcView, rgn, rgnChanged, bKept, bComposed);
}

void CMainView::resizeEvent(QResizeEvent* pEvent) {
    QWidget::resizeEvent(pEvent);
    FollowDeviceRatio();
    SetViewSize(pEvent->size().width(), pEvent->size().height());
    // A new size repaints the whole window from a fresh composition.
    InvalidateView();
}

// Mode flags -----------------------------------------------------------------------------------

void CMainView::SetFlags(bool bFromKeyDown, std::uint32_t dwNew) {
    if (bFromKeyDown) {
        if ((dwNew & kFlagLatch) != 0 && m_nLatchTimer == 0) {
            m_latchTimer.start();
            m_nLatchTimer = ID_TIMER_LATCH;
        }
    } else if (m_nLatchTimer != 0) {
        m_latchTimer.stop();
        m_nLatchTimer = 0;
        dwNew &= ~kFlagLatch;
    }

    const std::uint32_t dwChanged = dwNew ^ m_dwFlags;

    const std::uint32_t n = static_cast<std::uint32_t>(CScale::GetChordSize(dwNew));
    const std::uint32_t r = ((dwNew & kFlagInversionMask) >> kInversionShift) % n;
    dwNew = (dwNew & ~(kFlagChordSizeMask | kFlagInversionMask)) | (n << kChordSizeShift) |
            (r << kInversionShift);

    if ((dwChanged & kStatusBarFlags) != 0 && m_pFrame != nullptr) {
        m_pFrame->SetModeFlags(dwNew);
    }

    if ((dwChanged & kFlagPenMode) != 0 && (dwNew & kFlagPenMode) != 0) {
        SetCurrentNote(-1);
    }

    if ((dwChanged & kFlagPenMode) != 0) {
        CheckCommand(ID_TOOLS_PEN_MODE, (dwNew & kFlagPenMode) != 0, true);
    } else if ((dwChanged & kFlagChordMode) != 0) {
        CheckCommand(ID_TOOLS_CHORD_MODE, (dwNew & kFlagChordMode) != 0, true);
    } else if ((dwChanged & kFlagKlavierMode) != 0) {
        CheckCommand(ID_TOOLS_KLAVIER_MODE, (dwNew & kFlagKlavierMode) != 0, false);
    } else if ((dwChanged & kFlagWhiteOnly) != 0) {
        CheckCommand(ID_TOOLS_WHITE_ONLY, (dwNew & kFlagWhiteOnly) != 0, false);
    }

    m_dwFlags = dwNew;
    OnSetCursor();
    if ((dwChanged & kFlagChordMode) != 0) {
        m_nWheelRest = 0; // a new chord starts from whole notches
    }
    if ((dwChanged & (kFlagKlavierMode | kFlagChordMode)) != 0 && m_grid.HasLabels()) {
        UpdateKeyLabels();
    }
}

void CMainView::OnLatchExpired() {
    m_dwFlags &= ~kFlagLatch;
    m_latchTimer.stop();
    m_nLatchTimer = 0;
}

void CMainView::OnSetCursor() {
    setCursor((m_dwFlags & kFlagPenMode) != 0 ? m_hPenCursor : m_hArrowCursor);
}

void CMainView::CheckCommand(unsigned nID, bool bChecked, bool bToolbar) {
    if (m_pFrame != nullptr) {
        m_pFrame->CheckCommand(nID, bChecked, bToolbar);
    }
}

// Keys -----------------------------------------------------------------------------------------

void CMainView::keyPressEvent(QKeyEvent* pEvent) {
    // A held key plays once: auto-repeats are dropped without default handling.
    if (CKeyTranslator::IsAutoRepeat(*pEvent)) {
        pEvent->accept();
        return;
    }
    const std::optional<unsigned> vk = CKeyTranslator::ToVirtualKey(*pEvent);
    if (vk && m_grid.HasLabels()) {
        // What the key writes is what the layout prints on it.
        const QString strBefore = m_keyLabels.Label(*vk);
        m_keyLabels.Learn(*pEvent);
        if (m_keyLabels.Label(*vk) != strBefore) {
            UpdateKeyLabels();
        }
    } else {
        m_keyLabels.Learn(*pEvent);
    }
    if (!vk || !OnKeyDown(*vk)) {
        QWidget::keyPressEvent(pEvent);
    }
}

void CMainView::keyReleaseEvent(QKeyEvent* pEvent) {
    if (CKeyTranslator::IsAutoRepeat(*pEvent)) {
        pEvent->accept();
        return;
    }
    const std::optional<unsigned> vk = CKeyTranslator::ToVirtualKey(*pEvent);
    if (!vk || !OnKeyUp(*vk)) {
        QWidget::keyReleaseEvent(pEvent);
    }
}

bool CMainView::OnKeyDown(unsigned nChar) {
    std::uint32_t dwFlags = m_dwFlags;
    unsigned nValue = nChar;
    unsigned nAction = CKeyMap::kActionNone;
    if (!m_keyMap.OnKeyDown(dwFlags, nValue, nAction)) {
        return false;
    }
    switch (nAction) {
    case CKeyMap::kActionNavigate:
        if (m_scale.Navigate(static_cast<std::uint8_t>(nValue), m_dwFlags)) {
            NotifyTonalityChanged(nullptr);
        }
        break;
    case CKeyMap::kActionNote:
        PlayKey(static_cast<int>(nValue));
        break;
    case CKeyMap::kActionFlags:
        SetFlags(true, dwFlags);
        break;
    case CKeyMap::kActionDegree:
        PlayKey(m_scale.DegreeToNote(static_cast<std::uint8_t>(nValue)));
        break;
    default:
        break;
    }
    return true;
}

bool CMainView::OnKeyUp(unsigned nChar) {
    std::uint32_t dwFlags = m_dwFlags;
    unsigned nValue = nChar;
    unsigned nAction = CKeyMap::kActionNone;
    if (!m_keyMap.OnKeyUp(dwFlags, nValue, nAction)) {
        return false;
    }
    if (nAction == CKeyMap::kActionFlags) {
        SetFlags(false, dwFlags);
    }
    return true;
}

// Mouse ----------------------------------------------------------------------------------------

unsigned CMainView::MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    unsigned nFlags = 0;
    if (buttons.testFlag(Qt::LeftButton)) {
        nFlags |= MK_LBUTTON;
    }
    if (buttons.testFlag(Qt::RightButton)) {
        nFlags |= MK_RBUTTON;
    }
    if (buttons.testFlag(Qt::MiddleButton)) {
        nFlags |= MK_MBUTTON;
    }
    if (modifiers.testFlag(Qt::ShiftModifier)) {
        nFlags |= MK_SHIFT;
    }
    if (modifiers.testFlag(Qt::ControlModifier)) {
        nFlags |= MK_CONTROL;
    }
    return nFlags;
}

void CMainView::mouseMoveEvent(QMouseEvent* pEvent) {
    OnMouseMove(MouseFlags(pEvent->buttons(), pEvent->modifiers()), pEvent->position().toPoint());
}

void CMainView::mousePressEvent(QMouseEvent* pEvent) {
    const unsigned nFlags = MouseFlags(pEvent->buttons(), pEvent->modifiers());
    const QPoint point = pEvent->position().toPoint();
    if (pEvent->button() == Qt::LeftButton) {
        OnLButtonDown(nFlags, point);
    } else if (pEvent->button() == Qt::RightButton) {
        OnRButtonDown(nFlags);
    } else {
        QWidget::mousePressEvent(pEvent);
    }
}

void CMainView::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::LeftButton) {
        OnLButtonUp();
    } else {
        QWidget::mouseReleaseEvent(pEvent);
    }
}

void CMainView::wheelEvent(QWheelEvent* pEvent) {
    OnMouseWheel(pEvent->angleDelta().y(), pEvent->modifiers().testFlag(Qt::ControlModifier),
                 pEvent->position().toPoint());
    QWidget::wheelEvent(pEvent);
}

void CMainView::OnMouseMove(unsigned nFlags, const QPoint& point) {
    const bool bPenMode = (m_dwFlags & kFlagPenMode) != 0;
    if (!bPenMode && m_bDragging != 0 && (nFlags & MK_SHIFT) != 0 && (nFlags & MK_LBUTTON) != 0) {
        DragTo(point);
        return;
    }
    // While a button is held the view keeps getting moves from outside it too; the lattice
    // goes on there, but what cannot be seen cannot be played.
    const int nNote = rect().contains(point) ? m_grid.PointToNote(point.x(), point.y()) : -1;
    if (bPenMode) {
        if (nNote != m_nCurrentNote) {
            m_nCurrentNote = nNote;
            if (nNote != -1 && (nFlags & MK_RBUTTON) != 0) {
                PlayKey(nNote);
            }
        }
        if (m_bDragging != 0 && (nFlags & MK_LBUTTON) != 0) {
            StrokeTo(point);
        }
    } else if (nNote != m_nCurrentNote) {
        SetCurrentNote(nNote);
        if (nNote != -1 && (nFlags & MK_LBUTTON) != 0) {
            PlayKey(nNote);
        }
    }
}

void CMainView::OnLButtonDown(unsigned nFlags, const QPoint& point) {
    if ((m_dwFlags & kFlagPenMode) != 0) {
        m_bDragging = 1;
        if ((nFlags & MK_SHIFT) != 0) {
            StrokeTo(point);
        } else {
            m_ptDrag = point;
        }
    } else if ((nFlags & MK_SHIFT) != 0) {
        m_ptDrag = point;
        m_bDragging = 1;
    } else if (m_nCurrentNote != -1) {
        PlayKey(m_nCurrentNote);
    }
}

void CMainView::OnLButtonUp() {
    m_bDragging = 0;
}

void CMainView::OnRButtonDown(unsigned nFlags) {
    if (m_nCurrentNote == -1) {
        return;
    }
    if ((m_dwFlags & kFlagPenMode) != 0) {
        PlayKey(m_nCurrentNote);
    } else if (m_scale.ApplyDegree(static_cast<std::uint8_t>(m_nCurrentNote % 12), nFlags)) {
        NotifyTonalityChanged(nullptr);
    }
}

void CMainView::OnMouseWheel(int zDelta) {
    OnMouseWheel(zDelta, false, QPoint());
}

void CMainView::OnMouseWheel(int zDelta, bool bControl, const QPoint& pt) {
    // Small steps add up; a whole step is taken once they reach a notch, and what is left over
    // waits for the next ones. A notch of 120 thus turns once, as it always did.
    if (!bControl && (m_dwFlags & kFlagChordMode) == 0) {
        m_nWheelRest = 0;
        m_nZoomWheelRest = 0;
        return;
    }
    int& nRest = bControl ? m_nZoomWheelRest : m_nWheelRest;
    nRest += zDelta;
    const int q = nRest / kWheelDelta;
    nRest -= q * kWheelDelta;
    if (bControl) {
        m_nWheelRest = 0;
        if (q != 0) {
            SetZoom(m_grid.GetZoom() + q, pt);
        }
        return;
    }
    m_nZoomWheelRest = 0;
    if (q == 0) {
        return;
    }
    const int r = static_cast<int>((m_dwFlags & kFlagInversionMask) >> kInversionShift);
    int n = static_cast<int>((m_dwFlags & kFlagChordSizeMask) >> kChordSizeShift);
    if (n == 0) {
        n = 1;
    }
    const int rNew = static_cast<std::uint8_t>(r + q + 4 * n) % n;
    SetFlags(false, (m_dwFlags & ~kFlagInversionMask) |
                        (static_cast<std::uint32_t>(rNew) << kInversionShift));
}

// Notifications of the player --------------------------------------------------------------------

void CMainView::OnTonalityChanged(const void* pSender) {
    if (pSender != &m_wndScale) {
        m_wndScale.Refresh();
    }
    RefreshScaleFinder();
    if (m_pFrame != nullptr) {
        m_pFrame->SetTonalityText(QString::fromLatin1(m_scale.GetName()),
                                  QString::fromLatin1(m_scale.GetKeynoteName()));
    }
    CheckKeynote();
    if (m_grid.HasLabels()) {
        UpdateKeyLabels(); // the keypad's degrees moved with the scale
    }
    InvalidateView();
}

void CMainView::CheckKeynote() {
    // The Keynote menu marks the keynote, whatever moved it.
    if (m_pFrame != nullptr) {
        m_pFrame->CheckMenuRadioItem(ID_TONALITY_KEY_C, ID_TONALITY_KEY_B,
                                     ID_TONALITY_KEY_C + (m_scale.m_nKeynote % 12u));
    }
}

void CMainView::SetZoom(int nZoom, const QPoint& ptFixed) {
    nZoom = std::clamp(nZoom, CNoteGrid::kZoomMin, CNoteGrid::kZoomMax);
    if (nZoom == m_grid.GetZoom()) {
        return;
    }
    CKeyboard::SetZoom(nZoom, ptFixed);
    // The note under the mouse is found again at the next move.
    m_nCurrentNote = -1;
    InvalidateView();
}

void CMainView::SetKeyLabels(bool bOn) {
    if (bOn) {
        UpdateKeyLabels();
    } else {
        m_grid.ClearLabels();
    }
    CheckCommand(ID_VIEW_KEY_LABELS, bOn, false);
    InvalidateView();
}

void CMainView::UpdateKeyLabels() {
    std::array<int, 10> degreeNotes{};
    for (std::size_t d = 0; d < degreeNotes.size(); ++d) {
        degreeNotes[d] = m_scale.DegreeToNote(static_cast<std::uint8_t>(d));
    }
    std::array<QString, CNoteGrid::kNotes> keys;
    std::array<QString, CNoteGrid::kNotes> degrees;
    m_keyLabels.NoteLabels(m_keyMap, m_dwFlags, degreeNotes, keys, degrees);
    m_grid.SetLabels(keys, degrees);
    InvalidateView();
}

void CMainView::SetPalette(SKeyboardPalette::EKind ePalette) {
    m_grid.SetPalette(ePalette);
    if (m_pFrame != nullptr) {
        m_pFrame->CheckMenuRadioItem(ID_VIEW_PALETTE_CLASSIC, ID_VIEW_PALETTE_SAFE,
                                     ePalette == SKeyboardPalette::EKind::ColourBlindSafe
                                         ? ID_VIEW_PALETTE_SAFE
                                         : ID_VIEW_PALETTE_CLASSIC);
    }
    InvalidateView();
}

void CMainView::OnPlayStart(bool /*bContinue*/) {
    CheckCommand(ID_TRACK_PLAY, true, true);
}

void CMainView::OnPlayStop() {
    CheckCommand(ID_TRACK_PLAY, false, true);
}

// Commands -------------------------------------------------------------------------------------

void CMainView::OnPenChanged(const QColor& clrPen, int nWidth) {
    m_image.SetPen(clrPen, nWidth);
}

bool CMainView::OnQueryClose() {
    return SaveModified(EDocument::Song) && SaveModified(EDocument::Drawing);
}

bool CMainView::OnCommand(unsigned nID) {
    const bool bHandled = RunCommand(nID);
    ShowSounding();
    CheckDocuments();
    return bHandled;
}

bool CMainView::RunCommand(unsigned nID) {
    if (nID >= ID_TONALITY_KEY_C && nID <= ID_TONALITY_KEY_B) {
        OnKeynote(nID);
        return true;
    }
    if (nID >= ID_SCALE_MAJOR_NATURAL && nID <= ID_SCALE_CHROMATIC) {
        OnScale(nID);
        return true;
    }
    switch (nID) {
    case ID_FILE_NEW_ALL:
    case ID_FILE_NEW_TRACK:
    case ID_FILE_NEW_IMAGE:
        OnFileNew(nID);
        break;
    case ID_FILE_OPEN:
        OnFileOpen();
        break;
    case ID_FILE_SAVE_AS:
        OnFileSaveAs();
        break;
    case ID_FILE_SAVE_LAST_PLAYED:
        OnFileSaveLastPlayed();
        break;
    case ID_FILE_INSERT_LAST_PLAYED:
        OnFileInsertLastPlayed();
        break;
    case ID_FILE_EXPORT_AUDIO:
        OnFileExportAudio();
        break;
    case ID_TONALITY_FIND_SCALE:
        if (m_wndScaleFinder.IsShown()) {
            m_wndScaleFinder.activateWindow();
            m_wndScaleFinder.raise();
        } else {
            m_wndScaleFinder.show();
        }
        break;
    case ID_TONALITY_CUSTOM:
        ActivateToolWindow(m_wndScale, m_wndScale.IsShown(), ID_VIEW_SCALE_WINDOW);
        break;
    case ID_VIEW_SCALE_WINDOW:
        ToggleToolWindow(m_wndScale, m_wndScale.IsShown(), ID_VIEW_SCALE_WINDOW);
        break;
    case ID_VIEW_ORCHESTRA_WINDOW:
        ToggleToolWindow(m_wndOrchestra, m_wndOrchestra.IsShown(), ID_VIEW_ORCHESTRA_WINDOW);
        break;
    case ID_ACTIVATE_ORCHESTRA_WINDOW:
        ActivateToolWindow(m_wndOrchestra, m_wndOrchestra.IsShown(), ID_VIEW_ORCHESTRA_WINDOW);
        break;
    case ID_VIEW_OPTIONS_WINDOW:
        ToggleToolWindow(m_wndOptions, m_wndOptions.IsShown(), ID_VIEW_OPTIONS_WINDOW);
        break;
    case ID_VIEW_SIMPLE:
        m_grid.m_bSimple = m_grid.m_bSimple != 0 ? 0 : 1;
        m_grid.m_bRedraw = 1;
        CheckCommand(ID_VIEW_SIMPLE, m_grid.m_bSimple != 0, true);
        InvalidateView();
        break;
    case ID_TRACK_PLAY:
        if (m_bPlaying) {
            StopPlay();
        } else {
            StartPlay(false);
        }
        break;
    case ID_TRACK_RECORD:
        m_bRecording = !m_bRecording;
        CheckCommand(ID_TRACK_RECORD, m_bRecording, true);
        if (m_bRecording) {
            m_song.ResetRecordPositions();
        } else {
            WriteRecovery();
        }
        break;
    case ID_TRACK_IGNORE_SYSEX:
        m_bIgnoreSysEx = !m_bIgnoreSysEx;
        CheckCommand(ID_TRACK_IGNORE_SYSEX, m_bIgnoreSysEx, false);
        break;
    case ID_TOOLS_CHORD_ARPEGGIO:
        m_bArpeggio = !m_bArpeggio;
        CheckCommand(ID_TOOLS_CHORD_ARPEGGIO, m_bArpeggio, false);
        break;
    case ID_TOOLS_PLAY_SCALE:
        PlayScale();
        break;
    case ID_TOOLS_RESET_MIDI:
        ResetMidi();
        InvalidateView();
        break;
    case ID_TOOLS_WHITE_ONLY:
        OnKeyUp(VK_F6);
        break;
    case ID_TOOLS_PEN_MODE:
        OnKeyUp(VK_F7);
        break;
    case ID_TOOLS_CHORD_MODE:
        OnKeyUp(VK_OEM_3);
        break;
    case ID_TOOLS_KLAVIER_MODE:
        OnKeyUp(VK_F8);
        break;
    case ID_VIEW_ZOOM_IN:
    case ID_VIEW_ZOOM_OUT:
    case ID_VIEW_ZOOM_ACTUAL: {
        const int nZoom = nID == ID_VIEW_ZOOM_ACTUAL ? CNoteGrid::kZoomActual
                          : nID == ID_VIEW_ZOOM_IN   ? m_grid.GetZoom() + 1
                                                     : m_grid.GetZoom() - 1;
        SetZoom(nZoom, rect().center());
        break;
    }
    case ID_VIEW_KEY_LABELS:
        SetKeyLabels(!m_grid.HasLabels());
        break;
    case ID_VIEW_PALETTE_CLASSIC:
        SetPalette(SKeyboardPalette::EKind::Classic);
        break;
    case ID_VIEW_PALETTE_SAFE:
        SetPalette(SKeyboardPalette::EKind::ColourBlindSafe);
        break;
    default:
        return false;
    }
    return true;
}

void CMainView::OnKeynote(unsigned nID) {
    if (m_pFrame != nullptr) {
        m_pFrame->CheckMenuRadioItem(ID_TONALITY_KEY_C, ID_TONALITY_KEY_B, nID);
    }
    m_scale.SetPattern(static_cast<std::uint8_t>(nID - ID_TONALITY_KEY_C), nullptr);
    NotifyTonalityChanged(nullptr);
}

void CMainView::OnScale(unsigned nID) {
    m_scale.SelectScale(static_cast<int>(nID - ID_SCALE_MAJOR_NATURAL));
    NotifyTonalityChanged(nullptr);
}

void CMainView::ToggleToolWindow(QWidget& wnd, bool bShown, unsigned nID) {
    CheckCommand(nID, !bShown, false);
    wnd.setVisible(!bShown);
}

void CMainView::ActivateToolWindow(QWidget& wnd, bool bShown, unsigned nID) {
    if (bShown) {
        wnd.activateWindow();
        wnd.raise();
    } else {
        CheckCommand(nID, true, false);
        wnd.show();
    }
}

// File commands ----------------------------------------------------------------------------------

void CMainView::OnFileNew(unsigned nID) {
    unsigned nMask = 0;
    switch (nID) {
    case ID_FILE_NEW_ALL:
        nMask = kNewTrack | kNewImage;
        break;
    case ID_FILE_NEW_TRACK:
        nMask = kNewTrack;
        break;
    case ID_FILE_NEW_IMAGE:
        nMask = kNewImage;
        break;
    default:
        return;
    }
    // Every question comes before anything is renewed: a Cancel leaves both as they were.
    if (((nMask & kNewTrack) != 0 && !SaveModified(EDocument::Song)) ||
        ((nMask & kNewImage) != 0 && !SaveModified(EDocument::Drawing))) {
        return;
    }
    if ((nMask & kNewTrack) != 0) {
        m_song.Reset();
        m_wndOrchestra.Reset();
        // The reset song plays at 100 %; the Options sliders may say otherwise.
        m_wndOptions.ResendPlaying();
        m_song.SetModified(false);
    }
    if ((nMask & kNewImage) != 0) {
        m_image.Clear();
        InvalidateView();
    }
}

void CMainView::OnFileOpen() {
    const QStringList filters{QStringLiteral("All supported (*.mid *.bmp)"),
                              QStringLiteral("Midi Files (*.mid)"),
                              QStringLiteral("Bitmap images (*.bmp)")};
    QString strPath;
    if (m_dialogs.GetOpenPath(filters, strPath)) {
        OpenPath(strPath);
    }
}

void CMainView::OnInputMessages(const std::vector<std::uint32_t>& messages) {
    BeginFrameBatch();
    for (const std::uint32_t dwMsg : messages) {
        OnInputMessage(dwMsg);
    }
    EndFrameBatch();
    CheckDocuments();
}

void CMainView::OpenFiles(const QStringList& paths) {
    for (const QString& strPath : paths) {
        OpenPath(strPath);
    }
    CheckDocuments();
}

void CMainView::OpenPath(const QString& strPath) {
    // Only the extension decides; the chosen filter plays no part. It also decides what the
    // open would replace, and so which question comes first.
    const QString strExt = ExtensionOf(strPath).toUpper();
    const QString strName = QFileInfo(strPath).fileName();
    if (strExt == QLatin1String("MID")) {
        if (!SaveModified(EDocument::Song)) {
            return;
        }
        if (const CFileResult result = OpenSong(ToPath(strPath))) {
            OnSongOpened();
            m_strSongPath = strPath;
        } else {
            ReportFileFailure("open", strName, result);
        }
    } else if (strExt == QLatin1String("BMP")) {
        if (!SaveModified(EDocument::Drawing)) {
            return;
        }
        if (const CFileResult result = m_image.LoadBmp(strPath)) {
            m_strImagePath = strPath;
        } else {
            ReportFileFailure("open", strName, result);
        }
        InvalidateView();
    }
}

void CMainView::OnSongOpened() {
    m_wndOrchestra.RefillFromSong(m_song);
    m_wndOrchestra.ResendDuration();
}

void CMainView::OnFileSaveAs() {
    SaveAs(kFilterMidi);
}

bool CMainView::SaveAs(int nFilter) {
    const QStringList filters{QStringLiteral("Midi File (*.mid)"),
                              QStringLiteral("Bitmap image (*.bmp)")};
    QString strPath;
    // The chosen filter alone decides the format.
    if (!AskSavePath(filters, {m_strSongPath, m_strImagePath},
                     {QStringLiteral(".MID"), QStringLiteral(".BMP")}, strPath, nFilter)) {
        return false;
    }
    const bool bSong = nFilter == kFilterMidi;
    const CFileResult result = bSong ? m_song.Save(ToPath(strPath)) : m_image.SaveBmp(strPath);
    if (!result) {
        ReportFileFailure("save", QFileInfo(strPath).fileName(), result);
        return false;
    }
    (bSong ? m_strSongPath : m_strImagePath) = strPath;
    return true;
}

bool CMainView::AskSavePath(const QStringList& filters, const QStringList& startPaths,
                            const QStringList& extensions, QString& strPath, int& nFilter) {
    if (!m_dialogs.GetSavePath(filters, startPaths, strPath, nFilter) || nFilter < 1 ||
        nFilter > extensions.size()) {
        return false;
    }
    // The dialog asked about the name as typed only, so a file under the longer name is asked
    // about here.
    if (!HasExtension(strPath)) {
        strPath += extensions[nFilter - 1];
        if (QFileInfo::exists(strPath) &&
            m_dialogs.Ask(QString::fromLatin1(kCaption),
                          QStringLiteral("%1 already exists. Do you want to replace it?")
                              .arg(QFileInfo(strPath).fileName()),
                          QMessageBox::Yes | QMessageBox::No,
                          QMessageBox::No) != QMessageBox::Yes) {
            return false;
        }
    }
    return true;
}

bool CMainView::SaveModified(EDocument eDocument) {
    const bool bSong = eDocument == EDocument::Song;
    const auto isModified = [this, bSong] {
        return bSong ? m_song.IsModified() : m_image.IsModified();
    };
    if (!isModified()) {
        return true;
    }
    const QMessageBox::StandardButton answer = m_dialogs.Ask(
        QString::fromLatin1(kCaption),
        bSong ? QStringLiteral("Save changes to the song?")
              : QStringLiteral("Save changes to the drawing?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Discard) {
        return true;
    }
    if (answer != QMessageBox::Save) {
        return false;
    }
    // Saved under the other kind, or not at all, it is still unsaved: nothing is dropped.
    SaveAs(bSong ? kFilterMidi : kFilterBitmap);
    return !isModified();
}

void CMainView::ReportFileFailure(const char* pszVerb, const QString& strWhat,
                                  const CFileResult& result) {
    const QString strReason = QString::fromLocal8Bit(result.GetReason());
    m_dialogs.ShowMessage(
        QString::fromLatin1(kCaption),
        QStringLiteral("Could not %1 %2: %3").arg(QLatin1String(pszVerb), strWhat, strReason));
}

// What was played and what sounds --------------------------------------------------------------

void CMainView::OnFileSaveLastPlayed() {
    CSong played;
    if (!m_capture.MakeSong(played, GetLiveTime(), m_song.m_nTicksPerQuarter, m_song.m_nStep)) {
        m_dialogs.ShowMessage(QString::fromLatin1(kCaption),
                              QStringLiteral("Nothing was played in the last 30 minutes."));
        return;
    }
    QString strPath;
    int nFilter = kFilterMidi;
    if (!AskSavePath({QStringLiteral("Midi File (*.mid)")}, {m_strLastPlayedPath},
                     {QStringLiteral(".MID")}, strPath, nFilter)) {
        return;
    }
    if (const CFileResult result = played.Save(ToPath(strPath)); !result) {
        ReportFileFailure("save", QFileInfo(strPath).fileName(), result);
        return;
    }
    m_strLastPlayedPath = strPath;
}

void CMainView::OnFileInsertLastPlayed() {
    if (!m_capture.AddToSong(m_song, GetLiveTime())) {
        m_dialogs.ShowMessage(QString::fromLatin1(kCaption),
                              QStringLiteral("Nothing was played in the last 30 minutes."));
        return;
    }
    m_song.MarkModified();
    SendPrograms();
    OnSongOpened();
}

void CMainView::OnFileExportAudio() {
    QStringList filters{QStringLiteral("Wave audio (*.wav)")};
    QStringList extensions{QStringLiteral(".wav")};
    if (CAudioExporter::CanWrite(CAudioExporter::EFormat::Flac)) {
        filters << QStringLiteral("FLAC audio (*.flac)");
        extensions << QStringLiteral(".flac");
    }
    QString strStart = m_strAudioPath;
    if (strStart.isEmpty() && !m_strSongPath.isEmpty()) {
        const QFileInfo song(m_strSongPath);
        strStart = song.dir().filePath(song.completeBaseName() + QStringLiteral(".wav"));
    }
    QString strPath;
    int nFilter = 1;
    if (!AskSavePath(filters, QStringList(filters.size(), strStart), extensions, strPath,
                     nFilter)) {
        return;
    }
    const auto eFormat =
        nFilter == 2 ? CAudioExporter::EFormat::Flac : CAudioExporter::EFormat::Wav;
    if (ExportAudio(strPath, eFormat) == CAudioExporter::EResult::Done) {
        m_strAudioPath = strPath;
    }
}

CAudioExporter::EResult CMainView::ExportAudio(const QString& strPath,
                                               CAudioExporter::EFormat eFormat) {
    const QString strName = QFileInfo(strPath).fileName();
    // The built-in synthesiser's SoundFont, whichever output plays now.
    const IMidiPort* pPort = m_midiOut.GetPort();
    if (const auto* pSwitch = dynamic_cast<const CPortSwitch*>(pPort)) {
        pPort = &pSwitch->GetBuiltIn();
    }
    const auto* pSynthPort = dynamic_cast<const CFluidSynthPort*>(pPort);
    CAudioExporter exporter(pSynthPort != nullptr ? pSynthPort->GetSoundFont()
                                                  : CFluidSynthPort::FindSoundFont());
    CPlaybackSource source(m_song, m_bIgnoreSysEx);

    QProgressDialog progress(QStringLiteral("Exporting %1...").arg(strName),
                             QStringLiteral("Cancel"), 0, 100, this);
    progress.setWindowTitle(QString::fromLatin1(kCaption));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    std::atomic<bool> bCancel{false};
    std::atomic<bool> bDone{false};
    connect(&progress, &QProgressDialog::canceled, this, [&bCancel] { bCancel = true; });

    // The song sounds on meanwhile; only the copy the source took is rendered.
    CAudioExporter::EResult eResult = CAudioExporter::EResult::WriteFailed;
    std::thread worker([&] {
        eResult = exporter.Export(source, ToPath(strPath), eFormat, bCancel, [&progress](double f) {
            const int nValue = static_cast<int>(f * 100);
            QMetaObject::invokeMethod(
                &progress, [&progress, nValue] { progress.setValue(nValue); },
                Qt::QueuedConnection);
        });
        bDone = true;
        // Wakes the loop below.
        QMetaObject::invokeMethod(
            &progress, [] {}, Qt::QueuedConnection);
    });
    progress.show();
    while (!bDone.load()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    worker.join();
    progress.hide();

    if (eResult == CAudioExporter::EResult::NoSoundFont) {
        m_dialogs.ShowMessage(
            QString::fromLatin1(kCaption),
            QStringLiteral("Could not export %1: there is no SoundFont to play the song with")
                .arg(strName));
    } else if (eResult == CAudioExporter::EResult::WriteFailed) {
        ReportFileFailure("export", strName, exporter.GetError());
    }
    return eResult;
}

void CMainView::ShowSounding() {
    if (!m_sounding.TakeChanged()) {
        return;
    }
    if (m_pFrame != nullptr) {
        const int nLowest = m_sounding.GetLowest();
        m_pFrame->SetChordNameText(QString::fromStdString(
            CChordNamer::Name(m_sounding.GetPitchClasses(), nLowest < 0 ? -1 : nLowest % 12)));
    }
    RefreshScaleFinder();
}

void CMainView::RefreshScaleFinder() {
    if (m_wndScaleFinder.IsShown()) {
        m_wndScaleFinder.Refresh(m_sounding.IsSilent() ? m_sounding.GetLastChord()
                                                       : m_sounding.GetPitchClasses());
    }
}

// Unsaved work and its recovery --------------------------------------------------------------

void CMainView::CheckDocuments() {
    const bool bModified = m_song.IsModified() || m_image.IsModified();
    if (m_pFrame != nullptr) {
        m_pFrame->SetDocumentModified(bModified);
    }
    if (!m_recoveryFile.IsOpen()) {
        return;
    }
    if (!m_song.IsModified()) {
        // Saved, opened or renewed: there is nothing left to recover.
        m_recoveryTimer.stop();
        if (m_bRecoveryWritten) {
            m_recoveryWriter.Remove();
            m_bRecoveryWritten = false;
        }
        m_nRecoveryChanges = m_song.GetChangeCount();
    } else if (m_song.GetChangeCount() != m_nRecoveryChanges && !m_recoveryTimer.isActive()) {
        m_recoveryTimer.start();
    }
}

void CMainView::WriteRecovery() {
    m_recoveryTimer.stop();
    if (!m_recoveryFile.IsOpen() || !m_song.IsModified() ||
        m_song.GetChangeCount() == m_nRecoveryChanges) {
        return;
    }
    // Only the encoding runs here; the disk is the writer's thread's.
    std::vector<std::uint8_t> bytes;
    if (m_song.SaveMemory(bytes)) {
        m_recoveryWriter.Write(std::move(bytes));
        m_bRecoveryWritten = true;
    }
    m_nRecoveryChanges = m_song.GetChangeCount();
}

bool CMainView::EnableRecovery(const QString& strFolder) {
    if (m_recoveryFile.Open(ToPath(strFolder))) {
        return false;
    }
    m_nRecoveryChanges = m_song.GetChangeCount();
    m_bRecoveryWritten = false;
    // Asked once the window is up.
    QTimer::singleShot(0, this, &CMainView::OfferRecovery);
    return true;
}

void CMainView::OfferRecovery() {
    if (!m_recoveryFile.TakeOverAbandoned()) {
        return;
    }
    if (m_dialogs.Ask(QString::fromLatin1(kCaption),
                      QStringLiteral("Vorkeln did not close properly. Restore the song "
                                     "recorded then?"),
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes) {
        const CFileResult result = OpenSong(m_recoveryFile.GetPath());
        if (result) {
            OnSongOpened();
            // Restored, the song is as unsaved as it was; the file in the slot holds it already.
            m_song.MarkModified();
            m_nRecoveryChanges = m_song.GetChangeCount();
            m_bRecoveryWritten = true;
            CheckDocuments();
            return;
        }
        ReportFileFailure("restore", QStringLiteral("the song"), result);
    }
    m_recoveryWriter.Remove();
}
