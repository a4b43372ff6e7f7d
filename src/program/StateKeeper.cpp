#include "program/StateKeeper.h"

#include "app/DeviceManager.h"
#include "app/MainFrame.h"
#include "app/MainView.h"
#include "app/ModeStatusBar.h"
#include "app/ToolBar.h"
#include "commands/CommandIds.h"
#include "sound/FluidSynthPort.h"

#include <QScreen>
#include <QSlider>

#include <algorithm>

namespace {
constexpr int kGap = 8;
// Narrower than this the lattice shows too little: the windows go over the frame instead.
constexpr int kMinFrameWidth = 600;

QString KeyOf(const SMidiPortId& id) {
    return id.IsEmpty() ? QString() : QString::fromStdString(id.ToKey());
}
} // namespace

CStateKeeper::CStateKeeper(CMainFrame& frame, CMainView& view, QWidget& devicesWindow,
                           CDeviceManager& devices)
    : m_frame(frame), m_view(view), m_devicesWindow(devicesWindow), m_devices(devices) {}

std::vector<QWidget*> CStateKeeper::ToolWindows() const {
    // In the order of CAppSettings::EToolWindow.
    return {&m_view.m_wndScale, &m_view.m_wndOrchestra, &m_view.m_wndOptions, &m_devicesWindow};
}

void CStateKeeper::Apply(const CAppSettings& settings) {
    if (!settings.m_geometry.isEmpty()) {
        m_frame.restoreGeometry(settings.m_geometry);
    }
    if (settings.m_bToolBar && m_frame.GetToolBar().isHidden()) {
        m_frame.OnCommand(ID_VIEW_TOOLBAR);
    }
    m_view.m_scale.SetMask(static_cast<std::uint8_t>(settings.m_nKeynote),
                           static_cast<std::uint16_t>(settings.m_nMask));
    m_frame.CheckMenuRadioItem(ID_TONALITY_KEY_C, ID_TONALITY_KEY_B,
                               ID_TONALITY_KEY_C + static_cast<unsigned>(settings.m_nKeynote));
    m_view.NotifyTonalityChanged(nullptr);
    // The sliders tell the player, as when the user moves them.
    COptionsDlg& options = m_view.m_wndOptions;
    options.TempoSlider()->setValue(settings.m_nTempo);
    options.LengthenSlider()->setValue(settings.m_nLengthen);
    options.EchoUpSlider()->setValue(settings.m_nEchoUp);
    options.EchoDownSlider()->setValue(settings.m_nEchoDown);
    options.VelocitySlider()->setValue(settings.m_nVelocity);
    m_view.m_wndOrchestra.DurationSlider()->setValue(settings.m_nDuration);
    m_frame.GetStatusBar().SetPen(settings.m_clrPen, settings.m_nPenWidth);
    m_view.SetZoom(settings.m_nZoom, m_view.rect().center());
    m_view.SetKeyLabels(settings.m_bKeyLabels);
    m_view.SetPalette(settings.m_nPalette == 1 ? SKeyboardPalette::EKind::ColourBlindSafe
                                               : SKeyboardPalette::EKind::Classic);
    m_devices.SetKeepInputChannels(settings.m_bKeepInputChannels);
    m_devices.RestoreOutput(SMidiPortId::Parse(settings.m_strOutput.toStdString()));
    std::vector<SMidiPortId> inputs;
    for (const QString& strKey : settings.m_inputs) {
        inputs.push_back(SMidiPortId::Parse(strKey.toStdString()));
    }
    m_devices.RestoreInputs(inputs);
}

std::vector<QRect> CStateKeeper::PlaceBeside(QRect& rcFrame, const QRect& rcScreen,
                                             const std::vector<QSize>& sizes) {
    // Columns as wide as the widest window, each filled from the top as far as the screen goes.
    int nColumn = 0;
    for (const QSize& size : sizes) {
        nColumn = std::max(nColumn, size.width());
    }
    const int yTop = std::max(rcFrame.top(), rcScreen.top());
    std::vector<std::pair<int, int>> cells; // column, top
    int nColumns = 1;
    int y = yTop;
    for (const QSize& size : sizes) {
        if (y > yTop && y + size.height() > rcScreen.bottom() + 1) {
            ++nColumns;
            y = yTop;
        }
        cells.emplace_back(nColumns - 1, y);
        y += size.height() + kGap;
    }
    const int nBlock = nColumns * nColumn + (nColumns - 1) * kGap;
    int x = 0;
    int nStep = nColumn + kGap;
    if (rcFrame.right() + kGap + nBlock <= rcScreen.right()) {
        x = rcFrame.right() + 1 + kGap;
    } else if (rcFrame.left() - kGap - nBlock >= rcScreen.left()) {
        x = rcFrame.left() - kGap - nColumn;
        nStep = -nStep;
    } else if (rcScreen.width() - nBlock - kGap >= kMinFrameWidth) {
        rcFrame = QRect(rcScreen.left(), rcFrame.top(), rcScreen.width() - nBlock - kGap,
                        rcFrame.height());
        x = rcFrame.right() + 1 + kGap;
    } else {
        x = rcScreen.right() + 1 - nColumn;
        nStep = -nStep;
    }
    std::vector<QRect> places;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const auto [nIndex, yWindow] = cells[i];
        const int xWindow = std::max(rcScreen.left(), x + nIndex * nStep);
        places.emplace_back(
            QPoint(xWindow, std::max(rcScreen.top(),
                                     std::min(yWindow, rcScreen.bottom() + 1 - sizes[i].height()))),
            sizes[i]);
    }
    return places;
}

