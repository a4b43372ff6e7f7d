#include "StandInDialogs.h"
#include "TestFiles.h"
#include "app/AppResources.h"
#include "app/AppSettings.h"
#include "app/DeviceManager.h"
#include "app/MainFrame.h"
#include "app/MainView.h"
#include "app/ModeStatusBar.h"
#include "app/ToolBar.h"
#include "commands/CommandIds.h"
#include "midi/PortSwitch.h"
#include "midi/RecordingPort.h"
#include "program/StateKeeper.h"
#include "windows/DevicesDlg.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QSlider>
#include <QUrl>

#include <gtest/gtest.h>

namespace {
QString SettingsFile(const std::filesystem::path& dir) {
    return QString::fromStdString((dir / "Vorkeln.ini").string());
}

// The program's window as main() builds it, over a switch whose ports record.
struct SProgram {
    SProgram() {
        devices.SetOutputSeams([this] { return ports; },
                               [this](const SMidiPortId& id) -> std::unique_ptr<IMidiPort> {
                                   auto pPort = std::make_unique<CRecordingPort>();
                                   pPort->m_bFailOpen =
                                       std::find(ports.begin(), ports.end(), id) == ports.end();
                                   return pPort;
                               });
        devicesDlg.Create(&devices);
        frame.SetDevicesWindow(&devicesDlg);
    }

    CMainView* MakeView() {
        CAppResources::Init();
        auto pBuiltIn = std::make_unique<CRecordingPort>();
        builtIn = pBuiltIn.get();
        auto pSwitch = std::make_unique<CPortSwitch>(std::move(pBuiltIn));
        portSwitch = pSwitch.get();
        auto* pView = new CMainView(std::move(pSwitch), dialogs);
        pView->m_tickTimer.stop();
        frame.SetView(pView, pView);
        return pView;
    }

    CStandInDialogs dialogs;
    CMainFrame frame;
    CRecordingPort* builtIn = nullptr;
    CPortSwitch* portSwitch = nullptr;
    CMainView* view = MakeView();
    std::vector<QString> status;
    std::vector<SMidiPortId> ports{{"jack", "synth:in"}};
    CDeviceManager devices{*portSwitch, nullptr,
                           [this](const QString& strText) { status.push_back(strText); }};
    CDevicesDlg devicesDlg{&frame};
    CStateKeeper keeper{frame, *view, devicesDlg, devices};
};
} // namespace

TEST(AppSettings, EveryValueComesBackFromTheFile) {
    const auto dir = FreshDir("settings-round");
    CAppSettings settings;
    EXPECT_TRUE(settings.Load(SettingsFile(dir)));
    EXPECT_TRUE(settings.IsFirstRun());
    settings.m_geometry = QByteArray("\x01\x02\x00geometry", 11);
    settings.m_bToolBar = true;
    settings.m_toolWindows[CAppSettings::Orchestra] = {QPoint(-40, 700), true};
    settings.m_toolWindows[CAppSettings::Devices] = {QPoint(10, 20), false};
    settings.m_nKeynote = 9;
    settings.m_nMask = 0x2AD;
    settings.m_nTempo = 20;
    settings.m_nLengthen = 700;
    settings.m_nEchoUp = 0;
    settings.m_nEchoDown = -4;
    settings.m_nVelocity = 1;
    settings.m_nDuration = 11;
    settings.m_nPenWidth = 6;
    settings.m_clrPen = QColor(10, 200, 30);
    settings.m_nZoom = 6;
    settings.m_bKeyLabels = true;
    settings.m_nPalette = 1;
    settings.m_strOutput = QStringLiteral("alsa/Synth:Port 128:0");
    settings.m_inputs = {QStringLiteral("jack/keys:out"), QStringLiteral("alsa/Pads:out 20:0")};
    settings.m_bKeepInputChannels = true;
    settings.m_strSoundFont = QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2");
    ASSERT_TRUE(settings.Save(SettingsFile(dir)));

    CAppSettings loaded;
    ASSERT_TRUE(loaded.Load(SettingsFile(dir)));
    EXPECT_FALSE(loaded.IsFirstRun());
    EXPECT_EQ(loaded.m_geometry, settings.m_geometry);
    EXPECT_TRUE(loaded.m_bToolBar);
    EXPECT_EQ(loaded.m_toolWindows[CAppSettings::Orchestra].m_ptPos, QPoint(-40, 700));
    EXPECT_TRUE(loaded.m_toolWindows[CAppSettings::Orchestra].m_bShown);
    EXPECT_EQ(loaded.m_toolWindows[CAppSettings::Devices].m_ptPos, QPoint(10, 20));
    EXPECT_FALSE(loaded.m_toolWindows[CAppSettings::Scale].m_ptPos.has_value());
    EXPECT_EQ(std::tuple(loaded.m_nKeynote, loaded.m_nMask, loaded.m_nTempo, loaded.m_nLengthen,
                         loaded.m_nEchoUp, loaded.m_nEchoDown, loaded.m_nVelocity,
                         loaded.m_nDuration, loaded.m_nPenWidth),
              std::tuple(9, 0x2AD, 20, 700, 0, -4, 1, 11, 6));
    EXPECT_EQ(loaded.m_clrPen, QColor(10, 200, 30));
    EXPECT_EQ(std::tuple(loaded.m_nZoom, loaded.m_bKeyLabels, loaded.m_nPalette),
              std::tuple(6, true, 1));
    EXPECT_EQ(loaded.m_strOutput, settings.m_strOutput);
    EXPECT_EQ(loaded.m_inputs, settings.m_inputs);
    EXPECT_TRUE(loaded.m_bKeepInputChannels);
    EXPECT_EQ(loaded.m_strSoundFont, settings.m_strSoundFont);
}

