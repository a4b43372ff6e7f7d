#include "app/ModeStatusBar.h"

#include "app/CommandTable.h"
#include "commands/CommandIds.h"
#include "theory/ModeFlags.h"

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

const QString g_strIdle = QStringLiteral("For Help, press F1");
const QString g_strChordKey = QStringLiteral("`");
const QString g_strPenKey = QStringLiteral("F7");

// A pane keeps its width, wide enough for its text in the font in use.
constexpr const char* g_pszMinWidth = "vorkelnMinWidth";

QLabel* MakePaneLabel(QWidget* pParent, int nWidth) {
    auto* pLabel = new QLabel(pParent);
    pLabel->setFrameShape(QFrame::Panel);
    pLabel->setFrameShadow(QFrame::Sunken);
    pLabel->setProperty(g_pszMinWidth, nWidth);
    pLabel->setFixedWidth(nWidth);
    return pLabel;
}

// Sets a pane's text and makes it as wide as the text needs, never narrower than described.
void SetPaneText(QLabel* pLabel, const QString& strText) {
    pLabel->setText(strText);
    const QMargins margins = pLabel->contentsMargins();
    const int nNeeded = pLabel->fontMetrics().horizontalAdvance(strText) + margins.left() +
                        margins.right() + 2 * pLabel->frameWidth() + 4;
    const int nWidth = std::max(pLabel->property(g_pszMinWidth).toInt(), nNeeded);
    if (nWidth != pLabel->width()) {
        pLabel->setFixedWidth(nWidth);
    }
}

int PenWidthOf(unsigned nID) {
    switch (nID) {
    case ID_PEN_WIDTH_1:
        return 1;
    case ID_PEN_WIDTH_2:
        return 2;
    case ID_PEN_WIDTH_6:
        return 6;
    case ID_PEN_WIDTH_10:
        return 10;
    default:
        return 0;
    }
}

// Pane 3: a sunken frame whose contents the status bar draws, and whose clicks it handles.
class CPenPane : public QFrame {
public:
    CPenPane(CModeStatusBar* pBar, std::function<void(Qt::MouseButton)> fnClick)
        : QFrame(pBar), m_pBar(pBar), m_fnClick(std::move(fnClick)) {
        setFrameShape(QFrame::Panel);
        setFrameShadow(QFrame::Sunken);
        setFixedWidth(30);
    }

protected:
    void paintEvent(QPaintEvent* pEvent) override {
        QFrame::paintEvent(pEvent);
        QPainter painter(this);
        m_pBar->DrawItem(painter, contentsRect());
    }
    void mousePressEvent(QMouseEvent* pEvent) override {
        m_fnClick(pEvent->button());
        QFrame::mousePressEvent(pEvent);
    }

private:
    CModeStatusBar* m_pBar;
    std::function<void(Qt::MouseButton)> m_fnClick;
};

} // namespace

