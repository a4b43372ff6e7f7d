#include "keyboard/PianoStrip.h"

#include "keyboard/NoteGrid.h"

void CPianoStrip::Create(int cx, int cy, CNoteGrid* pGrid) {
    COffscreenBitmap::Create(cx, cy);
    for (std::size_t i = 0; i < m_brKey.size(); ++i) {
        m_brKey[i] = RgbFromColorRef(kKeyColours[i]);
    }
    m_keySheet.Load(kKeySheetId, 12, 1);
    m_keySheet.SetAnchor(QPoint(0, 7));
    m_pGrid = pGrid;
    m_pressed.reset();
}

void CPianoStrip::Destroy() {
    COffscreenBitmap::Destroy();
    m_keySheet.Destroy();
}

void CPianoStrip::RedrawAll() {
    QPainter* pDC = GetDC();
    pDC->fillRect(m_rcView, Qt::black);
    for (int n = 0; n < 128; ++n) {
        DrawKey(n, m_pressed.test(static_cast<std::size_t>(n)));
    }
}

void CPianoStrip::DrawKey(int nNote, bool bPressed) {
    if (m_pGrid == nullptr) {
        return;
    }
    QPoint pt;
    m_pGrid->NoteToPoint(nNote, pt);
    const int nPitchClass = nNote % 12;
    const QRgb clr = bPressed ? m_brKey[2] : m_brKey[IsBlackKey(nPitchClass) ? 1 : 0];
    if (QPainter* pDC = GetDC()) {
        m_keySheet.Draw(pDC, nPitchClass, 1, pt.y(), ERop::BrushMask, clr);
    } else {
        m_keySheet.DrawMask(m_bitmap, nPitchClass, QPoint(1, pt.y()), clr, m_bitmap.rect());
    }
}

void CPianoStrip::Paint(QPainter* pDC, bool bRedraw) {
    if (BeginDraw() == nullptr) {
        return;
    }
    if (bRedraw) {
        RedrawAll();
    }
    CopyTo(pDC, m_nLeft, 0, ERop::SrcCopy);
    EndDraw();
}

QRect CPianoStrip::ShowKey(QPainter* pDC, int nNote, bool bPressed) {
    if (nNote < 0 || nNote > 127 || m_pGrid == nullptr || m_bitmap.isNull()) {
        return {};
    }
    // Keys cut into masks are written straight into the strip's pixels; a painter costs more
    // than the key itself.
    const bool bPainter = !m_keySheet.HasMasks();
    if (bPainter && BeginDraw() == nullptr) {
        return {};
    }
    m_pressed.set(static_cast<std::size_t>(nNote), bPressed);
    DrawKey(nNote, bPressed);
    QPoint pt;
    m_pGrid->NoteToPoint(nNote, pt);
    const QRect rcKey = m_keySheet.CellRect(1, pt.y());
    const QRect rcCopy = QRect(0, rcKey.y(), kWidth, rcKey.height()).intersected(m_rcView);
    CopyRectTo(pDC, rcCopy, m_nLeft, 0, ERop::SrcCopy);
    if (bPainter) {
        EndDraw();
    }
    return rcCopy.translated(m_nLeft, 0);
}