TEST(AppSettings, AFileThatIsNotOursGivesEveryDefault) {
    const auto dir = FreshDir("settings-bad");
    struct SCase {
        const char* pszName;
        std::string bytes;
    };
    const SCase cases[] = {
        {"binary", std::string("\x00\xff\xfe\x01[\x80\x81]\n=\x00", 11)},
        {"someone else's", "[General]\nname=other\n[options]\ntempo=300\n"},
        {"a later version", "[General]\nformat=2\n[options]\ntempo=300\n"},
        {"empty", ""},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        WriteFile(dir / "Vorkeln.ini", Bytes(c.bytes.begin(), c.bytes.end()));
        CAppSettings settings;
        settings.m_nTempo = 500;
        QString strProblem;
        EXPECT_FALSE(settings.Load(SettingsFile(dir), &strProblem));
        EXPECT_FALSE(strProblem.isEmpty());
        EXPECT_EQ(settings.m_nTempo, 100);
        EXPECT_FALSE(settings.IsFirstRun());
    }
    // A folder where the file should be.
    std::filesystem::remove(dir / "Vorkeln.ini");
    std::filesystem::create_directory(dir / "Vorkeln.ini");
    CAppSettings settings;
    EXPECT_FALSE(settings.Load(SettingsFile(dir)));
}

TEST(AppSettings, AValueOutOfRangeKeepsItsDefaultAndTheOthersStay) {
    const auto dir = FreshDir("settings-range");
    const std::string text =
        "[General]\nformat=1\n"
        "[options]\ntempo=5000\nlengthen=abc\nechoUp=-1\nechoDown=-2\n"
        "velocity=0\n[orchestra]\nduration=12\n[pen]\nwidth=3\ncolour=nonesuch\n"
        "[tonality]\nkeynote=12\nmask=4096\n[frame]\ntoolbar=maybe\n"
        "[windows]\nscale\\pos=not a point\nscale\\shown=true\n"
        "[view]\nzoom=7\npalette=2\n";
    WriteFile(dir / "Vorkeln.ini", Bytes(text.begin(), text.end()));
    CAppSettings settings;
    ASSERT_TRUE(settings.Load(SettingsFile(dir)));
    const CAppSettings defaults;
    EXPECT_EQ(std::tuple(settings.m_nTempo, settings.m_nLengthen, settings.m_nEchoUp,
                         settings.m_nVelocity, settings.m_nDuration, settings.m_nPenWidth,
                         settings.m_nKeynote, settings.m_nMask),
              std::tuple(defaults.m_nTempo, defaults.m_nLengthen, defaults.m_nEchoUp,
                         defaults.m_nVelocity, defaults.m_nDuration, defaults.m_nPenWidth,
                         defaults.m_nKeynote, defaults.m_nMask));
    EXPECT_EQ(settings.m_nEchoDown, -2);
    EXPECT_EQ(std::tuple(settings.m_nZoom, settings.m_nPalette),
              std::tuple(defaults.m_nZoom, defaults.m_nPalette));
    EXPECT_EQ(settings.m_clrPen, defaults.m_clrPen);
    EXPECT_FALSE(settings.m_bToolBar);
    EXPECT_FALSE(settings.m_toolWindows[CAppSettings::Scale].m_ptPos.has_value());
    EXPECT_TRUE(settings.m_toolWindows[CAppSettings::Scale].m_bShown);
}

