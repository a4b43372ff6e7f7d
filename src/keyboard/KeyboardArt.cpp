#include "keyboard/KeyboardArt.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kNearBlack = 0xFF040404;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kMidGrey = 0xFF808080;
constexpr QRgb kClassicGrey = 0xFFCFCFCF;
constexpr QRgb kClassicKeynote = 0xFFFFF4A4;

// The sixteen colours of the classic cell sheets: the named ones and ramps for smooth edges.
// Every channel of the keynote colour has the bit of the near-black surroundings set, so that
// ORing a neighbour's surroundings over the keynote's circle leaves it as it is.
constexpr std::array<QRgb, 16> kClassicPalette{
    kBlack,     kNearBlack, 0xFF202020,   0xFF404040, 0xFF606060, kMidGrey,
    0xFFA0A0A0, 0xFFB8B8B8, kClassicGrey, 0xFFE4E4E4, kWhite,     kClassicKeynote,
    0xFFE4D494, 0xFFAC9E6C, 0xFF6E6C4C,   0xFFF6F4D4};

const std::array<QString, 12> kNames{
    QStringLiteral("C"),       QStringLiteral("D\u266D"), QStringLiteral("D"),
    QStringLiteral("E\u266D"), QStringLiteral("E"),       QStringLiteral("F"),
    QStringLiteral("G\u266D"), QStringLiteral("G"),       QStringLiteral("A\u266D"),
    QStringLiteral("A"),       QStringLiteral("B"),       QStringLiteral("H")};

QRgb Blend(QRgb clrA, QRgb clrB, double dA) {
    const auto mix = [dA](int a, int b) {
        return static_cast<int>(std::lround(dA * a + (1.0 - dA) * b));
    };
    return qRgb(mix(qRed(clrA), qRed(clrB)), mix(qGreen(clrA), qGreen(clrB)),
                mix(qBlue(clrA), qBlue(clrB)));
}

// The classic colours keep their sixteen; another palette gets the same kinds of ramps.
std::array<QRgb, 16> CellPalette(const SKeyboardPalette& palette) {
    if (palette.clrGrey == kClassicGrey && palette.clrKeynote == kClassicKeynote) {
        return kClassicPalette;
    }
    std::array<QRgb, 16> colours = kClassicPalette;
    colours[8] = palette.clrGrey;
    colours[11] = palette.clrKeynote | kNearBlack;
    colours[12] = Blend(colours[11], kBlack, 0.9) | kNearBlack;
    colours[13] = Blend(colours[11], kBlack, 0.67);
    colours[14] = Blend(colours[11], kBlack, 0.43);
    colours[15] = Blend(colours[11], kWhite, 0.5);
    return colours;
}

// The tile: a parallelogram whose long sides lean like the fifth (8 across over 40 up) and
// whose short sides rise like the semitone (1 up over 9 across), small enough that the tiles
// of neighbouring cells keep a dark seam between them.
QPolygonF Tile(QPointF ptCentre) {
    const QPointF ptFifth(0.2, -1.0);          // per pixel up
    const QPointF ptSemitone(1.0, -1.0 / 9.0); // per pixel across
    const double dHalfLong = 19.5;
    const double dHalfShort = 12.6;
    QPolygonF poly;
    poly << ptCentre - dHalfLong * ptFifth - dHalfShort * ptSemitone
         << ptCentre - dHalfLong * ptFifth + dHalfShort * ptSemitone
         << ptCentre + dHalfLong * ptFifth + dHalfShort * ptSemitone
         << ptCentre + dHalfLong * ptFifth - dHalfShort * ptSemitone;
    return poly;
}

QRgb Nearest(QRgb c, const std::array<QRgb, 16>& palette) {
    QRgb best = palette[0];
    int nBest = 1 << 30;
    for (QRgb p : palette) {
        const int dr = qRed(c) - qRed(p);
        const int dg = qGreen(c) - qGreen(p);
        const int db = qBlue(c) - qBlue(p);
        const int d = dr * dr + dg * dg + db * db;
        if (d < nBest) {
            nBest = d;
            best = p;
        }
    }
    return best | 0xFF000000u;
}

