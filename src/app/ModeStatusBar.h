#pragma once

#include <QColor>
#include <QMenu>
#include <QStatusBar>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QLabel;
class QPainter;

// The frame's status bar: the message pane, the tonality, the chord that chord mode plays,
// the pen (owner-drawn), the Num Lock indicator and the name of what sounds now. In pen mode the
// pen pane also sets up the pen: a left click chooses its colour, a right click its width.
class CModeStatusBar : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int PANE_MESSAGE = 0;
    static constexpr int PANE_TONALITY = 1;
    static constexpr int PANE_CHORD = 2;
    static constexpr int PANE_PEN = 3;
    static constexpr int PANE_NUM = 4;
    // The name of the chord the sounding notes form; empty while nothing sounds.
    static constexpr int PANE_CHORD_NAME = 5;
    static constexpr int PANE_COUNT = 6;

    // Steps between consecutive notes of the fixed chord types, by 3 * group + variant.
    static constexpr std::array<const char*, 12> CHORD_INTERVALS = {
        "3.4",   "3.3",   "3.5",   "4.3",   "4.2",   "4.4",
        "3.4.3", "3.4.2", "3.4.4", "4.3.4", "4.3.3", "4.3.5"};

    // The seams for the two choosers, so that tests can stand in for the user.
    using ColorChooser = std::function<std::optional<QColor>(const QColor& clrInitial)>;
    using PenWidthChooser = std::function<unsigned(QMenu& menu)>; // chosen id, 0 = none
    // Told the new pen whenever the user changes its colour or width.
    using PenHandler = std::function<void(const QColor& clrPen, int nWidth)>;

    explicit CModeStatusBar(QWidget* pParent = nullptr);
    ~CModeStatusBar() override;

    void SetFlags(std::uint32_t dwFlags);
    void SetTonalityText(const QString& strScale, const QString& strKeynote);
    void SetChordNameText(const QString& strName);
    void BuildChordText(QString& strOut) const;

    void SetPenHandler(PenHandler fnHandler) { m_fnPenHandler = std::move(fnHandler); }
    void SetColorChooser(ColorChooser fnChooser) { m_fnChooseColor = std::move(fnChooser); }
    void SetPenWidthChooser(PenWidthChooser fnChooser) { m_fnChooseWidth = std::move(fnChooser); }

    // Draws pane 3 into rcItem: the pen sample in pen mode, otherwise "F7".
    void DrawItem(QPainter& painter, const QRect& rcItem) const;
    void OnPenWidth(unsigned nID);
    // Colour and width at once, as a remembered pen comes back; an invalid colour or a width
    // the menu does not offer leaves that part as it is.
    void SetPen(const QColor& clrPen, int nWidth);

    std::uint32_t GetFlags() const { return m_dwFlags; }
    int GetPenWidth() const { return m_nPenWidth; }
    QColor GetPenColor() const { return m_clrPen; }
    // The text a pane shows (pane 3: the text it draws, empty in pen mode).
    QString GetPaneText(int nPane) const;
    QWidget* GetPane(int nPane) const;
    QMenu& GetPenWidthMenu() { return m_menuPenWidth; }
    void SetNumLock(bool bOn);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void OnLButtonDown();
    void OnRButtonDown();
    void ApplyPen();

    int m_nPenWidth = 1;
    QColor m_clrPen = Qt::black;
    std::uint32_t m_dwFlags = 0;
    QMenu m_menuPenWidth;

    std::array<QWidget*, PANE_COUNT> m_panes{};
    PenHandler m_fnPenHandler;
    ColorChooser m_fnChooseColor;
    PenWidthChooser m_fnChooseWidth;
};