TEST(StateKeeper, ToolWindowsStandBesideTheFrameAndNeverOnEachOther) {
    const QRect rcScreen(0, 0, 1280, 800);
    const std::vector<QSize> sizes{{150, 200}, {131, 148}, {206, 182}, {255, 292}};
    struct SCase {
        QRect rcFrame;
        int xColumn;
        QRect rcFrameAfter;
    };
    // Four windows are taller than the screen: they stand in two columns.
    const SCase cases[] = {
        {{0, 0, 600, 600}, 608, {0, 0, 600, 600}},       // room on the right
        {{700, 50, 580, 600}, 437, {700, 50, 580, 600}}, // room on the left only
        {{0, 0, 1024, 700}, 762, {0, 0, 754, 700}},      // made narrower to make room
        {{0, 0, 1280, 800}, 762, {0, 0, 754, 800}},      // the whole screen
    };
    for (const SCase& c : cases) {
        QRect rcFrame = c.rcFrame;
        const std::vector<QRect> places = CStateKeeper::PlaceBeside(rcFrame, rcScreen, sizes);
        EXPECT_EQ(rcFrame, c.rcFrameAfter);
        ASSERT_EQ(places.size(), sizes.size());
        EXPECT_EQ(places[0].x(), c.xColumn);
        for (std::size_t i = 0; i < places.size(); ++i) {
            EXPECT_FALSE(places[i].intersects(rcFrame)) << i;
            EXPECT_TRUE(rcScreen.contains(places[i])) << i;
            for (std::size_t j = 0; j < i; ++j) {
                EXPECT_FALSE(places[i].intersects(places[j])) << i << " " << j;
            }
        }
    }
    // A screen too small for the column below the frame: they stay on it, at its right edge.
    QRect rcSmall(0, 0, 700, 500);
    const std::vector<QRect> places =
        CStateKeeper::PlaceBeside(rcSmall, QRect(0, 0, 700, 500), sizes);
    for (const QRect& rc : places) {
        EXPECT_TRUE(QRect(0, 0, 700, 500).contains(rc));
    }
}

TEST(StateKeeper, WhatWasAppliedIsWhatIsGatheredAndThePlayerHasIt) {
    SProgram program;
    CAppSettings settings;
    settings.m_bToolBar = true;
    settings.m_nKeynote = 2;
    settings.m_nMask = 0x2D6; // D natural minor's steps above its keynote
    settings.m_nTempo = 150;
    settings.m_nLengthen = 80;
    settings.m_nEchoUp = 1;
    settings.m_nEchoDown = 0;
    settings.m_nDuration = 5;
    settings.m_nPenWidth = 10;
    settings.m_clrPen = Qt::red;
    settings.m_nZoom = 4;
    settings.m_bKeyLabels = true;
    settings.m_nPalette = 1;
    settings.m_strOutput = QStringLiteral("jack/synth:in");
    settings.m_bKeepInputChannels = true;
    settings.m_toolWindows[CAppSettings::Options] = {QPoint(30, 40), true};
    settings.m_toolWindows[CAppSettings::Devices] = {QPoint(60, 70), true};
    program.keeper.Apply(settings);
    program.frame.show();
    program.keeper.ShowToolWindows(settings);
    QCoreApplication::processEvents();

    EXPECT_EQ(program.view->m_song.m_nTempo, 150u);
    EXPECT_EQ(program.view->m_grid.m_nEchoUp, 1);
    EXPECT_EQ(program.view->m_scale.m_nKeynote, 2);
    EXPECT_TRUE(program.frame.IsMenuItemChecked(ID_TONALITY_KEY_D));
    EXPECT_TRUE(program.frame.IsMenuItemChecked(ID_VIEW_TOOLBAR));
    EXPECT_TRUE(program.frame.IsMenuItemChecked(ID_VIEW_OPTIONS_WINDOW));
    EXPECT_FALSE(program.frame.IsMenuItemChecked(ID_VIEW_SCALE_WINDOW));
    EXPECT_TRUE(program.devicesDlg.isVisible());
    EXPECT_FALSE(program.portSwitch->IsBuiltIn());
    EXPECT_EQ(program.view->m_grid.GetZoom(), 4);
    EXPECT_TRUE(program.frame.IsMenuItemChecked(ID_VIEW_KEY_LABELS));
    EXPECT_TRUE(program.frame.IsMenuItemChecked(ID_VIEW_PALETTE_SAFE));

    CAppSettings gathered;
    program.keeper.Gather(gathered);
    EXPECT_EQ(std::tuple(gathered.m_nKeynote, gathered.m_nMask, gathered.m_nTempo,
                         gathered.m_nLengthen, gathered.m_nEchoUp, gathered.m_nEchoDown,
                         gathered.m_nDuration, gathered.m_nPenWidth),
              std::tuple(2, 0x2D6, 150, 80, 1, 0, 5, 10));
    EXPECT_EQ(gathered.m_clrPen, QColor(Qt::red));
    EXPECT_EQ(std::tuple(gathered.m_nZoom, gathered.m_bKeyLabels, gathered.m_nPalette),
              std::tuple(4, true, 1));
    EXPECT_TRUE(gathered.m_bToolBar);
    EXPECT_EQ(gathered.m_strOutput, settings.m_strOutput);
    EXPECT_TRUE(gathered.m_bKeepInputChannels);
    EXPECT_EQ(gathered.m_toolWindows[CAppSettings::Options].m_ptPos, QPoint(30, 40));
    EXPECT_TRUE(gathered.m_toolWindows[CAppSettings::Options].m_bShown);
    EXPECT_FALSE(gathered.m_toolWindows[CAppSettings::Scale].m_bShown);
    EXPECT_TRUE(program.status.empty());
}