QImage Quantise(const QImage& img, const std::array<QRgb, 16>& palette) {
    QImage out(img.size(), QImage::Format_RGB32);
    // A picture of flat areas and smooth edges has few colours, each met many times: the
    // nearest one is looked up once per colour that a slot of this table holds.
    constexpr std::size_t kSlots = 1024;
    std::array<QRgb, kSlots> seen{};
    std::array<QRgb, kSlots> nearest{};
    seen.fill(0); // no pixel of the opaque picture is 0
    for (int y = 0; y < img.height(); ++y) {
        const auto* pIn = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        auto* pOut = reinterpret_cast<QRgb*>(out.scanLine(y));
        const int cx = img.width();
        for (int x = 0; x < cx; ++x) {
            const QRgb c = pIn[x] | 0xFF000000u;
            if (x > 0 && c == (pIn[x - 1] | 0xFF000000u)) {
                pOut[x] = pOut[x - 1]; // most of a row is runs of one colour
                continue;
            }
            const std::size_t i = ((c * 0x9E3779B1u) >> 22) & (kSlots - 1);
            if (seen[i] != c) {
                seen[i] = c;
                nearest[i] = Nearest(c, palette);
            }
            pOut[x] = nearest[i];
        }
    }
    return out;
}

// A note name's letter as an outline in unit coordinates, from its start on the baseline. The
// same at every scale: made once, not for every sheet.
struct SLetter {
    QPainterPath path;
    double dWidth = 0.0;
    double dCapHeight = 0.0;
};

const SLetter& LetterOf(const QString& strName) {
    static const std::array<SLetter, 12> s_letters = [] {
        QFont fontLetter(QStringLiteral("DejaVu Sans"));
        fontLetter.setPixelSize(12);
        fontLetter.setBold(true);
        const QFontMetricsF fmLetter(fontLetter);
        std::array<SLetter, 12> letters;
        for (std::size_t i = 0; i < letters.size(); ++i) {
            const QString strLetter = kNames[i].left(1);
            letters[i].path.addText(QPointF(0, 0), fontLetter, strLetter);
            letters[i].dWidth = fmLetter.horizontalAdvance(strLetter);
            letters[i].dCapHeight = fmLetter.capHeight();
        }
        return letters;
    }();
    const auto it = std::find(kNames.begin(), kNames.end(), strName);
    return s_letters[static_cast<std::size_t>(it != kNames.end() ? it - kNames.begin() : 0)];
}

// The ground of one cell picture in unit coordinates (the painter scales): column 0 white
// note, 1 black note, 2 keynote. With characters, the circle the name stands in; without, the
// keynote's disc and a dot.
void DrawCellGround(QPainter& p, QPointF ptCentre, int nColumn, bool bCharacters,
                    const SKeyboardPalette& palette) {
    const QRgb clrTile = nColumn == 1 ? palette.clrGrey : palette.clrWhite;
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgb(clrTile));
    p.drawPolygon(Tile(ptCentre));
    if (bCharacters) {
        p.setBrush(QColor::fromRgb(nColumn == 2 ? palette.clrKeynote : clrTile));
        p.setPen(QPen(Qt::black, 1.2));
        p.drawEllipse(ptCentre, 10.6, 10.6);
    } else {
        if (nColumn == 2) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor::fromRgb(palette.clrKeynote));
            p.drawEllipse(ptCentre, 10.6, 10.6);
        }
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRectF(ptCentre.x() - 1, ptCentre.y() - 1, 2, 2),
                   QColor::fromRgb(nColumn == 2 ? kNearBlack : kMidGrey));
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