void CStateKeeper::ShowToolWindows(const CAppSettings& settings) {
    const std::vector<QWidget*> windows = ToolWindows();
    std::vector<QSize> sizes;
    for (QWidget* pWindow : windows) {
        sizes.push_back(pWindow->frameGeometry().size());
    }
    QRect rcFrame = m_frame.frameGeometry();
    const QScreen* pScreen = m_frame.screen();
    const QRect rcScreen = pScreen != nullptr ? pScreen->availableGeometry() : rcFrame;
    const bool bFirstRun = settings.m_geometry.isEmpty();
    const QRect rcKept = rcFrame;
    const std::vector<QRect> places = PlaceBeside(rcFrame, rcScreen, sizes);
    // A frame the user placed keeps its place; the windows may cover it then.
    if (bFirstRun && rcFrame != rcKept) {
        m_frame.move(rcFrame.topLeft());
        m_frame.resize(m_frame.size() - (rcKept.size() - rcFrame.size()));
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const auto& ptPos = settings.m_toolWindows[i].m_ptPos;
        windows[i]->move(ptPos ? *ptPos : places[i].topLeft());
    }
    const unsigned commands[] = {ID_VIEW_SCALE_WINDOW, ID_VIEW_ORCHESTRA_WINDOW,
                                 ID_VIEW_OPTIONS_WINDOW, ID_TOOLS_DEVICES};
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (settings.m_toolWindows[i].m_bShown && !windows[i]->isVisible()) {
            m_frame.OnCommand(commands[i]);
        }
    }
}

void CStateKeeper::Gather(CAppSettings& settings) const {
    settings.m_geometry = m_frame.saveGeometry();
    settings.m_bToolBar = !m_frame.GetToolBar().isHidden();
    const std::vector<QWidget*> windows = ToolWindows();
    for (std::size_t i = 0; i < windows.size(); ++i) {
        settings.m_toolWindows[i].m_ptPos = windows[i]->pos();
        settings.m_toolWindows[i].m_bShown = windows[i]->isVisible();
    }
    STonalityRecord record;
    m_view.m_scale.GetTonalityRecord(record);
    settings.m_nKeynote = record.nKeynote;
    settings.m_nMask = record.wMask;
    const COptionsDlg& options = m_view.m_wndOptions;
    settings.m_nTempo = options.TempoSlider()->value();
    settings.m_nLengthen = options.LengthenSlider()->value();
    settings.m_nEchoUp = options.EchoUp();
    settings.m_nEchoDown = options.EchoDown();
    settings.m_nVelocity = options.VelocitySlider()->value();
    settings.m_nDuration = m_view.m_wndOrchestra.DurationSlider()->value();
    settings.m_clrPen = m_frame.GetStatusBar().GetPenColor();
    settings.m_nPenWidth = m_frame.GetStatusBar().GetPenWidth();
    settings.m_nZoom = m_view.m_grid.GetZoom();
    settings.m_bKeyLabels = m_view.m_grid.HasLabels();
    settings.m_nPalette =
        m_view.m_grid.GetPalette() == SKeyboardPalette::EKind::ColourBlindSafe ? 1 : 0;
    settings.m_strOutput = KeyOf(m_devices.GetOutput());
    settings.m_inputs.clear();
    for (const SMidiPortId& id : m_devices.GetOpenInputs()) {
        settings.m_inputs << KeyOf(id);
    }
    settings.m_bKeepInputChannels = m_devices.GetKeepInputChannels();
    const std::string soundFont = m_devices.GetSoundFont();
    settings.m_strSoundFont = soundFont == CFluidSynthPort::FindSoundFont()
                                  ? QString()
                                  : QString::fromStdString(soundFont);
}
