// Draws the keyboard's sprite sheets and the pen cursor, and writes them as
// PNG files. Run it after changing a picture here; the results are committed in res/.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QTextStream>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kCellWidth = 36;
constexpr int kCellHeight = 44;
constexpr int kRingSize = 26;
constexpr int kKeyWidth = 57;
constexpr int kKeyHeight = 14;

constexpr QRgb kNearBlack = 0xFF040404;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kGrey = 0xFFCFCFCF;
// Every channel has the bit of the near-black surroundings set, so that ORing a neighbour's
// surroundings over the keynote's circle leaves it as it is.
constexpr QRgb kPaleYellow = 0xFFFFF4A4;
constexpr QRgb kMidGrey = 0xFF808080;

// The sixteen colours of the cell sheets: the named ones and ramps for smooth edges.
constexpr std::array<QRgb, 16> kCellPalette{0xFF000000, kNearBlack, 0xFF202020, 0xFF404040,
                                            0xFF606060, kMidGrey,   0xFFA0A0A0, 0xFFB8B8B8,
                                            kGrey,      0xFFE4E4E4, kWhite,     kPaleYellow,
                                            0xFFE4D494, 0xFFAC9E6C, 0xFF6E6C4C, 0xFFF6F4D4};

const std::array<QString, 12> kNames{
    QStringLiteral("C"),       QStringLiteral("D\u266D"), QStringLiteral("D"),
    QStringLiteral("E\u266D"), QStringLiteral("E"),       QStringLiteral("F"),
    QStringLiteral("G\u266D"), QStringLiteral("G"),       QStringLiteral("A\u266D"),
    QStringLiteral("A"),       QStringLiteral("B"),       QStringLiteral("H")};

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

QImage Quantise(const QImage& img, const std::array<QRgb, 16>& palette) {
    QImage out(img.size(), QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
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
            out.setPixel(x, y, best);
        }
    }
    return out;
}

// One cell picture: column 0 white note, 1 black note, 2 keynote.
void DrawCell(QPainter& p, QPoint ptOrigin, int nColumn, const QString* pName) {
    const QPointF ptCentre(ptOrigin.x() + kCellWidth / 2.0, ptOrigin.y() + kCellHeight / 2.0);
    p.fillRect(QRect(ptOrigin, QSize(kCellWidth, kCellHeight)), QColor::fromRgb(kNearBlack));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgb(nColumn == 1 ? kGrey : kWhite));
    p.drawPolygon(Tile(ptCentre));
    const QPointF ptDot = ptCentre;
    if (pName != nullptr) {
        const QColor clrFill = nColumn == 2   ? QColor::fromRgb(kPaleYellow)
                               : nColumn == 1 ? QColor::fromRgb(kGrey)
                                              : QColor::fromRgb(kWhite);
        p.setBrush(clrFill);
        p.setPen(QPen(Qt::black, 1.2));
        p.drawEllipse(ptCentre, 10.6, 10.6);
        // The letter, with a flat sign drawn beside it as a stem and a bowl.
        QFont fontLetter(QStringLiteral("DejaVu Sans"));
        fontLetter.setPixelSize(12);
        fontLetter.setBold(true);
        const QString strLetter = pName->left(1);
        const bool bFlat = pName->size() > 1;
        const QFontMetricsF fmLetter(fontLetter);
        const double dLetterWidth = fmLetter.horizontalAdvance(strLetter);
        const double dFlatWidth = bFlat ? 4.0 : 0.0;
        const double x0 = ptCentre.x() - (dLetterWidth + dFlatWidth) / 2.0;
        const double dBaseline = ptCentre.y() + fmLetter.capHeight() / 2.0;
        QPainterPath path;
        path.addText(QPointF(x0, dBaseline), fontLetter, strLetter);
        if (bFlat) {
            const double xs = x0 + dLetterWidth + 0.6;
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
    } else {
        if (nColumn == 2) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor::fromRgb(kPaleYellow));
            p.drawEllipse(ptCentre, 10.6, 10.6);
        }
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRectF(ptDot.x() - 1, ptDot.y() - 1, 2, 2),
                   QColor::fromRgb(nColumn == 2 ? kNearBlack : kMidGrey));
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

QImage CellSheet(bool bCharacters) {
    const int nRows = bCharacters ? 12 : 1;
    QImage img(3 * kCellWidth, nRows * kCellHeight, QImage::Format_RGB32);
    img.fill(kNearBlack);
    QPainter p(&img);
    for (int r = 0; r < nRows; ++r) {
        for (int c = 0; c < 3; ++c) {
            DrawCell(p, QPoint(c * kCellWidth, r * kCellHeight), c,
                     bCharacters ? &kNames[static_cast<std::size_t>(r)] : nullptr);
        }
    }
    p.end();
    return Quantise(img, kCellPalette);
}

