#include "keyboard/NoteGrid.h"

#include "image/PixelRows.h"
#include "keyboard/KeyboardArt.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Until the view hands over its scale: C natural major.
constexpr std::array<std::uint8_t, 12> kCMajor{2, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0};

// Notes of the white keys within an octave, bottom to top.
constexpr std::array<int, 7> kWhiteKeys{0, 2, 4, 5, 7, 9, 11};

// More changes than this become one rectangle, the whole view.
constexpr std::size_t kMaxChanges = 1024;

std::uint8_t ShadeComponent(int nComponent, double dWeight) {
    const double dDistance = 255.0 - nComponent;
    return static_cast<std::uint8_t>(255 - static_cast<int>(dWeight * dDistance));
}

} // namespace

CNoteGrid::CNoteGrid() {
    ResetNoteStates();
}

void CNoteGrid::Create(int cx, int cy) {
    COffscreenBitmap::Create(cx, cy);
    if (QPainter* pDC = BeginDraw()) {
        pDC->fillRect(m_bitmap.rect(), Qt::black);
        EndDraw();
    }
    m_rcNotBlack = QRect();
    const SKeyboardPalette& palette = SKeyboardPalette::Of(m_ePalette);
    m_brBlack = RgbFromColorRef(0x000000);
    m_brWhite = palette.clrWhite;
    m_brGrey = palette.clrGrey;
    for (std::size_t c = 0; c < m_channelColour.size(); ++c) {
        m_channelColour[c] = palette.channelColours[c % palette.channelColours.size()];
    }
    m_nEchoUp = 3;
    m_nEchoDown = -3;
    CreateChannelBrushes();
    m_bSimple = 0;
    ResetNoteStates();
    m_nCellDX = 4 * m_nZoom;
    m_nCellDY = 3 * m_nZoom;
    m_nPeriod = 96 * m_nZoom;
    m_nCopyReach = 9 * m_nZoom;
    m_nOriginX = 0;
    m_nOriginY = 288 * m_nZoom;
    m_strip.Create(CKeyboardArt::Scaled(CPianoStrip::kWidth, ArtScale()) + 2, cy, this);
    LoadSheets();
    m_changed.Clear();
}

void CNoteGrid::EnsureSize(int cx, int cy) {
    // The strip is 58 units wide, and rounding may give it a pixel more on each side.
    const int cxStrip = CKeyboardArt::Scaled(CPianoStrip::kWidth, ArtScale()) + 2;
    if (cx > m_bitmap.width() || cy > m_bitmap.height()) {
        COffscreenBitmap::Create(std::max(cx, m_bitmap.width()), std::max(cy, m_bitmap.height()));
        m_rcNotBlack = QRect();
        m_bRedraw = 1;
    }
    if (cxStrip > m_strip.GetImage().width() || m_bitmap.height() > m_strip.GetImage().height()) {
        m_strip.COffscreenBitmap::Create(std::max(cxStrip, m_strip.GetImage().width()),
                                         m_bitmap.height());
        m_bRedraw = 1;
    }
}

void CNoteGrid::LoadSheets() {
    const double dScale = ArtScale();
    const SKeyboardPalette& palette = SKeyboardPalette::Of(m_ePalette);
    if (dScale == 1.0 && m_ePalette == SKeyboardPalette::EKind::Classic) {
        m_cellSheet[0].Load(kCellSheetId, 12, 3);
        m_cellSheet[1].Load(kSimpleCellSheetId, 1, 3);
        m_ringSheet[0].Load(kRingSheetId, 1, 3);
        m_ringSheet[1].Load(kSimpleRingSheetId, 1, 3);
    } else {
        // The rings drawn at the actual size are the resource's, pixel for pixel.
        const SSheetSet& set = KeptSheets(dScale, palette);
        m_cellSheet = set.cells;
        m_ringSheet = set.rings;
    }
    m_strip.LoadSheet(dScale);
    LoadLabelSheets();
    m_bRedraw = 1;
}

