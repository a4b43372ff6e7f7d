#include "windows/DevicesDlg.h"

#include "windows/DeviceControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace {
QString DisplayName(const SMidiPortId& id) {
    return QString::fromStdString(id.GetDisplayName());
}

bool Contains(const std::vector<SMidiPortId>& ids, const SMidiPortId& id) {
    return std::any_of(ids.begin(), ids.end(),
                       [&](const SMidiPortId& other) { return other == id; });
}
} // namespace

CDevicesDlg::CDevicesDlg(QWidget* pParent) : CToolDlg(pParent) {
    setWindowTitle(QStringLiteral("Devices"));
    setFixedSize(DluSize(170, 180));

    auto* pOutput = new QGroupBox(QStringLiteral("Output"), this);
    pOutput->setGeometry(DluRect(7, 3, 156, 30));
    m_comboOutput = new QComboBox(this);
    m_comboOutput->setObjectName(QStringLiteral("IDC_OUTPUT"));
    m_comboOutput->setGeometry(DluRect(13, 14, 144, 13));

    auto* pInput = new QGroupBox(QStringLiteral("Input"), this);
    pInput->setGeometry(DluRect(7, 37, 156, 74));
    m_listInputs = new QListWidget(this);
    m_listInputs->setObjectName(QStringLiteral("IDC_INPUTS"));
    m_listInputs->setGeometry(DluRect(13, 48, 144, 44));
    m_checkKeepChannels = new QCheckBox(QStringLiteral("Keep the input's channels"), this);
    m_checkKeepChannels->setObjectName(QStringLiteral("IDC_KEEP_CHANNELS"));
    m_checkKeepChannels->setGeometry(DluRect(13, 96, 144, 10));

    m_buttonRefresh = new QPushButton(QStringLiteral("Refresh"), this);
    m_buttonRefresh->setObjectName(QStringLiteral("IDC_REFRESH"));
    m_buttonRefresh->setGeometry(DluRect(113, 115, 50, 14));

    auto* pSoundFont = new QGroupBox(QStringLiteral("SoundFont"), this);
    pSoundFont->setGeometry(DluRect(7, 133, 156, 40));
    m_staticSoundFont = new QLabel(this);
    m_staticSoundFont->setObjectName(QStringLiteral("IDC_SOUNDFONT"));
    m_staticSoundFont->setGeometry(DluRect(13, 144, 144, 10));
    m_buttonSoundFont = new QPushButton(QStringLiteral("Choose..."), this);
    m_buttonSoundFont->setObjectName(QStringLiteral("IDC_CHOOSE_SOUNDFONT"));
    m_buttonSoundFont->setGeometry(DluRect(107, 155, 50, 14));

    for (QGroupBox* pGroup : {pOutput, pInput, pSoundFont}) {
        pGroup->lower();
    }

    m_fnChooseFile = [this](const QString& strCurrent) {
        return QFileDialog::getOpenFileName(this, QStringLiteral("SoundFont"),
                                            QFileInfo(strCurrent).absolutePath(),
                                            QStringLiteral("SoundFonts (*.sf2 *.sf3)"));
    };
    connect(m_comboOutput, &QComboBox::activated, this, &CDevicesDlg::OnOutputChosen);
    connect(m_listInputs, &QListWidget::itemChanged, this, &CDevicesDlg::OnInputChanged);
    connect(m_checkKeepChannels, &QCheckBox::toggled, this, [this](bool bKeep) {
        if (m_pDevices != nullptr) {
            m_pDevices->SetKeepInputChannels(bKeep);
        }
    });
    connect(m_buttonRefresh, &QPushButton::clicked, this, &CDevicesDlg::Refresh);
    connect(m_buttonSoundFont, &QPushButton::clicked, this, &CDevicesDlg::OnChooseSoundFont);
}

void CDevicesDlg::Create(IDeviceControl* pDevices) {
    m_pDevices = pDevices;
}

void CDevicesDlg::showEvent(QShowEvent* pEvent) {
    CToolDlg::showEvent(pEvent);
    Refresh();
}

void CDevicesDlg::Refresh() {
    if (m_pDevices == nullptr) {
        return;
    }
    const QSignalBlocker blockOutput(m_comboOutput);
    const QSignalBlocker blockInputs(m_listInputs);
    const QSignalBlocker blockKeep(m_checkKeepChannels);

    m_outputs = m_pDevices->ListOutputs();
    const SMidiPortId output = m_pDevices->GetOutput();
    // The port in use stays listed while it is in use, also when the system no longer shows it.
    if (!output.IsEmpty() && !Contains(m_outputs, output)) {
        m_outputs.push_back(output);
    }
    m_comboOutput->clear();
    m_comboOutput->addItem(QString::fromLatin1(kBuiltIn));
    int nCurrent = 0;
    for (std::size_t i = 0; i < m_outputs.size(); ++i) {
        m_comboOutput->addItem(DisplayName(m_outputs[i]));
        if (m_outputs[i] == output) {
            nCurrent = static_cast<int>(i) + 1;
        }
    }
    m_comboOutput->setCurrentIndex(nCurrent);

    m_inputs = m_pDevices->ListInputs();
    const std::vector<SMidiPortId> open = m_pDevices->GetOpenInputs();
    for (const SMidiPortId& id : open) {
        if (!Contains(m_inputs, id)) {
            m_inputs.push_back(id);
        }
    }
    m_listInputs->clear();
    for (const SMidiPortId& id : m_inputs) {
        auto* pItem = new QListWidgetItem(DisplayName(id), m_listInputs);
        pItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        pItem->setCheckState(Contains(open, id) ? Qt::Checked : Qt::Unchecked);
    }
    m_checkKeepChannels->setChecked(m_pDevices->GetKeepInputChannels());
    UpdateSoundFont();
}

void CDevicesDlg::UpdateSoundFont() {
    if (m_pDevices == nullptr) {
        return;
    }
    const QString strPath = QString::fromStdString(m_pDevices->GetSoundFont());
    m_staticSoundFont->setText(strPath.isEmpty() ? QStringLiteral("none")
                                                 : QFileInfo(strPath).fileName());
    m_staticSoundFont->setToolTip(strPath);
}

void CDevicesDlg::OnOutputChosen(int nIndex) {
    if (m_pDevices == nullptr || nIndex < 0 || nIndex > static_cast<int>(m_outputs.size())) {
        return;
    }
    m_pDevices->SelectOutput(nIndex == 0 ? SMidiPortId{}
                                         : m_outputs[static_cast<std::size_t>(nIndex - 1)]);
    // Shows what is in use now, which a refusal left as it was.
    Refresh();
}

void CDevicesDlg::OnInputChanged(QListWidgetItem* pItem) {
    const int nRow = m_listInputs->row(pItem);
    if (m_pDevices == nullptr || nRow < 0 || nRow >= static_cast<int>(m_inputs.size())) {
        return;
    }
    const bool bOpen = pItem->checkState() == Qt::Checked;
    if (!m_pDevices->SetInputOpen(m_inputs[static_cast<std::size_t>(nRow)], bOpen)) {
        const QSignalBlocker block(m_listInputs);
        pItem->setCheckState(Qt::Unchecked);
    }
}

void CDevicesDlg::OnChooseSoundFont() {
    if (m_pDevices == nullptr || !m_fnChooseFile) {
        return;
    }
    const QString strPath = m_fnChooseFile(QString::fromStdString(m_pDevices->GetSoundFont()));
    if (!strPath.isEmpty()) {
        m_pDevices->ChangeSoundFont(strPath.toStdString());
    }
}
