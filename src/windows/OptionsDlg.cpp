#include "windows/OptionsDlg.h"

#include "midi/MidiPort.h"
#include "midi/PlayerControl.h"
#include "sound/SoundPath.h"

#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>

namespace {
// The page size a trackbar gets by default: a fifth of its range, at least one.
void SetTrackbarRange(QSlider* pSlider, int nMin, int nMax) {
    pSlider->setRange(nMin, nMax);
    pSlider->setSingleStep(1);
    pSlider->setPageStep(qMax(1, (nMax - nMin) / 5));
}
} // namespace

COptionsDlg::COptionsDlg(QWidget* pParent) : CToolDlg(pParent) {
    setWindowTitle(QStringLiteral("Options"));
    // The described window, a column right of the sliders for their values, and rows below it
    // for the sound path and the velocity.
    QSize sizeWindow = DluSize(137 + kValueColumn, 126);

    // The group boxes frame the controls from behind; they must not catch their clicks.
    auto* pEchos = new QGroupBox(QStringLiteral("Echos"), this);
    pEchos->setGeometry(DluRect(7, 49, 83, 35));
    auto* pPlaying = new QGroupBox(QStringLiteral("Playing"), this);
    pPlaying->setGeometry(DluRect(7, 3, 122 + kValueColumn, 39));

    QLabel* pUp = AddStatic(QStringLiteral("Up"), DluRect(58, 60, 11, 10), Qt::AlignLeft);
    QLabel* pDown = AddStatic(QStringLiteral("Down"), DluRect(13, 60, 20, 8), Qt::AlignLeft);
    m_staticEchoUp = new QLabel(QStringLiteral("#"), this);
    m_staticEchoUp->setObjectName(QStringLiteral("IDC_ECHO_UP_VALUE"));
    m_staticEchoUp->setGeometry(DluRect(73, 60, 8, 10));
    m_staticEchoUp->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_staticEchoDown = new QLabel(QStringLiteral("#"), this);
    m_staticEchoDown->setObjectName(QStringLiteral("IDC_ECHO_DOWN_VALUE"));
    m_staticEchoDown->setGeometry(DluRect(36, 60, 8, 10));
    m_staticEchoDown->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_sliderEchoUp = MakeSlider("IDC_ECHO_UP", DluRect(54, 71, 30, 11));
    m_sliderEchoDown = MakeSlider("IDC_ECHO_DOWN", DluRect(13, 71, 30, 11));
    m_sliderTempo = MakeSlider("IDC_TEMPO", DluRect(61, 13, 61, 11));
    QLabel* pTempo = AddStatic(QStringLiteral("Tempo"), DluRect(13, 15, 25, 10), Qt::AlignLeft);
    m_sliderLengthen = MakeSlider("IDC_NOTE_LENGTHEN", DluRect(61, 26, 61, 11));
    QLabel* pLengthen =
        AddStatic(QStringLiteral("Note lengthen"), DluRect(14, 26, 47, 10), Qt::AlignLeft);
    m_staticTempo = new QLabel(this);
    m_staticTempo->setObjectName(QStringLiteral("IDC_TEMPO_VALUE"));
    m_staticTempo->setGeometry(DluRect(123, 15, kValueColumn, 10));
    m_staticLengthen = new QLabel(this);
    m_staticLengthen->setObjectName(QStringLiteral("IDC_NOTE_LENGTHEN_VALUE"));
    m_staticLengthen->setGeometry(DluRect(123, 26, kValueColumn, 10));
    QLabel* pVelocity =
        AddStatic(QStringLiteral("Velocity"), DluRect(14, 111, 47, 10), Qt::AlignLeft);
    m_sliderVelocity = MakeSlider("IDC_VELOCITY", DluRect(61, 110, 61, 11));
    m_staticVelocity = new QLabel(this);
    m_staticVelocity->setObjectName(QStringLiteral("IDC_VELOCITY_VALUE"));
    m_staticVelocity->setGeometry(DluRect(123, 111, kValueColumn, 10));

    // Labels wider in the font in use than described push what stands right of them along.
    const int nPlayingExtra = std::max({0, pTempo->geometry().right() + 2 - m_sliderTempo->x(),
                                        pLengthen->geometry().right() + 2 - m_sliderLengthen->x(),
                                        pVelocity->geometry().right() + 2 - m_sliderVelocity->x()});
    for (QWidget* pWidget :
         {static_cast<QWidget*>(m_sliderTempo), static_cast<QWidget*>(m_sliderLengthen),
          static_cast<QWidget*>(m_sliderVelocity), static_cast<QWidget*>(m_staticTempo),
          static_cast<QWidget*>(m_staticLengthen), static_cast<QWidget*>(m_staticVelocity)}) {
        pWidget->move(pWidget->x() + nPlayingExtra, pWidget->y());
    }
    pPlaying->resize(pPlaying->width() + nPlayingExtra, pPlaying->height());
    for (const auto& [pLabel, pValue] :
         {std::pair{pDown, m_staticEchoDown}, std::pair{pUp, m_staticEchoUp}}) {
        const int nOverlap = pLabel->geometry().right() + 2 - pValue->x();
        if (nOverlap > 0) {
            pValue->move(pValue->x() + nOverlap, pValue->y());
        }
    }
    const int nEchosRight =
        std::max(m_staticEchoUp->geometry().right() + DluRect(0, 0, 3, 0).width(),
                 pEchos->geometry().right());
    pEchos->resize(nEchosRight - pEchos->x() + 1, pEchos->height());
    sizeWindow.rwidth() += nPlayingExtra;
    setFixedSize(sizeWindow);

    m_staticSoundPath = new QLabel(this);
    m_staticSoundPath->setObjectName(QStringLiteral("IDC_SOUND_PATH"));
    m_staticSoundPath->setGeometry(DluRect(7, 88, 122, 20));
    m_staticSoundPath->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_soundPathTimer.setInterval(kSoundPathMilliseconds);
    connect(&m_soundPathTimer, &QTimer::timeout, this, &COptionsDlg::UpdateSoundPath);

    pEchos->lower();
    pPlaying->lower();
}