const CNoteGrid::SSheetSet& CNoteGrid::KeptSheets(double dScale, const SKeyboardPalette& palette) {
    ++m_nSheetUse;
    for (SSheetSet& set : m_keptSheets) {
        if (set.dScale == dScale && set.ePalette == m_ePalette) {
            set.nLastUse = m_nSheetUse;
            return set;
        }
    }
    // A new set takes the place of the one used longest ago.
    if (m_keptSheets.size() < kKeptSheetSets) {
        m_keptSheets.emplace_back();
    }
    SSheetSet& set = *std::min_element(
        m_keptSheets.begin(), m_keptSheets.end(),
        [](const SSheetSet& a, const SSheetSet& b) { return a.nLastUse < b.nLastUse; });
    set.dScale = dScale;
    set.ePalette = m_ePalette;
    set.nLastUse = m_nSheetUse;
    set.cells[0].Load(CKeyboardArt::CellSheet(true, dScale, palette), 12, 3);
    set.cells[1].Load(CKeyboardArt::CellSheet(false, dScale, palette), 1, 3);
    set.rings[0].Load(CKeyboardArt::RingSheet(dScale), 1, 3);
    set.rings[1].Load(CKeyboardArt::SimpleRingSheet(dScale), 1, 3);
    return set;
}

void CNoteGrid::LoadLabelSheets() {
    m_labelSheets.clear();
    if (!m_bLabels) {
        return;
    }
    const double dScale = ArtScale();
    for (const auto* pLabels : {&m_keyLabels, &m_degreeLabels}) {
        for (const QString& strLabel : *pLabels) {
            if (!strLabel.isEmpty() && m_labelSheets.find(strLabel) == m_labelSheets.end()) {
                m_labelSheets[strLabel].Load(CKeyboardArt::LabelMask(strLabel, dScale), 1, 1);
            }
        }
    }
}

void CNoteGrid::SetLabels(const std::array<QString, kNotes>& keys,
                          const std::array<QString, kNotes>& degrees) {
    if (m_bLabels && keys == m_keyLabels && degrees == m_degreeLabels) {
        return;
    }
    m_keyLabels = keys;
    m_degreeLabels = degrees;
    m_bLabels = true;
    LoadLabelSheets();
    m_bRedraw = 1;
}

void CNoteGrid::ClearLabels() {
    if (!m_bLabels) {
        return;
    }
    m_bLabels = false;
    m_labelSheets.clear();
    m_bRedraw = 1;
}

void CNoteGrid::SetZoom(int nZoom, QPoint ptFixed) {
    nZoom = std::clamp(nZoom, kZoomMin, kZoomMax);
    if (nZoom == m_nZoom) {
        return;
    }
    const int cxView = m_sizeLogical.width() + StripWidth();
    // The lattice grows or shrinks around ptFixed: its distance from the origin scales.
    const auto scaled = [&](int nOrigin, int nFixed) {
        const long long nFrom = static_cast<long long>(nOrigin) - nFixed;
        return static_cast<int>(nFixed + nFrom * nZoom / m_nZoom);
    };
    const int nOriginX = scaled(m_nOriginX, ptFixed.x());
    const int nOriginY = scaled(m_nOriginY, ptFixed.y());
    m_nZoom = nZoom;
    m_nCellDX = 4 * m_nZoom;
    m_nCellDY = 3 * m_nZoom;
    m_nPeriod = 96 * m_nZoom;
    m_nCopyReach = 9 * m_nZoom;
    m_nOriginX = nOriginX;
    m_nOriginY = nOriginY;
    LoadSheets();
    EnsureSize(m_bitmap.width(), m_bitmap.height());
    Layout(cxView, m_sizeLogical.height());
}

void CNoteGrid::SetDeviceRatio(double dRatio) {
    dRatio = std::clamp(dRatio, 0.5, 8.0);
    if (dRatio == m_dRatio) {
        return;
    }
    const int cxView = m_sizeLogical.width() + StripWidth();
    m_dRatio = dRatio;
    LoadSheets();
    EnsureSize(m_bitmap.width(), m_bitmap.height());
    Layout(cxView, m_sizeLogical.height());
}

void CNoteGrid::SetPalette(SKeyboardPalette::EKind ePalette) {
    if (ePalette == m_ePalette) {
        return;
    }
    m_ePalette = ePalette;
    const SKeyboardPalette& palette = SKeyboardPalette::Of(m_ePalette);
    m_brWhite = palette.clrWhite;
    m_brGrey = palette.clrGrey;
    for (std::size_t c = 0; c < m_channelColour.size(); ++c) {
        m_channelColour[c] = palette.channelColours[c % palette.channelColours.size()];
    }
    CreateChannelBrushes();
    LoadSheets();
}

void CNoteGrid::Destroy() {
    COffscreenBitmap::Destroy();
    for (auto& sheet : m_cellSheet) {
        sheet.Destroy();
    }
    for (auto& sheet : m_ringSheet) {
        sheet.Destroy();
    }
    m_keptSheets.clear();
    m_strip.Destroy();
    m_changed.Clear();
}

