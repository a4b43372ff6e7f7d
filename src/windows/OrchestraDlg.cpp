#include "windows/OrchestraDlg.h"

#include "midi/PlayerControl.h"
#include "midi/Song.h"

#include <QCursor>
#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QSlider>

namespace {
// The control codes carry a row index in their low byte: rows beyond it cannot be addressed.
constexpr int kMaxAddressableRow = 0xFF;
} // namespace

const std::array<const char*, COrchestraDlg::kGroupCount> COrchestraDlg::kGroupNames{
    "Piano",        "Chrom Percussion", "Organ",         "Guitar", "Bass",
    "Strings",      "Ensemble",         "Brass",         "Reed",   "Pipe",
    "Synth Lead",   "Synth Pad",        "Synth Effects", "Ethnic", "Percussive",
    "Sound Effects"};

const std::array<const char*, COrchestraDlg::kProgramCount> COrchestraDlg::kInstrumentNames{
    // Piano
    "Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Grand Piano", "Honky-tonk Piano",
    "Electric Piano 1", "Electric Piano 2", "Harpsichord", "Clavinet",
    // Chrom Percussion
    "Celesta", "Glockenspiel", "Music Box", "Vibraphone", "Marimba", "Xylophone", "Tubular Bells",
    "Dulcimer",
    // Organ
    "Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ", "Reed Organ", "Accordion",
    "Harmonica", "Tango Accordion",
    // Guitar
    "Acoustic Guitar (nylon)", "Acoustic Guitar (steel)", "Electric Guitar (jazz)",
    "Electric Guitar (clean)", "Electric Guitar (muted)", "Overdriven Guitar", "Distortion Guitar",
    "Guitar Harmonics",
    // Bass
    "Acoustic Bass", "Electric Bass (finger)", "Electric Bass (pick)", "Fretless Bass",
    "Slap Bass 1", "Slap Bass 2", "Synth Bass 1", "Synth Bass 2",
    // Strings
    "Violin", "Viola", "Cello", "Contrabass", "Tremolo Strings", "Pizzicato Strings",
    "Orchestral Harp", "Timpani",
    // Ensemble
    "String Ensemble 1", "String Ensemble 2", "Synth Strings 1", "Synth Strings 2", "Choir Aahs",
    "Voice Oohs", "Synth Voice", "Orchestra Hit",
    // Brass
    "Trumpet", "Trombone", "Tuba", "Muted Trumpet", "French Horn", "Brass Section", "Synth Brass 1",
    "Synth Brass 2",
    // Reed
    "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax", "Oboe", "English Horn", "Bassoon",
    "Clarinet",
    // Pipe
    "Piccolo", "Flute", "Recorder", "Pan Flute", "Bottle Blow", "Shakuhachi", "Whistle", "Ocarina",
    // Synth Lead
    "Lead 1 (square)", "Lead 2 (sawtooth)", "Lead 3 (calliope)", "Lead 4 (chiff)",
    "Lead 5 (charang)", "Lead 6 (voice)", "Lead 7 (fifths)", "Lead 8 (bass + lead)",
    // Synth Pad
    "Pad 1 (new age)", "Pad 2 (warm)", "Pad 3 (polysynth)", "Pad 4 (choir)", "Pad 5 (bowed)",
    "Pad 6 (metallic)", "Pad 7 (halo)", "Pad 8 (sweep)",
    // Synth Effects
    "FX 1 (rain)", "FX 2 (soundtrack)", "FX 3 (crystal)", "FX 4 (atmosphere)", "FX 5 (brightness)",
    "FX 6 (goblins)", "FX 7 (echoes)", "FX 8 (sci-fi)",
    // Ethnic
    "Sitar", "Banjo", "Shamisen", "Koto", "Kalimba", "Bagpipe", "Fiddle", "Shanai",
    // Percussive
    "Tinkle Bell", "Agogo", "Steel Drums", "Woodblock", "Taiko Drum", "Melodic Tom", "Synth Drum",
    "Reverse Cymbal",
    // Sound Effects
    "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet", "Telephone Ring", "Helicopter",
    "Applause", "Gunshot"};

