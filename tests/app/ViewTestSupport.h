#pragma once

#include "app/AppResources.h"
#include "app/MainFrame.h"
#include "app/MainView.h"
#include "app/ShellDialogs.h"
#include "midi/RecordingPort.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
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

// Whether the window, at the view's place below the menu and tool bars, shows the frame. The
// frame is screen-sized and the window may be larger: beyond the frame it is black.
inline bool WindowShowsTheFrame(const CMainFrame& frame, const CMainView& view) {
    const QImage window = frame.screen()
                              ->grabWindow(frame.winId())
                              .toImage()
                              .copy(QRect(view.mapTo(&frame, QPoint(0, 0)), view.size()))
                              .convertToFormat(QImage::Format_RGB32);
    QImage expected(window.size(), QImage::Format_RGB32);
    expected.fill(Qt::black);
    QPainter(&expected).drawImage(QPoint(0, 0), view.GetFrame(),
                                  view.rect() & view.GetFrame().rect());
    return window == expected;
}