CModeStatusBar::CModeStatusBar(QWidget* pParent) : QStatusBar(pParent) {
    setObjectName(QStringLiteral("statusbar"));
    setSizeGripEnabled(true);

    auto* pMessage = new QLabel(g_strIdle, this);
    pMessage->setMinimumWidth(20);
    addWidget(pMessage, 1);
    m_panes[PANE_MESSAGE] = pMessage;

    m_panes[PANE_TONALITY] = MakePaneLabel(this, 120);
    QLabel* pChord = MakePaneLabel(this, 80);
    SetPaneText(pChord, g_strChordKey);
    m_panes[PANE_CHORD] = pChord;

    m_panes[PANE_PEN] = new CPenPane(this, [this](Qt::MouseButton eButton) {
        if (eButton == Qt::LeftButton)
            OnLButtonDown();
        else if (eButton == Qt::RightButton)
            OnRButtonDown();
    });

    QLabel* pNum = MakePaneLabel(this, fontMetrics().horizontalAdvance(QStringLiteral("NUM")) + 8);
    m_panes[PANE_NUM] = pNum;
    m_panes[PANE_CHORD_NAME] = MakePaneLabel(this, 110);
    // Screen readers (and the end-to-end test) find the pane by what it shows.
    m_panes[PANE_CHORD_NAME]->setAccessibleDescription(QStringLiteral("Chord name"));

    for (int nPane = PANE_TONALITY; nPane < PANE_COUNT; ++nPane)
        addPermanentWidget(m_panes[static_cast<std::size_t>(nPane)]);

    m_menuPenWidth.setTitle(QStringLiteral("Pen width"));
    for (const SMenuEntry& entry : CCommandTable::PenWidthMenu()) {
        if (entry.eKind != SMenuEntry::Item)
            continue;
        const SCommandInfo* pInfo = CCommandTable::Find(entry.nID);
        QAction* pAction = m_menuPenWidth.addAction(QString::fromUtf8(pInfo->pszText));
        pAction->setData(entry.nID);
    }

    m_fnChooseColor = [this](const QColor& clrInitial) -> std::optional<QColor> {
        const QColor clr = QColorDialog::getColor(clrInitial, this);
        if (!clr.isValid())
            return std::nullopt;
        return clr;
    };
    m_fnChooseWidth = [](QMenu& menu) -> unsigned {
        // The menu opens to the left of the mouse, its right edge at the cursor.
        const QPoint ptCursor = QCursor::pos();
        QAction* pChosen = menu.exec(ptCursor - QPoint(menu.sizeHint().width(), 0));
        return pChosen == nullptr ? 0U : pChosen->data().toUInt();
    };

    // Qt does not tell the Num Lock state; the numeric keypad does: its digits arrive with
    // Num Lock on, its navigation keys with it off.
    qApp->installEventFilter(this);
}

CModeStatusBar::~CModeStatusBar() {
    if (qApp != nullptr)
        qApp->removeEventFilter(this);
}

void CModeStatusBar::SetFlags(std::uint32_t dwFlags) {
    const std::uint32_t dwOld = m_dwFlags;
    m_dwFlags = dwFlags;
    if ((dwOld ^ dwFlags) & kFlagPenMode) {
        m_panes[PANE_PEN]->update();
        return;
    }
    auto* pChord = static_cast<QLabel*>(m_panes[PANE_CHORD]);
    if (dwFlags & kFlagChordMode) {
        QString strChord;
        BuildChordText(strChord);
        SetPaneText(pChord, strChord);
    } else {
        SetPaneText(pChord, g_strChordKey);
    }
    pChord->repaint();
}

void CModeStatusBar::SetTonalityText(const QString& strScale, const QString& strKeynote) {
    auto* pTonality = static_cast<QLabel*>(m_panes[PANE_TONALITY]);
    SetPaneText(pTonality, QStringLiteral("%1 : %2").arg(strScale, strKeynote));
    pTonality->update();
}

void CModeStatusBar::SetChordNameText(const QString& strName) {
    auto* pName = static_cast<QLabel*>(m_panes[PANE_CHORD_NAME]);
    if (pName->text() != strName)
        SetPaneText(pName, strName);
}

void CModeStatusBar::BuildChordText(QString& strOut) const {
    const int n = static_cast<int>((m_dwFlags & kFlagChordSizeMask) >> kChordSizeShift);
    const int r = static_cast<int>((m_dwFlags & kFlagInversionMask) >> kInversionShift);
    const std::uint32_t m = (m_dwFlags & kFlagChordKeysMask) >> kChordKeyShift;

    strOut = QString(n, QLatin1Char('O'));
    if (n > 0 && (m & 1U))
        strOut[0] = QLatin1Char('D');
    for (int i = 1; i <= n - 2; ++i) {
        if (m & (1U << i))
            strOut[i] = QLatin1Char('~');
    }
    if (m_dwFlags & kFlagChordShapeMask) {
        int g = 0;
        while (!(m_dwFlags & (1U << (22 + g))))
            ++g;
        int v = static_cast<int>((m_dwFlags & kFlagChordVariantMask) >> 26);
        // Both variant bits at once cancel out; they would also run past the table.
        if (v == 3)
            v = 0;
        strOut += QLatin1Char(' ');
        strOut += QLatin1String(CHORD_INTERVALS[static_cast<std::size_t>(3 * g + v)]);
    }
    if (r > 0 && r < n)
        strOut.insert(r, QLatin1Char('\''));
}