QSlider* COptionsDlg::MakeSlider(const char* pszName, const QRect& rect) {
    auto* pSlider = new QSlider(Qt::Horizontal, this);
    pSlider->setObjectName(QString::fromLatin1(pszName));
    pSlider->setGeometry(rect);
    pSlider->setTickPosition(QSlider::NoTicks);
    // Every notification of a slider is a scroll message: each move and the end of a drag.
    connect(pSlider, &QSlider::valueChanged, this, [this, pSlider] { OnHScroll(pSlider); });
    connect(pSlider, &QSlider::sliderReleased, this, [this, pSlider] { OnHScroll(pSlider); });
    return pSlider;
}

QLabel* COptionsDlg::AddStatic(const QString& strText, const QRect& rect, Qt::Alignment align) {
    auto* pStatic = new QLabel(strText, this);
    // As wide as the text needs in the font in use, never narrower than described.
    QRect rcFit = rect;
    rcFit.setWidth(std::max(rect.width(), pStatic->fontMetrics().horizontalAdvance(strText) + 1));
    pStatic->setGeometry(rcFit);
    pStatic->setAlignment(align | Qt::AlignTop);
    return pStatic;
}

void COptionsDlg::Create(IPlayerControl* pView, std::int8_t nEchoUp, std::int8_t nEchoDown) {
    m_pView = pView;
    m_nEchoUp = static_cast<std::int8_t>(qBound(0, int{nEchoUp}, kEchoMax));
    m_nEchoDown = static_cast<std::int8_t>(qBound(-kEchoMax, int{nEchoDown}, 0));
    InitControls();
    UpdateSoundPath();
}

