// Draws the keyboard as the program shows it, with a chord sounding, the mouse on a note and a
// pen stroke, and writes the picture as a PNG file:
//   vorkeln_keyboard_shot <file.png> [width height [device-pixel-ratio [zoom-in-halves]]]

#include "keyboard/Keyboard.h"

#include <QGuiApplication>
#include <array>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2 && (argc < 4 || argc > 6)) {
        std::fprintf(stderr,
                     "usage: vorkeln_keyboard_shot <file.png> [width height [ratio [zoom]]]\n");
        return 2;
    }
    const int cx = argc >= 4 ? std::atoi(argv[2]) : 1280;
    const int cy = argc >= 4 ? std::atoi(argv[3]) : 720;
    const double dRatio = argc >= 5 ? std::atof(argv[4]) : 1.0;
    const int nZoom = argc >= 6 ? std::atoi(argv[5]) : CNoteGrid::kZoomActual;
    static constexpr std::array<std::uint8_t, 12> kCMajor{2, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0};
    CKeyboard kb;
    kb.Create(nullptr, cx, cy);
    kb.m_grid.m_pPitchClass = kCMajor.data();
    kb.SetViewSize(cx, cy);
    kb.SetDeviceRatio(dRatio);
    kb.SetZoom(nZoom, QPoint(cx / 2, cy / 2));
    kb.ComposeFrame();
    // A C major chord on channel 0 with its echoes, a melody note on channel 2, the mouse on E.
    for (int n : {48, 52, 55}) {
        kb.ShowNote(0, n, true);
    }
    kb.ShowNote(2, 69, true);
    kb.SetCurrentNote(64);
    kb.m_image.SetPen(QColor(0, 0, 255), 2);
    kb.m_ptDrag = QPoint(cx - 330, 60);
    kb.StrokeTo(QPoint(cx - 250, 110));
    kb.StrokeTo(QPoint(cx - 160, 70));
    kb.ComposeFrame();
    const QSize size = kb.m_frame.GetViewSize();
    const QImage img = kb.GetFrame().copy(0, 0, size.width(), size.height());
    if (!img.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
