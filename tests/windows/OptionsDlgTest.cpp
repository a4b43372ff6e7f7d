#include "windows/OptionsDlg.h"
#include "StandInControl.h"
#include "midi/Song.h"
#include "sound/SoundPath.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A port that tells its sound path, as the embedded synthesiser does.
class CSoundPathPort : public CRecordingPort, public ISoundPath {
public:
    std::string GetSoundPath() const override { return m_path; }
    double GetOutputLatencyMs() const override { return m_fLatency; }

    std::string m_path;
    double m_fLatency = -1.0;
};

SControl Echo(int nUp, int nDown) {
    return {IPlayerControl::kControlEchoRange, IPlayerControl::PackEchoRange(nUp, nDown)};
}

class OptionsDlgTest : public ::testing::Test {
protected:
    void SetUp() override { m_dlg.Create(&m_player, 3, -3); }

    CStandInControl m_player;
    COptionsDlg m_dlg;
};

TEST_F(OptionsDlgTest, StartsFromThePlayersValuesAndSendsNothing) {
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_TRUE(m_dlg.windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(m_dlg.windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(m_dlg.TempoSlider()->value(), 100);
    EXPECT_EQ(m_dlg.LengthenSlider()->value(), 100);
    EXPECT_EQ(m_dlg.TempoSlider()->minimum(), 20);
    EXPECT_EQ(m_dlg.LengthenSlider()->maximum(), 700);
    EXPECT_EQ(m_dlg.EchoUpSlider()->value(), 3);
    EXPECT_EQ(m_dlg.EchoDownSlider()->value(), -3);
    EXPECT_EQ(m_dlg.EchoDownSlider()->minimum(), -4);
    EXPECT_EQ(m_dlg.EchoUpSlider()->maximum(), 4);
    EXPECT_EQ(m_dlg.EchoUpStatic()->text(), QStringLiteral("3"));
    EXPECT_EQ(m_dlg.EchoDownStatic()->text(), QStringLiteral("-3"));
    EXPECT_TRUE(m_player.m_controls.empty());
    // Down stands left of Up.
    EXPECT_LT(m_dlg.EchoDownSlider()->x(), m_dlg.EchoUpSlider()->x());
    // Where the described place leaves its label room enough; further right otherwise.
    EXPECT_GE(m_dlg.TempoSlider()->x(), 92);
    EXPECT_EQ(m_dlg.TempoSlider()->geometry().translated(92 - m_dlg.TempoSlider()->x(), 0),
              QRect(92, 21, 92, 18));
    // The velocity slider stands below the tempo slider.
    EXPECT_EQ(m_dlg.VelocitySlider()->x(), m_dlg.TempoSlider()->x());
    // The described window, a column for the values and rows for the sound path and the
    // velocity below it.
    EXPECT_GE(m_dlg.width(), 206 + 36);
    EXPECT_EQ(m_dlg.height(), 205);
    EXPECT_EQ(m_dlg.VelocitySlider()->value(), 127);
    EXPECT_EQ(m_dlg.VelocitySlider()->minimum(), 1);
    EXPECT_EQ(m_dlg.TempoStatic()->text(), QStringLiteral("100 %"));
    EXPECT_EQ(m_dlg.LengthenStatic()->text(), QStringLiteral("100 %"));
    EXPECT_EQ(m_dlg.VelocityStatic()->text(), QStringLiteral("127"));

    // Absurd echo ranges are clamped to the sliders' ends.
    COptionsDlg other;
    other.Create(&m_player, 9, -128);
    EXPECT_EQ(other.EchoUp(), 4);
    EXPECT_EQ(other.EchoDown(), -4);
    EXPECT_EQ(other.EchoDownStatic()->text(), QStringLiteral("-4"));
}

TEST_F(OptionsDlgTest, EchoSlidersSendThePackedPair) {
    m_dlg.EchoDownSlider()->setValue(-4);
    EXPECT_EQ(m_dlg.EchoDownStatic()->text(), QStringLiteral("-4"));
    ASSERT_EQ(m_player.m_controls.size(), 1u);
    EXPECT_EQ(m_player.m_controls[0], Echo(3, -4));
    EXPECT_EQ(IPlayerControl::EchoUpOf(m_player.m_controls[0].second), 3);
    EXPECT_EQ(IPlayerControl::EchoDownOf(m_player.m_controls[0].second), -4);
    EXPECT_EQ(m_player.m_nEchoUp, 3);
    EXPECT_EQ(m_player.m_nEchoDown, -4);

    m_dlg.EchoUpSlider()->setValue(0);
    m_dlg.EchoDownSlider()->setValue(0);
    EXPECT_EQ(m_player.m_controls.back(), Echo(0, 0));
    EXPECT_EQ(m_player.m_controls.back().second, 0u);
    EXPECT_EQ(m_dlg.EchoUpStatic()->text(), QStringLiteral("0"));
    EXPECT_EQ(m_dlg.EchoUp(), 0);
    EXPECT_EQ(m_dlg.EchoDown(), 0);
    EXPECT_EQ(m_player.m_nEchoUp, 0);
    EXPECT_EQ(m_player.m_nEchoDown, 0);
}

TEST_F(OptionsDlgTest, EveryScrollNotificationIsSent) {
    QSlider* pTempo = m_dlg.TempoSlider();
    pTempo->setSliderDown(true);
    pTempo->setSliderPosition(150);
    pTempo->setSliderPosition(200);
    pTempo->setSliderDown(false);
    EXPECT_EQ(m_player.m_controls,
              (std::vector<SControl>{{0x0400, 150}, {0x0400, 200}, {0x0400, 200}}));
    EXPECT_EQ(m_player.m_engine.m_song.m_nTempo, 200u);
    EXPECT_EQ(m_player.m_engine.m_song.m_nStep, 30u);

    m_player.m_controls.clear();
    QTest::keyClick(m_dlg.LengthenSlider(), Qt::Key_Left);
    QTest::keyClick(m_dlg.LengthenSlider(), Qt::Key_End);
    EXPECT_EQ(m_player.m_controls, (std::vector<SControl>{{0x0500, 99}, {0x0500, 700}}));
    EXPECT_EQ(m_player.m_engine.m_song.m_nLengthPercent, 700u);
    // Each slider's value stands beside it.
    QTest::keyClick(m_dlg.VelocitySlider(), Qt::Key_Left);
    EXPECT_EQ(m_dlg.TempoStatic()->text(), QStringLiteral("200 %"));
    EXPECT_EQ(m_dlg.LengthenStatic()->text(), QStringLiteral("700 %"));
    EXPECT_EQ(m_dlg.VelocityStatic()->text(), QStringLiteral("126"));
}

TEST_F(OptionsDlgTest, NewSendsTempoAndLengtheningAgain) {
    m_dlg.TempoSlider()->setValue(250);
    m_dlg.LengthenSlider()->setValue(50);
    m_player.m_engine.m_song.Reset();
    ASSERT_EQ(m_player.m_engine.m_song.m_nTempo, 100u);
    m_player.m_controls.clear();
    m_dlg.ResendPlaying();
    EXPECT_EQ(m_player.m_controls, (std::vector<SControl>{{0x0400, 250}, {0x0500, 50}}));
    EXPECT_EQ(m_player.m_engine.m_song.m_nTempo, 250u);
    EXPECT_EQ(m_player.m_engine.m_song.m_nLengthPercent, 50u);
}

TEST_F(OptionsDlgTest, ShowsTheSoundPathAndItsLatencyBelowTheControls) {
    // A port without a sound path of its own, as a system MIDI port.
    EXPECT_EQ(m_dlg.SoundPathStatic()->text(), QStringLiteral("Sound: none"));
    const QRect rcPath = m_dlg.SoundPathStatic()->geometry();
    EXPECT_GE(rcPath.top(), m_dlg.EchoDownSlider()->geometry().bottom());
    EXPECT_LE(rcPath.bottom(), m_dlg.height());

    auto pPort = std::make_unique<CSoundPathPort>();
    CSoundPathPort& port = *pPort;
    m_player.m_engine.m_midiOut.SetPort(std::move(pPort));
    const struct {
        const char* m_pszPath;
        double m_fLatency;
        const char* m_pszText;
    } cases[] = {
        {"", 12.0, "Sound: none"},
        {"PulseAudio stream", -1.0, "Sound: PulseAudio stream\nOutput latency: not measured"},
        {"PulseAudio stream", 17.44, "Sound: PulseAudio stream\nOutput latency: 17.4 ms"},
        {"FluidSynth alsa driver", 0.0, "Sound: FluidSynth alsa driver\nOutput latency: 0.0 ms"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.m_pszText);
        port.m_path = test.m_pszPath;
        port.m_fLatency = test.m_fLatency;
        m_dlg.UpdateSoundPath();
        EXPECT_EQ(m_dlg.SoundPathStatic()->text(), QString::fromUtf8(test.m_pszText));
    }

    // Shown, the window reads it at once, and sends nothing for it.
    port.m_fLatency = 9.96;
    m_dlg.show();
    EXPECT_EQ(m_dlg.SoundPathStatic()->text(),
              QStringLiteral("Sound: FluidSynth alsa driver\nOutput latency: 10.0 ms"));
    EXPECT_TRUE(m_player.m_controls.empty());
}

TEST_F(OptionsDlgTest, CloseBoxReportsTheWindowHidden) {
    QSignalSpy spy(&m_dlg, &COptionsDlg::shownChanged);
    m_dlg.show();
    EXPECT_TRUE(m_dlg.IsShown());
    m_dlg.close();
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_FALSE(m_dlg.IsShown());
    ASSERT_EQ(spy.count(), 2);
    EXPECT_TRUE(spy.at(0).at(0).toBool());
    EXPECT_FALSE(spy.at(1).at(0).toBool());
    EXPECT_TRUE(m_player.m_controls.empty());
}

} // namespace