void CNoteGrid::CreateChannelBrushes() {
    for (int c = 0; c < 16; ++c) {
        SetChannelColour(c, m_channelColour[static_cast<std::size_t>(c)]);
    }
}

void CNoteGrid::SetChannelColour(int nChannel, std::uint32_t clr) {
    if (nChannel < 0 || nChannel > 15) {
        return;
    }
    const auto c = static_cast<std::size_t>(nChannel);
    m_channelColour[c] = clr;
    m_channelBrush[c] = RgbFromColorRef(clr);
    const int nRed = static_cast<int>(clr & 0xFF);
    const int nGreen = static_cast<int>((clr >> 8) & 0xFF);
    const int nBlue = static_cast<int>((clr >> 16) & 0xFF);
    for (int k = 1; k <= 4; ++k) {
        const double dWeight = k == 1 ? 0.25 : 0.125;
        const QRgb clrShade = qRgb(ShadeComponent(nRed, dWeight), ShadeComponent(nGreen, dWeight),
                                   ShadeComponent(nBlue, dWeight));
        m_echoBrush[c][static_cast<std::size_t>(k - 1)] = clrShade;
        m_echoBrush[c][static_cast<std::size_t>(4 + k - 1)] = clrShade;
    }
}

void CNoteGrid::Layout(int cx, int cy) {
    const int w = cx - StripWidth();
    m_sizeLogical = QSize(w, cy);
    // Device pixels: the strip takes what lies right of the lattice up to the view's edge.
    const int wDevice = ToDevice(w);
    const int cxDevice = static_cast<int>(std::ceil(cx * m_dRatio));
    const int cyDevice = static_cast<int>(std::ceil(cy * m_dRatio));
    SetViewSize(wDevice, cyDevice);
    m_strip.m_nLeft = w;
    m_strip.m_nLeftDevice = wDevice;
    m_strip.SetViewSize(std::min(cxDevice - wDevice, m_strip.GetImage().width()), cyDevice);
    // Whole device pixels per period: a ratio in quarters makes every product exact.
    const double dTile = m_nPeriod * m_dRatio;
    const bool bWhole = std::floor(m_dRatio * 4.0) == m_dRatio * 4.0;
    m_nTile = m_bTiles != 0 && bWhole && dTile < wDevice ? static_cast<int>(dTile) : 0;
    const int nSpan = 127 * m_nCellDY;
    const int nEdge = 20 * m_nZoom; // 40 at the actual size
    const int nMargin = nSpan + 2 * nEdge < cy ? (cy - nSpan) / 2 : nEdge;
    m_nMinOriginY = cy - nMargin;
    m_nMaxOriginY = nSpan + nMargin;
    ScrollBy(0, 0);
}

void CNoteGrid::ScrollBy(int dx, int dy) {
    // Wrap the horizontal offset first so that huge steps cannot overflow it.
    m_nOriginX = static_cast<int>((static_cast<long long>(m_nOriginX) + dx) % m_nPeriod);
    if (m_nOriginX < 0) {
        m_nOriginX += m_nPeriod;
    }
    const long long nOriginY = static_cast<long long>(m_nOriginY) + dy;
    m_nOriginY = static_cast<int>(std::clamp<long long>(nOriginY, -(1LL << 30), 1LL << 30));
    if (m_nOriginY >= m_nMaxOriginY) {
        m_nOriginY = m_nMaxOriginY - 1;
    }
    if (m_nOriginY < m_nMinOriginY) {
        m_nOriginY = m_nMinOriginY;
    }
    m_bRedraw = 1;
}

bool CNoteGrid::NoteToPoint(int nNote, QPoint& pt) const {
    pt.setY(m_nOriginY - nNote * m_nCellDY);
    int x = (m_nOriginX + 7 * nNote * m_nCellDX) % m_nPeriod;
    if (x < 0) {
        x += m_nPeriod;
    }
    if (m_nPeriod - x < m_nCopyReach) {
        x -= m_nPeriod;
    }
    pt.setX(x);
    return pt.y() >= 0 && pt.y() < m_sizeLogical.height();
}

