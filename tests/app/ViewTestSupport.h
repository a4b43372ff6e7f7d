#pragma once

#include "app/AppResources.h"
#include "app/MainFrame.h"
#include "app/MainView.h"
#include "app/ShellDialogs.h"
#include "midi/RecordingPort.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QBackingStore>
#include <QScreen>

#include <memory>

// Builds a view as the program does, sounding through a recording port, and shows it in frame
// on the offscreen screen. The tests drive its ticks themselves.
template <class TView>
TView* ShowViewInFrame(CMainFrame& frame, IShellDialogs& dialogs, CRecordingPort*& pPort,
                       bool bFailOpen = false) {
    CAppResources::Init();
    auto pOwnedPort = std::make_unique<CRecordingPort>();
    pOwnedPort->m_bFailOpen = bFailOpen;
    pPort = pOwnedPort.get();
    auto* pView = new TView(std::move(pOwnedPort), dialogs);
    pView->m_tickTimer.stop();
    frame.SetView(pView, pView);
    frame.resize(900, 700);
    frame.show();
    QCoreApplication::processEvents();
    return pView;
}

// The window's device pixels at the view's place below the menu and tool bars.
inline QImage WindowPixels(const CMainFrame& frame, const CMainView& view) {
    const double d = view.GetDeviceRatio();
    const QRect rc(view.mapTo(&frame, QPoint(0, 0)) * d, view.size() * d);
    // The backing store's own pixels: a screen grab of the offscreen screen is cut to the
    // window's logical size.
    QPaintDevice* pDevice = frame.backingStore()->paintDevice();
    if (pDevice == nullptr || pDevice->devType() != QInternal::Image) {
        return {};
    }
    QImage window = *static_cast<QImage*>(pDevice);
    window.setDevicePixelRatio(1.0);
    return window.copy(rc).convertToFormat(QImage::Format_RGB32);
}

// Whether the window shows the frame, device pixel for device pixel; where the frame would not
// reach, black.
inline bool WindowShowsTheFrame(const CMainFrame& frame, const CMainView& view) {
    const QImage window = WindowPixels(frame, view);
    QImage expected(window.size(), QImage::Format_RGB32);
    expected.fill(Qt::black);
    QPainter(&expected).drawImage(QPoint(0, 0), view.GetFrame(),
                                  QRect(QPoint(0, 0), window.size()) & view.GetFrame().rect());
    return window == expected;
}