void CModeStatusBar::DrawItem(QPainter& painter, const QRect& rcItem) const {
    if (m_dwFlags & kFlagPenMode) {
        QRect rcBand = rcItem;
        rcBand.setTop(rcItem.top() + (rcItem.height() - m_nPenWidth) / 2);
        rcBand.setHeight(m_nPenWidth);
        painter.save();
        painter.setClipRect(rcItem);
        painter.fillRect(rcBand, m_clrPen);
        painter.restore();
    } else {
        painter.setBackgroundMode(Qt::TransparentMode);
        painter.drawText(rcItem, Qt::AlignLeft | Qt::AlignTop, g_strPenKey);
    }
}

void CModeStatusBar::OnPenWidth(unsigned nID) {
    const int nWidth = PenWidthOf(nID);
    if (nWidth == 0)
        return;
    m_nPenWidth = nWidth;
    ApplyPen();
}

void CModeStatusBar::SetPen(const QColor& clrPen, int nWidth) {
    if (clrPen.isValid())
        m_clrPen = clrPen;
    for (const SMenuEntry& entry : CCommandTable::PenWidthMenu()) {
        if (entry.eKind == SMenuEntry::Item && PenWidthOf(entry.nID) == nWidth)
            m_nPenWidth = nWidth;
    }
    ApplyPen();
}

QString CModeStatusBar::GetPaneText(int nPane) const {
    switch (nPane) {
    case PANE_MESSAGE:
        return currentMessage().isEmpty() ? g_strIdle : currentMessage();
    case PANE_TONALITY:
    case PANE_CHORD:
    case PANE_NUM:
    case PANE_CHORD_NAME:
        return static_cast<const QLabel*>(m_panes[static_cast<std::size_t>(nPane)])->text();
    case PANE_PEN:
        return (m_dwFlags & kFlagPenMode) ? QString() : g_strPenKey;
    default:
        return {};
    }
}

QWidget* CModeStatusBar::GetPane(int nPane) const {
    if (nPane < 0 || nPane >= PANE_COUNT)
        return nullptr;
    return m_panes[static_cast<std::size_t>(nPane)];
}

void CModeStatusBar::SetNumLock(bool bOn) {
    static_cast<QLabel*>(m_panes[PANE_NUM])->setText(bOn ? QStringLiteral("NUM") : QString());
}

bool CModeStatusBar::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::KeyPress) {
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        if (pKey->modifiers() & Qt::KeypadModifier) {
            const int nKey = pKey->key();
            if ((nKey >= Qt::Key_0 && nKey <= Qt::Key_9) || nKey == Qt::Key_Period ||
                nKey == Qt::Key_Comma)
                SetNumLock(true);
            else if ((nKey >= Qt::Key_Home && nKey <= Qt::Key_PageDown) || nKey == Qt::Key_Insert ||
                     nKey == Qt::Key_Delete || nKey == Qt::Key_Clear)
                SetNumLock(false);
        }
    }
    return QStatusBar::eventFilter(pWatched, pEvent);
}

void CModeStatusBar::OnLButtonDown() {
    if (!(m_dwFlags & kFlagPenMode) || !m_fnChooseColor)
        return;
    if (const std::optional<QColor> clr = m_fnChooseColor(m_clrPen)) {
        m_clrPen = *clr;
        ApplyPen();
    }
}

void CModeStatusBar::OnRButtonDown() {
    if (!(m_dwFlags & kFlagPenMode) || !m_fnChooseWidth)
        return;
    OnPenWidth(m_fnChooseWidth(m_menuPenWidth));
}

void CModeStatusBar::ApplyPen() {
    if (m_fnPenHandler)
        m_fnPenHandler(m_clrPen, m_nPenWidth);
    update();
    m_panes[PANE_PEN]->update();
}