int CNoteGrid::PointToNote(int x, int y) const {
    const std::int64_t w = m_sizeLogical.width();
    const std::int64_t D = m_nCellDX;
    const std::int64_t E = m_nCellDY;
    std::int64_t nNote = -1;
    if (x > w) {
        const std::int64_t r = x - w;
        const std::int64_t v = static_cast<std::int64_t>(m_nOriginY) - y + E / 2;
        // The narrow part is 31 pixels wide at the actual size.
        if (2 * r * kZoomActual < 31 * 2 * m_nZoom) {
            nNote = v / E;
        } else if (v >= 0) {
            const std::int64_t nOctave = v / (12 * E);
            const std::int64_t nRest = v % (12 * E);
            const std::int64_t nKey = ((7 * nRest) / 12) / E;
            nNote = 12 * nOctave + kWhiteKeys[static_cast<std::size_t>(nKey)];
        }
    } else {
        const std::int64_t u = static_cast<std::int64_t>(x) - m_nOriginX;
        const std::int64_t h = static_cast<std::int64_t>(m_nOriginY) - y;
        const std::int64_t a = (16 * (u * E + h * D)) / (8 * D * E) + 6;
        if ((a & 15) > 12) {
            return -1;
        }
        const std::int64_t b = (16 * (h * D - u * E)) / (6 * D * E) + 6;
        if ((b & 15) > 12) {
            return -1;
        }
        nNote = 4 * (a >> 4) + 3 * (b >> 4);
    }
    return nNote >= 0 && nNote < kNotes ? static_cast<int>(nNote) : -1;
}

int CNoteGrid::PitchClassState(int nNote) const {
    const std::uint8_t* pPitchClass = m_pPitchClass != nullptr ? m_pPitchClass : kCMajor.data();
    return std::min<int>(pPitchClass[nNote % 12], 2);
}

QRgb CNoteGrid::RingBrush(int nNote) const {
    const CNoteState& state = m_noteState[static_cast<std::size_t>(nNote)];
    if (!state.IsSounding()) {
        return (PitchClassState(nNote) & 1) != 0 ? m_brGrey : m_brWhite;
    }
    const auto c = static_cast<std::size_t>(state.m_nChannel & 15);
    const int e = CNoteState::OffsetOfLevel(state.m_nLevel);
    if (e == 0) {
        return m_channelBrush[c];
    }
    return e > 0 ? m_echoBrush[c][static_cast<std::size_t>(e - 1)]
                 : m_echoBrush[c][static_cast<std::size_t>(4 - e - 1)];
}

void CNoteGrid::DrawRing(QPainter* pDC, int k, QRgb clrBrush, QPoint pt, const QRect& rcClip) {
    if (pDC == nullptr) {
        return;
    }
    const CSpriteSheet& sheet = m_ringSheet[m_bSimple != 0 ? 1 : 0];
    // Masks go straight into the target's pixels, looked up once for all the copies.
    QImage* pDirect =
        sheet.HasMasks() && pDC->isActive() ? COffscreenBitmap::DirectTarget(pDC) : nullptr;
    const SMaskTarget target = pDirect != nullptr ? SMaskTarget::Of(*pDirect) : SMaskTarget{};
    ForEachCopy(pt, sheet, rcClip, [&](QPoint ptDevice, const QRect& rc) {
        // A ring reaches into the piano strip's part of the frame only through a clip.
        if (pDirect != nullptr) {
            sheet.DrawMask(target, k, ptDevice, clrBrush, rc);
        } else {
            sheet.Draw(pDC, k, ptDevice.x(), ptDevice.y(), ERop::BrushMask, clrBrush, rc);
        }
        if (sheet.HasMasks()) {
            m_changed.AddStamp(SMaskStamp{&sheet, k, ptDevice, clrBrush, rc});
        } else {
            m_changed.AddRect(rc);
        }
    });
}

QRect CNoteGrid::RedrawRect() const {
    return m_nTile > 0 ? QRect(0, 0, m_nTile, m_rcView.height()) : m_rcView;
}