COrchestraDlg::COrchestraDlg(QWidget* pParent) : CToolDlg(pParent) {
    setWindowTitle(QStringLiteral("Orchestra"));
    resize(DluSize(87, 91));

    m_listInstruments = new QListWidget(this);
    m_listInstruments->setObjectName(QStringLiteral("IDC_INSTRUMENTS"));
    m_listInstruments->setGeometry(DluRect(3, 14, 81, 74));
    m_listInstruments->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listInstruments->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listInstruments->setToolTip(QStringLiteral("Doubleclick for changing"));
    m_listInstruments->installEventFilter(this);
    m_listInstruments->viewport()->installEventFilter(this);
    connect(m_listInstruments, &QListWidget::currentRowChanged, this,
            &COrchestraDlg::OnInstrumentsSelChange);
    connect(m_listInstruments, &QListWidget::itemDoubleClicked, this,
            &COrchestraDlg::OnInstrumentsDblClk);

    m_sliderDuration = new QSlider(Qt::Horizontal, this);
    m_sliderDuration->setObjectName(QStringLiteral("IDC_NOTE_DURATION"));
    m_sliderDuration->setGeometry(DluRect(2, 2, 55, 11));
    m_sliderDuration->setTickPosition(QSlider::NoTicks);
    // Every notification of the slider is a scroll message: each move and the end of a drag.
    connect(m_sliderDuration, &QSlider::valueChanged, this, &COrchestraDlg::OnHScroll);
    connect(m_sliderDuration, &QSlider::sliderReleased, this, &COrchestraDlg::OnHScroll);

    m_staticDuration = new QLabel(QStringLiteral("##"), this);
    m_staticDuration->setObjectName(QStringLiteral("IDC_NOTE_DURATION_VALUE"));
    m_staticDuration->setGeometry(DluRect(61, 2, 10, 10));
    m_staticDuration->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_staticDuration->setToolTip(QStringLiteral("Note duration"));

    BuildInstrumentsMenu();
}

void COrchestraDlg::BuildInstrumentsMenu() {
    m_menuInstruments = new QMenu(QStringLiteral("Instruments"), this);
    for (int g = 0; g < kGroupCount; ++g) {
        QMenu* pGroup = m_menuInstruments->addMenu(
            QString::fromLatin1(kGroupNames[static_cast<std::size_t>(g)]));
        for (int j = 0; j < 8; ++j) {
            const int nID = kIdInstrumentFirst + 8 * g + j;
            QAction* pAction = pGroup->addAction(InstrumentText(nID));
            pAction->setData(nID);
            connect(pAction, &QAction::triggered, this, [this, nID] { OnInstrument(nID); });
        }
    }
    m_menuInstruments->addSeparator();
    QAction* pDelete = m_menuInstruments->addAction(QStringLiteral("Delete"));
    pDelete->setData(kIdInstrumentDelete);
    connect(pDelete, &QAction::triggered, this, [this] { OnInstrument(kIdInstrumentDelete); });
}

QString COrchestraDlg::InstrumentText(int nID) {
    const int nProgram = nID - kIdInstrumentFirst;
    if (nProgram < 0 || nProgram >= kProgramCount) {
        return {};
    }
    return QString::fromLatin1(kInstrumentNames[static_cast<std::size_t>(nProgram)]);
}

void COrchestraDlg::Create(IPlayerControl* pView) {
    m_pView = pView;
    Reset();
}

void COrchestraDlg::Reset() {
    {
        const QSignalBlocker blocker(m_listInstruments);
        m_listInstruments->clear();
        m_nCount = 0;
        m_nSel = 0;
        m_listInstruments->addItem(QString());
    }
    SelectRow(0);
    OnInstrument(kIdInstrumentFirst);
    {
        const QSignalBlocker blocker(m_sliderDuration);
        m_sliderDuration->setRange(0, static_cast<int>(kDurations.size()) - 1);
        m_sliderDuration->setSingleStep(1);
        m_sliderDuration->setPageStep(2);
        m_sliderDuration->setValue(kStartPosition);
    }
    OnHScroll();
}

void COrchestraDlg::RefillFromSong(const CSong& song) {
    const QSignalBlocker blocker(m_listInstruments);
    m_listInstruments->clear();
    m_nCount = 0;
    for (const CTrack& track : song.m_tracks) {
        if (track.m_bActive) {
            // Programs are 7-bit numbers on the wire; a broken file's stray high bit is dropped.
            m_listInstruments->addItem(
                InstrumentText(kIdInstrumentFirst + (track.m_nProgram & 0x7F)));
            ++m_nCount;
            GreyUnnamedRow(m_nCount - 1);
        }
    }
    m_listInstruments->addItem(QString());
    m_nSel = 0;
    m_listInstruments->setCurrentRow(0);
    if (m_pView != nullptr) {
        m_pView->SetCurrentTrack(0);
    }
}

