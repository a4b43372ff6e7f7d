#pragma once

// What the benchmark programs of the player, the keyboard and the devices share: a port that
// keeps when the last note-on left, dialogs that answer nothing, and a main on Qt's offscreen
// platform.
#include "app/MainView.h"
#include "app/ShellDialogs.h"
#include "midi/MidiPort.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QCoreApplication>
#include <chrono>

namespace bench {

using Clock = std::chrono::steady_clock;

// Keeps the time the last note-on left, and counts note-ons.
class CTimingPort : public IMidiPort {
public:
    bool Open() override { return m_bOpen = true; }
    void Reset() override {}
    void Close() override { m_bOpen = false; }
    bool IsOpen() const override { return m_bOpen; }
    void SendShort(std::uint32_t dwMsg) override {
        if ((dwMsg & 0xF0u) == 0x90u) {
            m_lastNoteOn = Clock::now();
            ++m_nNoteOns;
        }
    }

    Clock::time_point m_lastNoteOn;
    long m_nNoteOns = 0;

private:
    bool m_bOpen = false;
};

class CSilentDialogs : public IShellDialogs {
public:
    bool GetOpenPath(const QStringList& /*filters*/, QString& /*strPath*/) override {
        return false;
    }
    bool GetSavePath(const QStringList& /*filters*/, const QStringList& /*startPaths*/,
                     QString& /*strPath*/, int& /*nFilter*/) override {
        return false;
    }
    void ShowMessage(const QString& /*strCaption*/, const QString& /*strText*/) override {}
    QMessageBox::StandardButton Ask(const QString& /*strCaption*/, const QString& /*strText*/,
                                    QMessageBox::StandardButtons /*buttons*/,
                                    QMessageBox::StandardButton /*defaultButton*/) override {
        return QMessageBox::Cancel;
    }
};

// Runs the benchmarks named on the command line inside a TApp (QGuiApplication or QApplication)
// on the offscreen platform, after fnFirst.
template <class TApp, class TFirst> int RunOffscreen(int argc, char* argv[], TFirst fnFirst) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApp app(argc, argv);
    fnFirst();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Shows view at nWidth x nHeight with its timer stopped: the benchmark drives the ticks.
inline void ShowStill(CMainView& view, int nWidth, int nHeight) {
    view.m_tickTimer.stop();
    view.CKeyboard::Create(&view, nWidth, nHeight);
    view.m_grid.m_pPitchClass = view.m_scale.m_pitchClass.data();
    view.resize(nWidth, nHeight);
    view.show();
    QCoreApplication::processEvents();
}

} // namespace bench