TEST(DeviceManager, AnOutputThatIsGoneLeavesTheBuiltInSynthesiserAndSaysSo) {
    SProgram program;
    program.devices.RestoreOutput({"jack", "gone:in"});
    EXPECT_TRUE(program.portSwitch->IsBuiltIn());
    EXPECT_TRUE(program.devices.GetOutput().IsEmpty());
    ASSERT_EQ(program.status.size(), 1u);
    EXPECT_EQ(
        program.status[0],
        QStringLiteral("MIDI output Jack: gone:in is not there; the built-in synthesiser plays"));

    ASSERT_TRUE(program.devices.SelectOutput({"jack", "synth:in"}));
    auto* pSystem = static_cast<CRecordingPort*>(program.portSwitch->GetSystem());
    pSystem->Break();
    program.devices.Poll();
    EXPECT_TRUE(program.portSwitch->IsBuiltIn());
    EXPECT_TRUE(program.devices.GetOutput().IsEmpty());
    ASSERT_EQ(program.status.size(), 2u);
    EXPECT_EQ(program.status[1], QStringLiteral("MIDI output Jack: synth:in has gone; the built-in "
                                                "synthesiser plays"));
    EXPECT_FALSE(program.devices.SelectOutput({"jack", "other:in"}));
    // The program's own ports are no place to send to.
    program.ports.push_back({"jack", "Vorkeln:in"});
    EXPECT_EQ(program.devices.ListOutputs(), (std::vector<SMidiPortId>{{"jack", "synth:in"}}));
    EXPECT_EQ(program.status.back(),
              QStringLiteral("MIDI output Jack: other:in could not be opened"));
}

TEST(OpenFromOutside, FilesOpenAsFileOpenOpensThemWithTheSameMessages) {
    SProgram program;
    const auto dir = FreshDir("outside");
    const QString strMissing = QString::fromStdString((dir / "missing.mid").string());
    const QString strText = QString::fromStdString((dir / "text.bmp").string());
    WriteFile(dir / "text.bmp", Bytes{'h', 'i'});
    program.view->OpenFiles({strMissing, strText, QStringLiteral("/no/such/file.txt")});
    const auto fromOutside = program.dialogs.m_messages;
    program.dialogs.m_messages.clear();
    for (const QString& strPath : {strMissing, strText}) {
        program.dialogs.m_openPaths.push_back(strPath);
        program.frame.OnCommand(ID_FILE_OPEN);
    }
    EXPECT_EQ(fromOutside.size(), 2u);
    EXPECT_EQ(fromOutside, program.dialogs.m_messages);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(strMissing), QUrl::fromLocalFile(QStringLiteral("/a/b.BMP")),
                  QUrl::fromLocalFile(QStringLiteral("/a/c.wav")),
                  QUrl(QStringLiteral("https://example.org/d.mid"))});
    EXPECT_EQ(CMainFrame::OpenableFiles(data),
              (QStringList{strMissing, QStringLiteral("/a/b.BMP")}));
}