void COrchestraDlg::OnInstrument(int nID) {
    if (nID < kIdInstrumentFirst || nID > kIdInstrumentDelete) {
        return;
    }
    m_nSel = m_listInstruments->currentRow();
    // A command without a chosen row, or for a row the codes cannot name, changes nothing.
    if (m_nSel < 0 || m_nSel > kMaxAddressableRow) {
        return;
    }
    const auto nSel = static_cast<std::uint32_t>(m_nSel);

    if (nID == kIdInstrumentDelete) {
        if (m_nSel >= m_nCount || m_nCount <= 1) {
            return;
        }
        {
            const QSignalBlocker blocker(m_listInstruments);
            delete m_listInstruments->takeItem(m_nSel);
        }
        --m_nCount;
        GreyUnnamedRow(kMaxAddressableRow);
        SendControl(IPlayerControl::kControlRemoveTrack + nSel, 0);
        if (m_nSel == m_nCount) {
            --m_nSel;
        }
        SelectRow(m_nSel);
        SetCurrentTrack(m_nSel);
        return;
    }

    const QString strText = InstrumentText(nID);
    const auto nProgram = static_cast<std::uint32_t>(nID - kIdInstrumentFirst);
    if (m_nSel < m_nCount) {
        m_listInstruments->item(m_nSel)->setText(strText);
        SelectRow(m_nSel);
        SendControl(IPlayerControl::kControlSetProgram + nSel, nProgram);
    } else {
        if (m_nCount >= kMaxInstruments) {
            return;
        }
        {
            const QSignalBlocker blocker(m_listInstruments);
            m_listInstruments->insertItem(m_nSel, strText);
        }
        SelectRow(m_nSel);
        ++m_nCount;
        SendControl(IPlayerControl::kControlAddTrack, nProgram);
    }
    SetCurrentTrack(m_nSel);
}

void COrchestraDlg::OnHScroll() {
    const int nPosition =
        qBound(0, m_sliderDuration->value(), static_cast<int>(kDurations.size()) - 1);
    const int nDuration = kDurations[static_cast<std::size_t>(nPosition)];
    m_staticDuration->setText(QString::number(nDuration));
    SendControl(IPlayerControl::kControlNoteLength, static_cast<std::uint32_t>(nDuration));
}

void COrchestraDlg::OnInstrumentsDblClk() {
    // Not exec: the choice arrives as a command, like every other way into OnInstrument.
    m_menuInstruments->popup(QCursor::pos());
}

void COrchestraDlg::OnInstrumentsSelChange(int nRow) {
    m_nSel = nRow;
    if (m_nSel >= 0 && m_nSel < m_nCount) {
        SetCurrentTrack(m_nSel);
    }
}

void COrchestraDlg::OnInstrumentsKillFocus() {
    // The empty row is never the played instrument: leaving it picks the last instrument row
    // (a song without instrument rows has none to pick).
    if (m_nSel == m_nCount && m_nCount > 0) {
        m_nSel = m_nCount - 1;
        SelectRow(m_nSel);
        SetCurrentTrack(m_nSel);
    }
}

void COrchestraDlg::SelectRow(int nRow) {
    const QSignalBlocker blocker(m_listInstruments);
    m_listInstruments->setCurrentRow(nRow);
}

void COrchestraDlg::GreyUnnamedRow(int nRow) {
    QListWidgetItem* pItem = m_listInstruments->item(nRow);
    if (pItem == nullptr || nRow >= m_nCount) {
        return;
    }
    const Qt::ItemFlags choosable = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    pItem->setFlags(nRow > kMaxAddressableRow ? pItem->flags() & ~choosable
                                              : pItem->flags() | choosable);
}

void COrchestraDlg::SetCurrentTrack(int nRow) {
    if (m_pView != nullptr && nRow >= 0 && nRow <= kMaxAddressableRow) {
        m_pView->SetCurrentTrack(static_cast<std::uint8_t>(nRow));
    }
}

void COrchestraDlg::resizeEvent(QResizeEvent* pEvent) {
    CToolDlg::resizeEvent(pEvent);
    if (m_listInstruments != nullptr) {
        const QSize size = pEvent->size();
        m_listInstruments->setGeometry(5, 23, qMax(0, size.width() - 8),
                                       qMax(0, size.height() - 27));
    }
}

bool COrchestraDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // A popup menu takes the keyboard but not the focus: the row it was opened for stays
    // selected until the choice arrives.
    if (pWatched == m_listInstruments && pEvent->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(pEvent)->reason() != Qt::PopupFocusReason) {
        OnInstrumentsKillFocus();
    }
    // A click below the rows picks the last row, the empty one, so that the free space of the
    // list adds instruments too.
    if (pWatched == m_listInstruments->viewport() &&
        (pEvent->type() == QEvent::MouseButtonPress ||
         pEvent->type() == QEvent::MouseButtonDblClick)) {
        const auto* pMouse = static_cast<QMouseEvent*>(pEvent);
        if (pMouse->button() == Qt::LeftButton &&
            !m_listInstruments->indexAt(pMouse->position().toPoint()).isValid()) {
            m_listInstruments->setFocus(Qt::MouseFocusReason);
            m_listInstruments->setCurrentRow(m_listInstruments->count() - 1);
            if (pEvent->type() == QEvent::MouseButtonDblClick) {
                OnInstrumentsDblClk();
            }
            return true;
        }
    }
    return CToolDlg::eventFilter(pWatched, pEvent);
}