// Monochrome masks, black = painted, decided per pixel centre so that every edge is crisp.
template <typename Inside> QImage Mask(int nCells, int cx, int cy, Inside inside) {
    QImage img(nCells * cx, cy, QImage::Format_RGB32);
    img.fill(kWhite);
    for (int k = 0; k < nCells; ++k) {
        for (int y = 0; y < cy; ++y) {
            for (int x = 0; x < cx; ++x) {
                if (inside(k, x, y)) {
                    img.setPixel(k * cx + x, y, 0xFF000000);
                }
            }
        }
    }
    return img;
}

double Radius(int x, int y) {
    const double dx = x + 0.5 - kRingSize / 2.0;
    const double dy = y + 0.5 - kRingSize / 2.0;
    return std::sqrt(dx * dx + dy * dy);
}

QImage RingSheet() {
    return Mask(3, kRingSize, kRingSize, [](int k, int x, int y) {
        const double r = Radius(x, y);
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

QImage SimpleRingSheet() {
    return Mask(3, kRingSize, kRingSize, [](int k, int x, int y) {
        const double r = Radius(x, y);
        const int nHole = k == 1 ? 2 : 1; // 4 x 4 or 2 x 2 around the centre
        const bool bInHole = x >= 13 - nHole && x < 13 + nHole && y >= 13 - nHole && y < 13 + nHole;
        switch (k) {
        case 0:
            return r <= 2.0;
        default:
            return r <= 12.5 && !bInHole;
        }
    });
}

// Piano key masks, one row of 14 pixels per pitch class, the note's own row at y = 7.
QImage KeySheet() {
    QImage img(kKeyWidth, 12 * kKeyHeight, QImage::Format_RGB32);
    img.fill(kWhite);
    constexpr std::array<int, 7> kWhiteKeys{0, 2, 4, 5, 7, 9, 11};
    constexpr int kSemitone = 6;
    constexpr int kOctave = 12 * kSemitone;
    for (int nPitch = 0; nPitch < 12; ++nPitch) {
        const int y0 = nPitch * kKeyHeight;
        auto paint = [&](int x, int yCell) {
            if (yCell >= 0 && yCell < kKeyHeight) {
                img.setPixel(x, y0 + yCell, 0xFF000000);
            }
        };
        const bool bBlack =
            nPitch == 1 || nPitch == 3 || nPitch == 6 || nPitch == 8 || nPitch == 10;
        if (bBlack) {
            for (int yCell = 7 - 2; yCell <= 7 + 1; ++yCell) {
                for (int x = 0; x < 32; ++x) {
                    paint(x, yCell);
                }
            }
            continue;
        }
        for (int yCell = 7 - 3; yCell <= 7 + 2; ++yCell) {
            for (int x = 0; x < kKeyWidth; ++x) {
                paint(x, yCell);
            }
        }
        // The wide part: the rows that the strip's hit test gives this key, less the lowest one,
        // which stays dark as the seam to the key below.
        int nKey = 0;
        while (kWhiteKeys[static_cast<std::size_t>(nKey)] != nPitch) {
            ++nKey;
        }
        int nRestLow = -1;
        for (int nRest = 0; nRest < kOctave; ++nRest) {
            if ((7 * nRest) / 12 / kSemitone == nKey) {
                if (nRestLow < 0) {
                    nRestLow = nRest;
                    continue;
                }
                // v = 6 * pitch + 3 on the note's own row; one row up is one more.
                const int yCell = 7 - (nRest - (kSemitone * nPitch + kSemitone / 2));
                for (int x = 33; x < kKeyWidth; ++x) {
                    paint(x, yCell);
                }
            }
        }
        // The seam between this key and the one below, in the wide part.
        const int ySeam = 7 - (nRestLow - (kSemitone * nPitch + kSemitone / 2));
        if (ySeam >= 0 && ySeam < kKeyHeight) {
            for (int x = 33; x < kKeyWidth; ++x) {
                img.setPixel(x, y0 + ySeam, kWhite);
            }
        }
    }
    return img;
}

// A pen leaning to the lower left; its tip is the bottom-left pixel.
QImage PenCursor() {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
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
    return img;
}

bool Save(const QImage& img, const QDir& dir, const QString& strName) {
    const QString strPath = dir.filePath(strName);
    if (!img.save(strPath, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(strPath));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(strPath), img.width(), img.height());
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vorkeln_artgen <res directory>\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("keyboard"))) {
        std::fprintf(stderr, "cannot create %s/keyboard\n", argv[1]);
        return 1;
    }
    bool bOk = Save(CellSheet(true), dir, QStringLiteral("keyboard/132.png"));
    bOk = Save(CellSheet(false), dir, QStringLiteral("keyboard/133.png")) && bOk;
    bOk = Save(RingSheet(), dir, QStringLiteral("keyboard/134.png")) && bOk;
    bOk = Save(SimpleRingSheet(), dir, QStringLiteral("keyboard/131.png")) && bOk;
    bOk = Save(KeySheet(), dir, QStringLiteral("keyboard/130.png")) && bOk;
    bOk = Save(PenCursor(), dir, QStringLiteral("pen.png")) && bOk;
    return bOk ? 0 : 1;
}
