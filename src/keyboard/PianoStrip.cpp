#include "keyboard/PianoStrip.h"

#include "keyboard/KeyboardArt.h"
#include "keyboard/NoteGrid.h"

#include <algorithm>
#include <cmath>

void CPianoStrip::Create(int cx, int cy, CNoteGrid* pGrid) {
    COffscreenBitmap::Create(cx, cy);
    for (std::size_t i = 0; i < m_brKey.size(); ++i) {
        m_brKey[i] = RgbFromColorRef(kKeyColours[i]);
    }
    LoadSheet(1.0);
    m_pGrid = pGrid;
    m_pressed.reset();
}

void CPianoStrip::LoadSheet(double dScale) {
    if (dScale == 1.0) {
        m_keySheet.Load(kKeySheetId, 12, 1);
    } else {
        m_keySheet.Load(CKeyboardArt::KeySheet(dScale), 12, 1);
    }
    // The note's own row of a key is the middle of its cell.
    m_keySheet.SetAnchor(QPoint(0, m_keySheet.m_cy / 2));
    m_nKeyX = std::max(1, static_cast<int>(std::lround(dScale)));
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
    const int y = m_pGrid->ToDevice(pt.y());
    const int nPitchClass = nNote % 12;
    const QRgb clr = bPressed ? m_brKey[2] : m_brKey[IsBlackKey(nPitchClass) ? 1 : 0];
    if (QPainter* pDC = GetDC()) {
        m_keySheet.Draw(pDC, nPitchClass, m_nKeyX, y, ERop::BrushMask, clr);
    } else {
        m_keySheet.DrawMask(m_bitmap, nPitchClass, QPoint(m_nKeyX, y), clr, m_bitmap.rect());
    }
}

void CPianoStrip::Paint(QPainter* pDC, bool bRedraw) {
    if (BeginDraw() == nullptr) {
        return;
    }
    if (bRedraw) {
        RedrawAll();
    }
    CopyTo(pDC, m_nLeftDevice, 0, ERop::SrcCopy);
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
    const QRect rcKey = m_keySheet.CellRect(m_nKeyX, m_pGrid->ToDevice(pt.y()));
    const QRect rcCopy =
        QRect(0, rcKey.y(), m_sizeView.width(), rcKey.height()).intersected(m_rcView);
    CopyRectTo(pDC, rcCopy, m_nLeftDevice, 0, ERop::SrcCopy);
    if (bPainter) {
        EndDraw();
    }
    return rcCopy.translated(m_nLeftDevice, 0);
}