void CNoteGrid::RedrawAll() {
    QPainter* pDC = GetDC();
    // Every note is drawn as it stands now, the strip too.
    m_pendingRings.reset();
    m_pendingKeys.reset();
    pDC->fillRect(m_rcNotBlack.intersected(m_bitmap.rect()), Qt::black);
    m_rcNotBlack = QRect();
    const QRect rcDraw = RedrawRect();
    const int nSheet = m_bSimple != 0 ? 1 : 0;
    const CSpriteSheet& sheet = m_cellSheet[static_cast<std::size_t>(nSheet)];
    for (int n = 0; n < kNotes; ++n) {
        const int s = PitchClassState(n);
        const int k = nSheet != 0 ? s : 3 * (n % 12) + s;
        QPoint pt;
        NoteToPoint(n, pt);
        const int yDevice = ToDevice(pt.y());
        if (yDevice + sheet.m_cy < 0 || yDevice - sheet.m_cy >= m_sizeView.height()) {
            continue; // no copy of this note can touch the view
        }
        ForEachCopy(pt, sheet, rcDraw, [&](QPoint ptDevice, const QRect& rc) {
            sheet.Draw(pDC, k, ptDevice.x(), ptDevice.y(), ERop::SrcPaint, 0, rc);
            m_rcNotBlack |= rc;
        });
    }
    if (m_bLabels) {
        DrawLabels(pDC, rcDraw);
    }
    // The state of every note outlives a full redraw: show the sounding notes and the mouse
    // mark again, as the single-note updates drew them.
    m_changed.Clear();
    for (int n = 0; n < kNotes; ++n) {
        const CNoteState& state = m_noteState[static_cast<std::size_t>(n)];
        if (!state.IsSounding() && state.m_bHover == 0) {
            continue;
        }
        QPoint pt;
        if (!NoteToPoint(n, pt)) {
            continue;
        }
        if (state.IsSounding()) {
            DrawRing(pDC, state.m_bHover != 0 ? 1 : 2, RingBrush(n), pt, rcDraw);
        }
        if (state.m_bHover != 0) {
            DrawRing(pDC, 0, m_brBlack, pt, rcDraw);
        }
    }
    // The rings drawn here are cleared by the next full redraw as well.
    m_rcNotBlack |= m_changed.BoundingRect();
    m_changed.Clear();
}

void CNoteGrid::DrawLabels(QPainter* pDC, const QRect& rcDraw) {
    QImage* pDirect = pDC->isActive() ? COffscreenBitmap::DirectTarget(pDC) : nullptr;
    // Below the character circle and above it, clear of the rings.
    const int nOffset = 31 * m_nZoom / 4; // 15.5 at the actual size
    for (int n = 0; n < kNotes; ++n) {
        const std::size_t i = static_cast<std::size_t>(n);
        for (const auto& [pstrLabel, nDy] :
             {std::pair{&m_keyLabels[i], nOffset}, std::pair{&m_degreeLabels[i], -nOffset}}) {
            if (pstrLabel->isEmpty()) {
                continue;
            }
            const auto it = m_labelSheets.find(*pstrLabel);
            if (it == m_labelSheets.end()) {
                continue;
            }
            const CSpriteSheet& sheet = it->second;
            QPoint pt;
            NoteToPoint(n, pt);
            pt.ry() += nDy;
            ForEachCopy(pt, sheet, rcDraw, [&](QPoint ptDevice, const QRect& rc) {
                if (pDirect != nullptr && sheet.HasMasks()) {
                    sheet.DrawMask(*pDirect, 0, ptDevice, m_brBlack, rc);
                } else {
                    sheet.Draw(pDC, 0, ptDevice.x(), ptDevice.y(), ERop::BrushMask, m_brBlack, rc);
                }
            });
        }
    }
}

void CNoteGrid::AfterFrameUpdate() {
    // The rings went straight into the frame buffer: the keyboard bitmap is drawn again, rings
    // and all, at the next composition.
    m_bRedraw = 1;
    if (m_changed.Size() > kMaxChanges) {
        m_changed.Clear();
        m_changed.AddRect(m_rcView);
    }
}

void CNoteGrid::Paint(QPainter* pDC) {
    if (BeginDraw() == nullptr) {
        return;
    }
    if (m_bRedraw != 0) {
        RedrawAll();
    }
    if (m_nTile > 0) {
        CopyTiled(pDC);
    } else {
        CopyTo(pDC, 0, 0, ERop::SrcCopy);
    }
    EndDraw();
    m_strip.Paint(pDC, m_bRedraw != 0);
    m_changed.Clear();
    m_changed.AddRect(m_rcView);
    m_changed.AddRect(m_strip.DeviceRect());
}

