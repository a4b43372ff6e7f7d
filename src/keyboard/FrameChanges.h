#pragma once

#include "keyboard/SpriteSheet.h"

#include <QRect>
#include <QRegion>
#include <cstddef>
#include <vector>

// What single-note updates changed in a picture, in the order they were drawn: rectangles that
// a copy of the picture can only take over by copying them, and mask stamps that it can also
// paint again itself, which writes fewer pixels.
class CFrameChanges {
public:
    void Clear() {
        m_rects.clear();
        m_stamps.clear();
    }
    bool IsEmpty() const { return m_rects.empty() && m_stamps.empty(); }
    std::size_t Size() const { return m_rects.size() + m_stamps.size(); }

    void AddRect(const QRect& rc) { m_rects.push_back(rc); }
    void AddStamp(const SMaskStamp& stamp) { m_stamps.push_back(stamp); }
    void Append(const CFrameChanges& other);
    // Something was drawn over the stamps that meet rc: from now on they can only be copied.
    void StampsToRects(const QRect& rc);
    // Empties this list into other, keeping both lists' capacity.
    void MoveTo(CFrameChanges& other);

    // The smallest rectangle holding every change.
    QRect BoundingRect() const;
    // Appends the changes to bands as row bands: the copies of one note lie in one row and
    // come one after the other, so one band holds them all.
    void AppendBands(std::vector<QRect>& bands) const;
    // A region holding every band, which it sorts by rows: bands that overlap or touch in rows
    // become their bounding rectangle. A busy tick's hundreds of bands give a few rectangles,
    // and the region is built by appending, without the cost of unions.
    static QRegion CoverBands(std::vector<QRect>& bands);

    const std::vector<QRect>& Rects() const { return m_rects; }
    const std::vector<SMaskStamp>& Stamps() const { return m_stamps; }

private:
    std::vector<QRect> m_rects;
    std::vector<SMaskStamp> m_stamps;
};
