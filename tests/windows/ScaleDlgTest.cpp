#include "windows/ScaleDlg.h"
#include "StandInControl.h"
#include "theory/Scale.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CTestScaleDlg : public CScaleDlg {
public:
    struct SMessage {
        QString strText;
        QString strCaption;
    };
    std::vector<SMessage> m_messages;

protected:
    void ShowMessage(const QString& strText, const QString& strCaption) override {
        m_messages.push_back({strText, strCaption});
    }
};

class ScaleDlgTest : public ::testing::Test {
protected:
    void SetUp() override { m_dlg.Create(&m_player); }

    // Texts of the ticked boxes, from the bottom up.
    std::vector<std::string> TickedTexts() const {
        std::vector<std::string> texts;
        for (int k = 0; k < 12; ++k) {
            if (m_dlg.DegreeBox(k)->isChecked()) {
                texts.push_back(m_dlg.DegreeBox(k)->text().toStdString());
            }
        }
        return texts;
    }
    std::vector<std::string> AllTexts() const {
        std::vector<std::string> texts;
        for (int k = 0; k < 12; ++k) {
            texts.push_back(m_dlg.DegreeBox(k)->text().toStdString());
        }
        return texts;
    }

    CStandInControl m_player;
    CScale& m_scale = m_player.m_engine.m_scale;
    CTestScaleDlg m_dlg;
};

TEST_F(ScaleDlgTest, ShowsCMajorAndRotatesToTheKeynote) {
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_TRUE(m_dlg.windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(m_dlg.windowTitle(), QStringLiteral("Scale"));
    EXPECT_EQ(TickedTexts(), (std::vector<std::string>{"cis", "dis", "fis", "gis", "b"}));
    EXPECT_EQ(AllTexts(), (std::vector<std::string>{"c", "cis", "d", "dis", "e", "f", "fis", "g",
                                                    "gis", "a", "b", "h"}));

    // A new keynote from elsewhere reaches the hidden window through Refresh.
    m_scale.SetPattern(2, nullptr);
    m_dlg.Refresh();
    EXPECT_EQ(m_dlg.ShownKeynote(), 2);
    EXPECT_EQ(TickedTexts(), (std::vector<std::string>{"dis", "f", "gis", "b", "c"}));
    EXPECT_EQ(AllTexts(), (std::vector<std::string>{"d", "dis", "e", "f", "fis", "g", "gis", "a",
                                                    "b", "h", "c", "cis"}));
}

TEST_F(ScaleDlgTest, BoxesRiseFromTheKeynote) {
    EXPECT_EQ(m_dlg.DegreeBox(0)->geometry(), QRect(20, 190, 38, 16));
    EXPECT_EQ(m_dlg.DegreeBox(11)->geometry().y(), 11);
    for (int k = 1; k < 12; ++k) {
        EXPECT_LT(m_dlg.DegreeBox(k)->y(), m_dlg.DegreeBox(k - 1)->y());
    }
    EXPECT_EQ(m_dlg.size(), QSize(75, 254));
}

TEST_F(ScaleDlgTest, ClicksBuildTheScaleFromEveryBox) {
    for (int k : {1, 3, 6, 8, 10}) {
        m_dlg.DegreeBox(k)->click();
    }
    EXPECT_STREQ(m_scale.GetName(), "Chromatic");
    EXPECT_EQ(m_player.m_tonalitySenders, std::vector<const void*>(5, &m_dlg));

    // A box set without a click still counts at the next click: the scale is what is shown.
    m_dlg.DegreeBox(2)->setChecked(true);
    m_dlg.DegreeBox(4)->click();
    EXPECT_EQ(m_scale.GetMask(), (1u << 1) | (1u << 3));

    for (int k = 1; k < 12; ++k) {
        if (!m_dlg.DegreeBox(k)->isChecked()) {
            m_dlg.DegreeBox(k)->click();
        }
    }
    EXPECT_EQ(m_scale.GetMask(), 0x7FFu);
    EXPECT_EQ(m_scale.m_degree[0], CScale::kKeynote);
}

TEST_F(ScaleDlgTest, CustomScaleKeepsTheShownKeynote) {
    m_scale.SetPattern(2, nullptr);
    m_dlg.Refresh();
    m_dlg.DegreeBox(7)->click(); // a, the fifth above d, leaves the scale
    EXPECT_EQ(m_scale.m_nKeynote, 2);
    EXPECT_EQ(m_scale.m_degree[7], CScale::kBlack);
    EXPECT_STREQ(m_scale.GetName(), "Unknow");
}

TEST_F(ScaleDlgTest, KeynoteBoxIsRefusedEveryTime) {
    const auto degrees = m_scale.m_degree;
    for (int i = 0; i < 3; ++i) {
        m_dlg.DegreeBox(0)->click();
        EXPECT_FALSE(m_dlg.DegreeBox(0)->isChecked());
    }
    ASSERT_EQ(m_dlg.m_messages.size(), 3u);
    for (const auto& message : m_dlg.m_messages) {
        EXPECT_EQ(message.strText, QStringLiteral("Tonika must be white"));
        EXPECT_EQ(message.strCaption, QStringLiteral("Vorkeln"));
    }
    EXPECT_EQ(m_scale.m_degree, degrees);
    EXPECT_TRUE(m_player.m_tonalitySenders.empty());
}

TEST_F(ScaleDlgTest, HideEscAndCloseBoxReportTheWindowHidden) {
    QSignalSpy spy(&m_dlg, &CScaleDlg::shownChanged);
    m_dlg.show();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_TRUE(spy.takeFirst().at(0).toBool());
    EXPECT_TRUE(m_dlg.IsShown());

    m_dlg.HideButton()->click();
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_FALSE(m_dlg.IsShown());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_FALSE(spy.takeFirst().at(0).toBool());

    m_dlg.show();
    QTest::keyClick(&m_dlg, Qt::Key_Escape);
    EXPECT_FALSE(m_dlg.isVisible());
    m_dlg.show();
    m_dlg.close();
    EXPECT_FALSE(m_dlg.isVisible());
    std::vector<bool> shown;
    for (const auto& args : spy) {
        shown.push_back(args.at(0).toBool());
    }
    EXPECT_EQ(shown, (std::vector<bool>{true, false, true, false}));
}

} // namespace
