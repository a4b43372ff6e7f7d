#pragma once

#include "image/DrawingImage.h"
#include "image/OffscreenBitmap.h"
#include "keyboard/FrameChanges.h"
#include "keyboard/NoteGrid.h"

#include <QCursor>
#include <QPoint>
#include <QRegion>
#include <QSize>
#include <vector>

class QWidget;

// The keyboard half of the main view: the frame buffer in which every picture is composed, the
// lattice keyboard with its strip, and the drawing image over them. Not a widget itself: the
// view derives from it (through the note player) and answers the two repaint hooks.
class CKeyboard {
public:
    static constexpr int kPenCursorId = 130;

    CKeyboard() = default;
    virtual ~CKeyboard();
    CKeyboard(const CKeyboard&) = delete;
    CKeyboard& operator=(const CKeyboard&) = delete;

    // The size of every full-screen bitmap: the primary screen's available area.
    static QSize FullScreenSize();

    // Creates every bitmap at full-screen size, and the cursors.
    void Create(QWidget* pView);
    // The same at a given logical size (tests and benchmarks).
    void Create(QWidget* pView, int cx, int cy);
    void Destroy();

    // The view changed size (logical pixels): frame, image and keyboard follow, the bitmaps
    // growing when the view outgrows them.
    void SetViewSize(int cx, int cy);
    // The view's screen has dRatio device pixels per logical pixel: the frame and the keyboard
    // are drawn at that density from the next composition on. The drawing image keeps its
    // logical pixels.
    void SetDeviceRatio(double dRatio);
    double GetDeviceRatio() const { return m_grid.GetDeviceRatio(); }
    // Zooms the keyboard (CNoteGrid::SetZoom), the note under ptFixed staying under it.
    void SetZoom(int nZoom, QPoint ptFixed);
    // Full composition of the frame: keyboard, then the drawing image ANDed over it. The view
    // then shows the frame's visible part.
    void ComposeFrame();
    // Moves the mouse mark to note n (-1: none) and shows the result at once.
    void SetCurrentNote(int nNote);
    // Lights or clears a note of a channel with its echoes and shows the result at once, or,
    // while notes are deferred, changes its state and leaves the drawing to DrawDeferredNotes.
    void ShowNote(int nChannel, int nNote, bool bOn);
    // While on, note updates only change the notes' states: a tick sends its MIDI without
    // waiting for pictures, and the notes it changed are drawn once, after it.
    void DeferNotes(bool bDefer) { m_bDeferNotes = bDefer; }
    // Draws the notes changed while deferred, as they stand now, and shows them.
    void DrawDeferredNotes();
    // Scrolls the keyboard by the movement since m_ptDrag.
    void DragTo(const QPoint& pt);
    // One pen stroke segment from m_ptDrag to pt.
    void StrokeTo(const QPoint& pt);

    const QImage& GetFrame() const { return m_frame.GetImage(); }
    // The view size in logical pixels, as last set.
    const QSize& GetLogicalViewSize() const { return m_sizeView; }

    COffscreenBitmap m_frame;
    QWidget* m_pView = nullptr;
    QCursor m_hArrowCursor;
    QCursor m_hPenCursor;
    CNoteGrid m_grid;
    CDrawingImage m_image;
    int m_nCurrentNote = -1;
    std::uint8_t m_bDragging = 0;
    QPoint m_ptDrag;

protected:
    // Frame updates between these two share one painter on the frame buffer and reach
    // UpdateWindowFromFrame together when the batch ends: a tick or a chord lights many notes.
    // Batches nest; the end of every batch, an inner one too, calls ShowFrameBatch after that.
    void BeginFrameBatch() { ++m_nFrameBatch; }
    void EndFrameBatch();
    bool IsInFrameBatch() const { return m_nFrameBatch > 0; }
    // A batch ended: show what is still to show.
    virtual void ShowFrameBatch() {}
    // A note was changed while deferred: DrawDeferredNotes is due.
    virtual void OnNoteDeferred() {}
    // The frame buffer changed inside rgn (row bands of the changes, merged where they
    // overlap) and only needs to be shown as it is.
    virtual void UpdateWindowFromFrame(const QRegion& rgn);
    // The whole view must be composed again (ComposeFrame) before it is shown.
    virtual void InvalidateView();
    // Moves what note and mouse-mark updates changed in the frame since the last call into
    // changes. The window hook only gets bands; a view whose window showed the frame before
    // these changes can copy just their rectangles, or paint their stamps itself. False when
    // they were too many to keep: then the bands must be copied whole.
    bool TakeFrameChanges(CFrameChanges& changes);

private:
    // Lays the drawing image over what the last grid operation changed, and asks for it to be
    // shown.
    void FinishFrameUpdate();
    void LoadPenCursor();
    // The frame buffer's device size for a logical size.
    QSize DeviceSize(int cx, int cy) const;
    // The frame's painter: the one a batch keeps open, or a new one.
    QPainter* FrameDC();
    // Hands what changed since the last call to UpdateWindowFromFrame, as one region: once
    // per update, or once at the end of a batch.
    void ShowFrameUpdates();

    // Enough for several ticks of a busy song; past it the list is dropped (see
    // TakeFrameChanges), so that a window that never paints cannot make it grow without end.
    static constexpr std::size_t kMaxFrameChanges = 8192;
    CFrameChanges m_frameChanges;
    bool m_bFrameChangesLost = false;
    // Row bands of the changes not yet handed to UpdateWindowFromFrame.
    std::vector<QRect> m_unshownBands;
    int m_nFrameBatch = 0;
    bool m_bDeferNotes = false;
    QSize m_sizeView{0, 0};
};