void CNoteGrid::CopyTiled(QPainter* pDC) const {
    const int cx = m_sizeView.width();
    QImage* pTarget = DirectTarget(pDC);
    if (pTarget == nullptr) {
        for (int x = 0; x < cx; x += m_nTile) {
            BitBlt(pDC, x, 0, std::min(m_nTile, cx - x), m_sizeView.height(), m_bitmap, 0, 0,
                   ERop::SrcCopy);
        }
        return;
    }
    const int nCols = std::min(cx, pTarget->width());
    const int nRows = std::min({m_sizeView.height(), pTarget->height(), m_bitmap.height()});
    CPixelRows::Repeat(pTarget->bits(), pTarget->bytesPerLine(), m_bitmap.constBits(),
                       m_bitmap.bytesPerLine(), m_nTile, nCols, nRows);
}

void CNoteGrid::SetHover(QPainter* pDC, int nNote, bool bOn) {
    if (nNote < 0 || nNote >= kNotes) {
        return;
    }
    m_noteState[static_cast<std::size_t>(nNote)].m_bHover = bOn ? 1 : 0;
    QPoint pt;
    if (!NoteToPoint(nNote, pt)) {
        return;
    }
    DrawRing(pDC, 0, bOn ? m_brBlack : RingBrush(nNote), pt, m_rcView);
    AfterFrameUpdate();
}

void CNoteGrid::SetNoteChannel(QPainter* pDC, int nChannel, int nNote, int nOffset, bool bOn) {
    CNoteState& state = m_noteState[static_cast<std::size_t>(nNote)];
    if (!state.SetChannel(nChannel, nOffset, bOn)) {
        return;
    }
    if (pDC == nullptr) {
        m_pendingRings.set(static_cast<std::size_t>(nNote));
        return;
    }
    QPoint pt;
    if (!NoteToPoint(nNote, pt)) {
        return;
    }
    DrawRing(pDC, state.m_bHover != 0 ? 1 : 2, RingBrush(nNote), pt, m_rcView);
}

void CNoteGrid::ShowNoteOn(QPainter* pDC, int nChannel, int nNote) {
    if (nNote < 0 || nNote >= kNotes) {
        return;
    }
    for (int e = m_nEchoDown; e <= m_nEchoUp; ++e) {
        const int n = nNote + 12 * e;
        if (n >= 0 && n < kNotes) {
            SetNoteChannel(pDC, nChannel, n, e, true);
        }
    }
    AfterFrameUpdate();
    if (pDC == nullptr) {
        m_strip.SetPressed(nNote, true);
        m_pendingKeys.set(static_cast<std::size_t>(nNote));
        return;
    }
    const QRect rcKey = m_strip.ShowKey(pDC, nNote, true);
    if (!rcKey.isEmpty()) {
        m_changed.AddRect(rcKey);
    }
}

void CNoteGrid::ShowNoteOff(QPainter* pDC, int nChannel, int nNote) {
    if (nNote < 0 || nNote >= kNotes) {
        return;
    }
    for (int e = -4; e <= 4; ++e) {
        const int n = nNote + 12 * e;
        if (n >= 0 && n < kNotes) {
            SetNoteChannel(pDC, nChannel, n, e, false);
        }
    }
    AfterFrameUpdate();
    if (pDC == nullptr) {
        m_strip.SetPressed(nNote, false);
        m_pendingKeys.set(static_cast<std::size_t>(nNote));
        return;
    }
    const QRect rcKey = m_strip.ShowKey(pDC, nNote, false);
    if (!rcKey.isEmpty()) {
        m_changed.AddRect(rcKey);
    }
}

void CNoteGrid::DrawPending(QPainter* pDC) {
    if (pDC == nullptr) {
        return;
    }
    for (int n = 0; n < kNotes; ++n) {
        if (!m_pendingRings.test(static_cast<std::size_t>(n))) {
            continue;
        }
        QPoint pt;
        if (NoteToPoint(n, pt)) {
            const CNoteState& state = m_noteState[static_cast<std::size_t>(n)];
            DrawRing(pDC, state.m_bHover != 0 ? 1 : 2, RingBrush(n), pt, m_rcView);
        }
    }
    m_pendingRings.reset();
    AfterFrameUpdate();
    for (int n = 0; n < kNotes; ++n) {
        if (m_pendingKeys.test(static_cast<std::size_t>(n))) {
            const QRect rcKey = m_strip.ShowKey(pDC, n, m_strip.IsPressed(n));
            if (!rcKey.isEmpty()) {
                m_changed.AddRect(rcKey);
            }
        }
    }
    m_pendingKeys.reset();
}

void CNoteGrid::ResetNoteStates() {
    for (CNoteState& state : m_noteState) {
        state.Reset();
    }
    m_strip.ReleaseAll();
}
