#pragma once

#include "windows/ToolDlg.h"

#include <QTimer>

#include <cstdint>

class QAbstractSlider;
class QLabel;
class QSlider;

// The "Options" tool window: tempo and note lengthening of song playback ("Playing") and how
// many octaves up and down a sounding note is also lit ("Echos"). Every slider movement goes
// at once to the note player. Below them, the sound path in use and its measured output latency,
// read from the player's port while the window is shown, and the velocity of the notes the
// mouse and the computer keyboard play.
class COptionsDlg : public CToolDlg {
    Q_OBJECT
public:
    static constexpr int kPercentMin = 20;
    static constexpr int kPercentMax = 700;
    static constexpr int kPercentStart = 100;
    static constexpr int kEchoMax = 4;
    static constexpr int kVelocityMin = 1;
    static constexpr int kVelocityMax = 127;
    // How often the shown sound path and latency are read again.
    static constexpr int kSoundPathMilliseconds = 1000;
    // Dialog units right of the Playing sliders for their values.
    static constexpr int kValueColumn = 24;

    explicit COptionsDlg(QWidget* pParent = nullptr);

    // Binds the window to the player and shows the echo range the keyboard already has
    // (clamped to 0..4 up and -4..0 down). Sends nothing; the window stays hidden.
    void Create(IPlayerControl* pView, std::int8_t nEchoUp, std::int8_t nEchoDown);
    // File > New puts the song's tempo and lengthening back to 100 %: send the sliders' own
    // values again so that song and window agree.
    void ResendPlaying();
    // Reads the sound path and its latency from the player's port into the label.
    void UpdateSoundPath();

    std::int8_t EchoUp() const { return m_nEchoUp; }
    std::int8_t EchoDown() const { return m_nEchoDown; }
    QSlider* TempoSlider() const { return m_sliderTempo; }
    QSlider* LengthenSlider() const { return m_sliderLengthen; }
    QSlider* EchoUpSlider() const { return m_sliderEchoUp; }
    QSlider* EchoDownSlider() const { return m_sliderEchoDown; }
    // How hard the mouse and the computer keyboard strike their notes.
    QSlider* VelocitySlider() const { return m_sliderVelocity; }
    QLabel* EchoUpStatic() const { return m_staticEchoUp; }
    QLabel* EchoDownStatic() const { return m_staticEchoDown; }
    QLabel* TempoStatic() const { return m_staticTempo; }
    QLabel* LengthenStatic() const { return m_staticLengthen; }
    QLabel* VelocityStatic() const { return m_staticVelocity; }
    QLabel* SoundPathStatic() const { return m_staticSoundPath; }

protected:
    void showEvent(QShowEvent* pEvent) override;
    void hideEvent(QHideEvent* pEvent) override;

private:
    void InitControls();
    void UpdateEchoTexts();
    void UpdatePlayingTexts();
    void OnHScroll(const QAbstractSlider* pScrollBar);
    void OnEchoChanged();
    QSlider* MakeSlider(const char* pszName, const QRect& rect);
    QLabel* AddStatic(const QString& strText, const QRect& rect, Qt::Alignment align);

    std::int8_t m_nEchoUp = 3;
    std::int8_t m_nEchoDown = -3;
    QSlider* m_sliderTempo = nullptr;
    QSlider* m_sliderLengthen = nullptr;
    QSlider* m_sliderEchoUp = nullptr;
    QSlider* m_sliderEchoDown = nullptr;
    QSlider* m_sliderVelocity = nullptr;
    QLabel* m_staticEchoUp = nullptr;
    QLabel* m_staticEchoDown = nullptr;
    QLabel* m_staticTempo = nullptr;
    QLabel* m_staticLengthen = nullptr;
    QLabel* m_staticVelocity = nullptr;
    QLabel* m_staticSoundPath = nullptr;
    QTimer m_soundPathTimer;
};