void COptionsDlg::InitControls() {
    // The player already holds these values: setting the sliders sends nothing.
    const QSignalBlocker blockUp(m_sliderEchoUp);
    const QSignalBlocker blockDown(m_sliderEchoDown);
    const QSignalBlocker blockTempo(m_sliderTempo);
    const QSignalBlocker blockLengthen(m_sliderLengthen);
    const QSignalBlocker blockVelocity(m_sliderVelocity);
    SetTrackbarRange(m_sliderEchoUp, 0, kEchoMax);
    SetTrackbarRange(m_sliderEchoDown, -kEchoMax, 0);
    m_sliderEchoUp->setValue(m_nEchoUp);
    m_sliderEchoDown->setValue(m_nEchoDown);
    UpdateEchoTexts();
    SetTrackbarRange(m_sliderTempo, kPercentMin, kPercentMax);
    SetTrackbarRange(m_sliderLengthen, kPercentMin, kPercentMax);
    m_sliderTempo->setValue(kPercentStart);
    m_sliderLengthen->setValue(kPercentStart);
    SetTrackbarRange(m_sliderVelocity, kVelocityMin, kVelocityMax);
    m_sliderVelocity->setValue(kVelocityMax);
    UpdatePlayingTexts();
}

void COptionsDlg::UpdatePlayingTexts() {
    m_staticTempo->setText(QStringLiteral("%1 %").arg(m_sliderTempo->value()));
    m_staticLengthen->setText(QStringLiteral("%1 %").arg(m_sliderLengthen->value()));
    m_staticVelocity->setText(QString::number(m_sliderVelocity->value()));
}

void COptionsDlg::UpdateEchoTexts() {
    m_staticEchoUp->setText(QString::number(int{m_nEchoUp}));
    m_staticEchoDown->setText(QString::number(int{m_nEchoDown}));
}

void COptionsDlg::ResendPlaying() {
    SendControl(IPlayerControl::kControlTempo, static_cast<std::uint32_t>(m_sliderTempo->value()));
    SendControl(IPlayerControl::kControlLengthPercent,
                static_cast<std::uint32_t>(m_sliderLengthen->value()));
}

void COptionsDlg::UpdateSoundPath() {
    const IMidiPort* pPort = m_pView != nullptr ? m_pView->GetMidiPort() : nullptr;
    const auto* pPath = dynamic_cast<const ISoundPath*>(pPort);
    const QString strPath =
        pPath != nullptr ? QString::fromStdString(pPath->GetSoundPath()) : QString();
    if (strPath.isEmpty()) {
        m_staticSoundPath->setText(QStringLiteral("Sound: none"));
        return;
    }
    const double fLatency = pPath->GetOutputLatencyMs();
    m_staticSoundPath->setText(
        QStringLiteral("Sound: %1\nOutput latency: %2")
            .arg(strPath, fLatency < 0.0 ? QStringLiteral("not measured")
                                         : QStringLiteral("%1 ms").arg(fLatency, 0, 'f', 1)));
}

void COptionsDlg::showEvent(QShowEvent* pEvent) {
    CToolDlg::showEvent(pEvent);
    UpdateSoundPath();
    m_soundPathTimer.start();
}

void COptionsDlg::hideEvent(QHideEvent* pEvent) {
    m_soundPathTimer.stop();
    CToolDlg::hideEvent(pEvent);
}

void COptionsDlg::OnHScroll(const QAbstractSlider* pScrollBar) {
    // The position is always read back from the slider, whichever notification came.
    UpdatePlayingTexts();
    if (pScrollBar == m_sliderTempo) {
        SendControl(IPlayerControl::kControlTempo,
                    static_cast<std::uint32_t>(m_sliderTempo->value()));
    } else if (pScrollBar == m_sliderLengthen) {
        SendControl(IPlayerControl::kControlLengthPercent,
                    static_cast<std::uint32_t>(m_sliderLengthen->value()));
    } else if (pScrollBar == m_sliderVelocity) {
        SendControl(IPlayerControl::kControlVelocity,
                    static_cast<std::uint32_t>(m_sliderVelocity->value()));
    } else if (pScrollBar == m_sliderEchoUp || pScrollBar == m_sliderEchoDown) {
        OnEchoChanged();
    }
}

void COptionsDlg::OnEchoChanged() {
    // Both sliders are read whichever one moved.
    m_nEchoUp = static_cast<std::int8_t>(m_sliderEchoUp->value());
    m_nEchoDown = static_cast<std::int8_t>(m_sliderEchoDown->value());
    UpdateEchoTexts();
    SendControl(IPlayerControl::kControlEchoRange,
                IPlayerControl::PackEchoRange(m_nEchoUp, m_nEchoDown));
}
