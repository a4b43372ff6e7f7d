#include "image/DrawingImage.h"

#include "image/BmpCodec.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int kMaxPenWidth = 255;
} // namespace

void CDrawingImage::Create(int cx, int cy) {
    COffscreenBitmap::Create(cx, cy);
    Clear();
    SetPen(QColor(0, 0, 0), 1);
}

void CDrawingImage::Destroy() {
    COffscreenBitmap::Destroy();
    m_pen = QPen();
}

void CDrawingImage::Clear() {
    if (m_bitmap.isNull()) {
        return;
    }
    EndDraw();
    std::memset(m_bitmap.bits(), 0xFF, static_cast<std::size_t>(m_bitmap.sizeInBytes()));
    m_rcInk = QRect();
    m_bModified = false;
}

QPainter* CDrawingImage::BeginDraw() {
    m_rcInk = m_bitmap.rect();
    m_bModified = true;
    return COffscreenBitmap::BeginDraw();
}

void CDrawingImage::SetPen(const QColor& clr, int nWidth) {
    m_pen = QPen(QColor(clr.rgb()), std::clamp(nWidth, 1, kMaxPenWidth), Qt::SolidLine,
                 Qt::RoundCap, Qt::RoundJoin);
}

void CDrawingImage::DrawOnto(QPainter* pDC) const {
    DrawOnto(pDC, m_rcView);
}

void CDrawingImage::DrawOnto(QPainter* pDC, const QRegion& rgn) const {
    for (const QRect& rc : rgn.intersected(m_rcView.intersected(m_rcInk))) {
        CopyRectTo(pDC, rc, 0, 0, ERop::SrcAnd);
    }
}

void CDrawingImage::DrawOnto(QPainter* pDC, const QRect& rc) const {
    const QRect rcInk = rc.intersected(m_rcView).intersected(m_rcInk);
    if (!rcInk.isEmpty()) {
        CopyRectTo(pDC, rcInk, 0, 0, ERop::SrcAnd);
    }
}

void CDrawingImage::DrawLine(const QPoint& ptFrom, const QPoint& ptTo) {
    QPainter* pDC = COffscreenBitmap::BeginDraw();
    if (pDC == nullptr) {
        return;
    }
    const int nReach = m_pen.width() + 1;
    m_rcInk |= QRect(ptFrom, ptTo)
                   .normalized()
                   .adjusted(-nReach, -nReach, nReach, nReach)
                   .intersected(m_bitmap.rect());
    pDC->setRenderHint(QPainter::Antialiasing, false);
    pDC->setPen(m_pen);
    pDC->drawLine(ptFrom, ptTo);
    EndDraw();
    m_bModified = true;
}

QByteArray CDrawingImage::EncodeBmp() const {
    return CBmpCodec::Encode(m_bitmap);
}

CFileResult CDrawingImage::SaveBmp(const QString& strPath) {
    CFileResult result = CBmpCodec::Write(strPath, m_bitmap);
    if (result) {
        m_bModified = false;
    }
    return result;
}

CFileResult CDrawingImage::LoadBmp(const QString& strPath) {
    QFile file;
    if (CFileResult result = CBmpCodec::Open(strPath, file); !result) {
        return result;
    }
    return LoadBmp(file);
}

CFileResult CDrawingImage::LoadBmp(QIODevice& device) {
    if (m_bitmap.isNull()) {
        return EFileError::NotBitmap;
    }
    QImage picture;
    if (CFileResult result = CBmpCodec::Read(device, m_size, picture); !result) {
        return result;
    }
    QPainter* pDC = COffscreenBitmap::BeginDraw();
    if (pDC == nullptr) {
        return EFileError::NotBitmap;
    }
    m_rcInk |= picture.rect().intersected(m_bitmap.rect());
    pDC->setCompositionMode(QPainter::CompositionMode_Source);
    pDC->drawImage(QPoint(0, 0), picture);
    EndDraw();
    m_bModified = false;
    return {};
}
