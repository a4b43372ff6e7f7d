#pragma once

#include "app/AppSettings.h"

#include <QRect>
#include <QSize>

#include <vector>

class CDeviceManager;
class CMainFrame;
class CMainView;
class QWidget;

// Brings the program to the state the settings remember, and reads that state back from it:
// the frame, the toolbar, the tool windows, the tonality, the Options and Orchestra values, the
// pen and the devices. Values go in through the same controls and commands a user would use,
// so that menus, check marks and the player follow them.
class CStateKeeper {
public:
    CStateKeeper(CMainFrame& frame, CMainView& view, QWidget& devicesWindow,
                 CDeviceManager& devices);

    // Before the frame is shown, except for what shows windows.
    void Apply(const CAppSettings& settings);
    // Once the frame is shown: the tool windows, placed for the first time when the settings
    // have no place for them.
    void ShowToolWindows(const CAppSettings& settings);
    void Gather(CAppSettings& settings) const;

    // Where windows of these sizes stand beside a frame at rcFrame on a screen whose free area
    // is rcScreen: in a column right of the frame, else left of it, else over its right edge;
    // never on top of each other while there is room for them. The frame's own place comes
    // back in rcFrame, made narrower when no column fits beside it.
    static std::vector<QRect> PlaceBeside(QRect& rcFrame, const QRect& rcScreen,
                                          const std::vector<QSize>& sizes);

private:
    std::vector<QWidget*> ToolWindows() const;

    CMainFrame& m_frame;
    CMainView& m_view;
    QWidget& m_devicesWindow;
    CDeviceManager& m_devices;
};