// A note's name over its cell's ground, in unit coordinates: the letter, with a flat sign
// drawn beside it as a stem and a bowl.
void DrawCellName(QPainter& p, QPointF ptCentre, const QString& strName) {
    p.setRenderHint(QPainter::Antialiasing, true);
    const SLetter& letter = LetterOf(strName);
    const bool bFlat = strName.size() > 1;
    const double dFlatWidth = bFlat ? 4.0 : 0.0;
    const double x0 = ptCentre.x() - (letter.dWidth + dFlatWidth) / 2.0;
    const double dBaseline = ptCentre.y() + letter.dCapHeight / 2.0;
    // Text is placed in 64ths of a unit.
    const auto fixed = [](double v) { return std::round(v * 64.0) / 64.0; };
    const QPainterPath path = letter.path.translated(fixed(x0), fixed(dBaseline));
    if (bFlat) {
        const double xs = x0 + letter.dWidth + 0.6;
        const double yb = dBaseline - 2.0;
        QPainterPath flat;
        flat.moveTo(xs, yb - 9.0);
        flat.lineTo(xs, yb);
        flat.cubicTo(xs + 4.6, yb - 2.0, xs + 4.6, yb - 6.0, xs, yb - 4.4);
        p.setPen(QPen(Qt::black, 1.4, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(flat);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(path);
    p.setRenderHint(QPainter::Antialiasing, false);
}

// Monochrome masks, black = painted, decided per pixel centre so that every edge is crisp.
template <typename Inside> QImage Mask(int nCells, int cx, int cy, Inside inside) {
    QImage img(nCells * cx, cy, QImage::Format_RGB32);
    img.fill(kWhite);
    for (int k = 0; k < nCells; ++k) {
        for (int y = 0; y < cy; ++y) {
            auto* pRow = reinterpret_cast<QRgb*>(img.scanLine(y)) + k * cx;
            for (int x = 0; x < cx; ++x) {
                if (inside(k, x, y)) {
                    pRow[x] = kBlack;
                }
            }
        }
    }
    return img;
}

// Distance of a device pixel's centre from the centre of a ring cell, in unit pixels.
double Radius(int x, int y, int nSize, double dScale) {
    const double dx = (x + 0.5 - nSize / 2.0) / dScale;
    const double dy = (y + 0.5 - nSize / 2.0) / dScale;
    return std::sqrt(dx * dx + dy * dy);
}

// The piano key masks at unit size, one row of 14 pixels per pitch class, the note's own row
// at y = 7: bars of whole pixels, which every larger size samples.
bool KeyPixel(int nPitch, int x, int y) {
    constexpr std::array<int, 7> kWhiteKeys{0, 2, 4, 5, 7, 9, 11};
    constexpr int kSemitone = 6;
    constexpr int kOctave = 12 * kSemitone;
    const bool bBlack = nPitch == 1 || nPitch == 3 || nPitch == 6 || nPitch == 8 || nPitch == 10;
    if (bBlack) {
        return x < 32 && y >= 7 - 2 && y <= 7 + 1;
    }
    const bool bBar = y >= 7 - 3 && y <= 7 + 2;
    if (x < 33) {
        return bBar;
    }
    // The wide part: the rows that the strip's hit test gives this key, less the lowest one,
    // which stays dark as the seam to the key below. v = 6 * pitch + 3 on the note's own row;
    // one row up is one more.
    int nKey = 0;
    while (kWhiteKeys[static_cast<std::size_t>(nKey)] != nPitch) {
        ++nKey;
    }
    const auto keyOf = [](int nRest) { return (7 * nRest) / 12 / kSemitone; };
    const int nRest = (kSemitone * nPitch + kSemitone / 2) + (7 - y);
    const bool bKey = nRest >= 0 && nRest < kOctave && keyOf(nRest) == nKey;
    if (bKey && (nRest == 0 || keyOf(nRest - 1) != nKey)) {
        return false; // the seam
    }
    return bBar || bKey;
}

} // namespace

int CKeyboardArt::Scaled(int nSize, double dScale) {
    return std::max(1, static_cast<int>(std::lround(nSize * dScale)));
}

QImage CKeyboardArt::CellSheet(bool bCharacters, double dScale, const SKeyboardPalette& palette) {
    const int nRows = bCharacters ? 12 : 1;
    const int cx = Scaled(kCellWidth, dScale);
    const int cy = Scaled(kCellHeight, dScale);
    QImage img(3 * cx, nRows * cy, QImage::Format_RGB32);
    img.fill(kNearBlack);
    QPainter p(&img);
    // Each cell in its own unit coordinates, its centre on the device cell's centre.
    const auto inCell = [&](int r, int c, const auto& fnDraw) {
        p.save();
        p.translate(c * cx + cx / 2.0, r * cy + cy / 2.0);
        p.scale(dScale, dScale);
        p.setClipRect(QRectF(-kCellWidth / 2.0, -kCellHeight / 2.0, kCellWidth, kCellHeight));
        fnDraw();
        p.restore();
    };
    // The rows differ only in their names: the ground is drawn once and copied, whole device
    // pixels apart, so that every row has the same pixels under its name.
    for (int c = 0; c < 3; ++c) {
        inCell(0, c, [&] { DrawCellGround(p, QPointF(0, 0), c, bCharacters, palette); });
    }
    const qsizetype nRowBytes = img.bytesPerLine() * cy;
    for (int r = 1; r < nRows; ++r) {
        std::memcpy(img.scanLine(r * cy), img.constScanLine(0),
                    static_cast<std::size_t>(nRowBytes));
    }
    for (int r = 0; bCharacters && r < nRows; ++r) {
        for (int c = 0; c < 3; ++c) {
            inCell(r, c,
                   [&] { DrawCellName(p, QPointF(0, 0), kNames[static_cast<std::size_t>(r)]); });
        }
    }
    p.end();
    return Quantise(img, CellPalette(palette));
}

QImage CKeyboardArt::RingSheet(double dScale) {
    const int n = Scaled(kRingSize, dScale);
    return Mask(3, n, n, [n, dScale](int k, int x, int y) {
        const double r = Radius(x, y, n, dScale);
        switch (k) {
        case 0:
            return r >= 9.2 && r <= 11.4; // over the character circle, making it bold
        case 1:
            return r >= 11.4 && r <= 12.6; // just outside it, inside the thick ring
        default:
            return r >= 8.5 && r <= 12.6;
        }
    });
}

QImage CKeyboardArt::SimpleRingSheet(double dScale) {
    const int n = Scaled(kRingSize, dScale);
    return Mask(3, n, n, [n, dScale](int k, int x, int y) {
        const double r = Radius(x, y, n, dScale);
        // The hole: 4 x 4 or 2 x 2 unit pixels around the centre.
        const double dHole = k == 1 ? 2.0 : 1.0;
        const double dx = (x + 0.5 - n / 2.0) / dScale;
        const double dy = (y + 0.5 - n / 2.0) / dScale;
        const bool bInHole = std::abs(dx) < dHole && std::abs(dy) < dHole;
        switch (k) {
        case 0:
            return r <= 2.0;
        default:
            return r <= 12.5 && !bInHole;
        }
    });
}

QImage CKeyboardArt::KeySheet(double dScale) {
    const int cx = Scaled(kKeyWidth, dScale);
    const int cy = Scaled(kKeyHeight, dScale);
    QImage img(cx, 12 * cy, QImage::Format_RGB32);
    img.fill(kWhite);
    for (int nPitch = 0; nPitch < 12; ++nPitch) {
        for (int y = 0; y < cy; ++y) {
            const int yUnit = std::min(kKeyHeight - 1, static_cast<int>((y + 0.5) / dScale));
            auto* pRow = reinterpret_cast<QRgb*>(img.scanLine(nPitch * cy + y));
            for (int x = 0; x < cx; ++x) {
                const int xUnit = std::min(kKeyWidth - 1, static_cast<int>((x + 0.5) / dScale));
                if (KeyPixel(nPitch, xUnit, yUnit)) {
                    pRow[x] = kBlack;
                }
            }
        }
    }
    return img;
}

QImage CKeyboardArt::PenCursor(double dScale) {
    const int n = Scaled(32, dScale);
    QImage img(n, n, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(dScale, dScale);
    // A pen leaning to the lower left; its tip is the bottom-left pixel.
    p.translate(0.5, 31.5);
    p.rotate(-45.0);
    const QColor clrOutline(20, 20, 20);
    // Tip, wooden cone, body, cap.
    QPolygonF cone;
    cone << QPointF(0, 0) << QPointF(9, -3.6) << QPointF(9, 3.6);
    p.setPen(QPen(clrOutline, 1.2));
    p.setBrush(QColor(240, 214, 160));
    p.drawPolygon(cone);
    p.setBrush(QColor(30, 30, 30));
    QPolygonF lead;
    lead << QPointF(0, 0) << QPointF(3.2, -1.3) << QPointF(3.2, 1.3);
    p.drawPolygon(lead);
    p.setBrush(QColor(40, 90, 200));
    p.drawRect(QRectF(9, -3.6, 22, 7.2));
    p.setBrush(QColor(200, 60, 60));
    p.drawRect(QRectF(31, -3.6, 6, 7.2));
    p.setPen(QPen(QColor(150, 190, 255), 1.0));
    p.drawLine(QPointF(10, -1.8), QPointF(30, -1.8));
    p.end();
    img.setDevicePixelRatio(dScale);
    return img;
}

QImage CKeyboardArt::LabelMask(const QString& strText, double dScale) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(Scaled(8, dScale));
    font.setBold(true);
    // Masks are black or white: no grey edges.
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics fm(font);
    const int cx = std::max(1, fm.horizontalAdvance(strText) + 2);
    const int cy = Scaled(9, dScale);
    QImage img(cx, cy, QImage::Format_RGB32);
    img.fill(kWhite);
    QPainter p(&img);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, cx, cy), Qt::AlignCenter, strText);
    p.end();
    // Whatever the font engine did, only pure black counts as ink.
    for (int y = 0; y < cy; ++y) {
        auto* pRow = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < cx; ++x) {
            pRow[x] = qGray(pRow[x]) < 128 ? kBlack : kWhite;
        }
    }
    return img;
}
