// Speed of the keyboard: hit tests on every mouse move, the full composition of a frame and the
// lighting of a chord with its echoes.

#include "BenchSupport.h"
#include "image/PixelRows.h"
#include "keyboard/Keyboard.h"

#include <QGuiApplication>
#include <array>
#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

constexpr std::array<std::uint8_t, 12> kCMajor{2, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0};

// cx x cy logical pixels at dRatio device pixels each.
void PrepareKeyboard(CKeyboard& kb, int cx, int cy, double dRatio = 1.0) {
    kb.Create(nullptr, cx, cy);
    kb.m_grid.m_pPitchClass = kCMajor.data();
    kb.SetViewSize(cx, cy);
    kb.SetDeviceRatio(dRatio);
    kb.ComposeFrame();
}

// The window's pixels, as large as the frame's visible part.
QImage WindowFor(const CKeyboard& kb) {
    return QImage(kb.m_frame.GetViewSize(), COffscreenBitmap::kFormat);
}

// Copies the frame into the window's pixels the way the view's paint does where the window is
// a plain image.
void ShowFrame(const CKeyboard& kb, QImage& imgWindow) {
    const QImage& frame = kb.GetFrame();
    CPixelRows::Copy(imgWindow.bits(), imgWindow.bytesPerLine(), frame.constBits(),
                     frame.bytesPerLine(), imgWindow.width(), imgWindow.height());
    benchmark::DoNotOptimize(imgWindow.constBits());
}

void BM_PointToNote(benchmark::State& state) {
    CNoteGrid grid;
    grid.Create(1920, 1080);
    grid.Layout(1920, 1080);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> xs(0, 1919);
    std::uniform_int_distribution<int> ys(0, 1079);
    std::vector<QPoint> points(4096);
    for (QPoint& pt : points) {
        pt = QPoint(xs(rng), ys(rng));
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const QPoint& pt = points[i++ & 4095];
        benchmark::DoNotOptimize(grid.PointToNote(pt.x(), pt.y()));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PointToNote);

// What a paint of the whole view costs: the lattice and strip redrawn, the drawing image laid
// over them, and the frame copied to the window, with a chord sounding and the mouse on a note.
// Arguments: logical width and height, device pixels per logical pixel in tenths, key labels.
void BM_FullComposition(benchmark::State& state) {
    const int cx = static_cast<int>(state.range(0));
    const int cy = static_cast<int>(state.range(1));
    CKeyboard kb;
    PrepareKeyboard(kb, cx, cy, static_cast<double>(state.range(2)) / 10.0);
    if (state.range(3) != 0) {
        std::array<QString, CNoteGrid::kNotes> keys;
        std::array<QString, CNoteGrid::kNotes> degrees;
        for (int n = 47; n < 68; ++n) {
            keys[static_cast<std::size_t>(n)] = QString(QChar(u'A' + (n - 47)));
        }
        for (int d = 0; d < 10; ++d) {
            degrees[static_cast<std::size_t>(48 + d)] = QString::number(d);
        }
        kb.m_grid.SetLabels(keys, degrees);
    }
    for (int n : {48, 52, 55, 60}) {
        kb.ShowNote(0, n, true);
    }
    kb.SetCurrentNote(64);
    QImage imgWindow = WindowFor(kb);
    for (auto _ : state) {
        kb.m_grid.m_bRedraw = 1;
        kb.ComposeFrame();
        ShowFrame(kb, imgWindow);
    }
}
BENCHMARK(BM_FullComposition)
    ->Args({1920, 1080, 10, 0})
    ->Args({3840, 2160, 10, 0})
    ->Args({1920, 1080, 20, 0})
    ->Args({1920, 1080, 20, 1})
    ->Unit(benchmark::kMillisecond);

// One zoom step on a 3840 x 2160 physical frame at ratio 2: the sheets drawn for the new size,
// the layout, the full redraw and the copy to the window. Alternates in and out.
void BM_ZoomStep(benchmark::State& state) {
    CKeyboard kb;
    PrepareKeyboard(kb, 1920, 1080, 2.0);
    QImage imgWindow = WindowFor(kb);
    int nStep = 1;
    for (auto _ : state) {
        kb.SetZoom(kb.m_grid.GetZoom() + nStep, QPoint(960, 540));
        nStep = -nStep;
        kb.ComposeFrame();
        ShowFrame(kb, imgWindow);
    }
}
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMillisecond);

// The same where the new size's sheets are not kept yet: the zoom goes round all six steps,
// more than the keyboard keeps, so every step draws its sheets afresh.
void BM_ZoomStepToANewSize(benchmark::State& state) {
    CKeyboard kb;
    PrepareKeyboard(kb, 1920, 1080, 2.0);
    QImage imgWindow = WindowFor(kb);
    for (auto _ : state) {
        const int nZoom = kb.m_grid.GetZoom() % CNoteGrid::kZoomMax + 1;
        kb.SetZoom(nZoom, QPoint(960, 540));
        kb.ComposeFrame();
        ShowFrame(kb, imgWindow);
    }
}
BENCHMARK(BM_ZoomStepToANewSize)->Unit(benchmark::kMillisecond);

// Six notes start at once with the echo range 3/-3: rings at every copy of up to 42 notes, the
// keys of the strip, the image over what changed.
void BM_ChordOn(benchmark::State& state) {
    CKeyboard kb;
    PrepareKeyboard(kb, 1920, 1080, static_cast<double>(state.range(0)) / 10.0);
    constexpr std::array<int, 6> kChord{48, 52, 55, 59, 62, 65};
    for (auto _ : state) {
        for (int n : kChord) {
            kb.ShowNote(0, n, true);
        }
        state.PauseTiming();
        for (int n : kChord) {
            kb.ShowNote(0, n, false);
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ChordOn)->Arg(10)->Arg(20)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char* argv[]) {
    return bench::RunOffscreen<QGuiApplication>(argc, argv, [] {});
}
