#include "keyboard/FrameChanges.h"

#include <algorithm>

namespace {

// Appends the rectangles of rects to bands, neighbours of the same row merged into one.
template <typename Rects, typename RectOf>
void AppendRowBands(std::vector<QRect>& bands, const Rects& rects, RectOf rectOf) {
    for (std::size_t i = 0; i < rects.size();) {
        QRect rcBand = rectOf(rects[i]);
        for (++i; i < rects.size(); ++i) {
            const QRect rc = rectOf(rects[i]);
            if (rc.top() != rcBand.top() || rc.height() != rcBand.height()) {
                break;
            }
            rcBand |= rc;
        }
        bands.push_back(rcBand);
    }
}

} // namespace

void CFrameChanges::Append(const CFrameChanges& other) {
    m_rects.insert(m_rects.end(), other.m_rects.begin(), other.m_rects.end());
    m_stamps.insert(m_stamps.end(), other.m_stamps.begin(), other.m_stamps.end());
}

void CFrameChanges::StampsToRects(const QRect& rc) {
    std::erase_if(m_stamps, [&](const SMaskStamp& stamp) {
        if (!stamp.m_rc.intersects(rc)) {
            return false;
        }
        m_rects.push_back(stamp.m_rc);
        return true;
    });
}

void CFrameChanges::MoveTo(CFrameChanges& other) {
    other.Clear();
    other.m_rects.swap(m_rects);
    other.m_stamps.swap(m_stamps);
}

QRect CFrameChanges::BoundingRect() const {
    QRect rcAll;
    for (const QRect& rc : m_rects) {
        rcAll |= rc;
    }
    for (const SMaskStamp& stamp : m_stamps) {
        rcAll |= stamp.m_rc;
    }
    return rcAll;
}

void CFrameChanges::AppendBands(std::vector<QRect>& bands) const {
    AppendRowBands(bands, m_stamps, [](const SMaskStamp& stamp) { return stamp.m_rc; });
    AppendRowBands(bands, m_rects, [](const QRect& rc) { return rc; });
}

QRegion CFrameChanges::CoverBands(std::vector<QRect>& bands) {
    std::sort(bands.begin(), bands.end(),
              [](const QRect& rcA, const QRect& rcB) { return rcA.top() < rcB.top(); });
    QRegion rgn;
    QRect rcRun;
    for (const QRect& rc : bands) {
        if (rc.isEmpty()) {
            continue;
        }
        if (!rcRun.isEmpty() && rc.top() <= rcRun.bottom() + 1) {
            rcRun |= rc;
            continue;
        }
        if (!rcRun.isEmpty()) {
            rgn += rcRun; // below everything so far: appended
        }
        rcRun = rc;
    }
    if (!rcRun.isEmpty()) {
        rgn += rcRun;
    }
    return rgn;
}
