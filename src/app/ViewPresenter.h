#pragma once

#include "keyboard/FrameChanges.h"

#include <QImage>
#include <QRect>
#include <QRegion>

class QWidget;

// Shows a view's composed frame buffer in its window. The frame is in device pixels, the
// window's regions in logical ones; dRatio device pixels make one logical pixel. It keeps what
// the window owes: the parts of the frame that changed since the last paint, their exact
// rectangles and ring stamps, and the parts a paint for less than everything left behind. Where
// the window's pixels are a plain image like the frame, changed rectangles are copied and rings
// stamped straight into them.
class CViewPresenter {
public:
    // The frame changed in rgn (logical pixels); the window shows it at its next paint.
    void AddChanged(const QRegion& rgn) { m_rgnChanged += rgn; }
    // What changed since the last paint.
    const QRegion& GetChanged() const { return m_rgnChanged; }
    // Where the frame's exact changes since the last paint are kept.
    CFrameChanges& GetFrameChanges() { return m_frameChanges; }
    // Hands over what changed since the last paint, and forgets it.
    QRegion TakeChanged();
    // The window's pixels are all new (another density): nothing it showed can be built on.
    void Forget();

    // Paints rgn of wnd from frame, which holds the view in rcView (device pixels); black
    // beyond it. bKept says that the window showed the frame as it was before the exact
    // changes, bComposed that the frame was composed afresh for this paint. What the window
    // still owes after it is asked of wnd as a later paint.
    void Show(QWidget& wnd, const QImage& frame, double dRatio, const QRect& rcView,
              const QRegion& rgn, const QRegion& rgnChanged, bool bKept, bool bComposed);

    // The device pixels that cover a logical rectangle, and the logical pixels that cover
    // device ones (both outward).
    static QRect ToDevice(const QRect& rc, double dRatio);
    static QRect ToLogical(const QRect& rc, double dRatio);
    static QRegion ToLogical(const QRegion& rgn, double dRatio);

private:
    // What AddChanged asked to show since the last paint, and the frame's exact changes inside
    // it (the scratch list keeps its capacity from paint to paint).
    QRegion m_rgnChanged;
    CFrameChanges m_frameChanges;
    // Where the window may not show the frame as it was at the last paint: a paint for less
    // than everything that changed. Such parts are shown by copying them whole.
    QRegion m_rgnWindowBehind;
};
