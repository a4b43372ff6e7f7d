#include "app/AppSettings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace {
constexpr const char* kToolWindowKeys[] = {"scale", "orchestra", "options", "devices"};
constexpr int kPenWidths[] = {1, 2, 6, 10};
constexpr int kDurationPositions = 12;
constexpr int kMaskLimit = 0x7FF;

// An integer in [nMin, nMax], or nDefault for anything else.
int ReadInt(const QSettings& settings, const char* pszKey, int nDefault, int nMin, int nMax) {
    bool bOk = false;
    const int n = settings.value(QLatin1String(pszKey)).toInt(&bOk);
    return bOk && n >= nMin && n <= nMax ? n : nDefault;
}

bool ReadBool(const QSettings& settings, const char* pszKey, bool bDefault) {
    const QString str = settings.value(QLatin1String(pszKey)).toString();
    if (str == QLatin1String("true")) {
        return true;
    }
    return str == QLatin1String("false") ? false : bDefault;
}

// The whole numbers kept under their keys, with the range a value read back must be in.
struct SIntSetting {
    const char* pszKey;
    int CAppSettings::*pnValue;
    int nMin;
    int nMax;
};
constexpr SIntSetting kIntSettings[] = {
    {"tonality/keynote", &CAppSettings::m_nKeynote, 0, 11},
    {"tonality/mask", &CAppSettings::m_nMask, 0, kMaskLimit},
    {"options/tempo", &CAppSettings::m_nTempo, 20, 700},
    {"options/lengthen", &CAppSettings::m_nLengthen, 20, 700},
    {"options/echoUp", &CAppSettings::m_nEchoUp, 0, 4},
    {"options/echoDown", &CAppSettings::m_nEchoDown, -4, 0},
    {"options/velocity", &CAppSettings::m_nVelocity, 1, 127},
    {"orchestra/duration", &CAppSettings::m_nDuration, 0, kDurationPositions - 1},
    {"view/zoom", &CAppSettings::m_nZoom, 1, 6},
    {"view/palette", &CAppSettings::m_nPalette, 0, 1},
};

// The switches kept under their keys.
struct SBoolSetting {
    const char* pszKey;
    bool CAppSettings::*pbValue;
};
constexpr SBoolSetting kBoolSettings[] = {
    {"frame/toolbar", &CAppSettings::m_bToolBar},
    {"view/keyLabels", &CAppSettings::m_bKeyLabels},
    {"devices/keepInputChannels", &CAppSettings::m_bKeepInputChannels},
};

std::optional<QPoint> ReadPoint(const QSettings& settings, const QString& strKey) {
    const QVariant value = settings.value(strKey);
    if (!value.canConvert<QPoint>()) {
        return std::nullopt;
    }
    const QPoint pt = value.toPoint();
    // Beyond any screen: not where a window can be found again.
    constexpr int kFar = 1 << 16;
    if (value.typeId() != QMetaType::QPoint || std::abs(pt.x()) > kFar || std::abs(pt.y()) > kFar) {
        return std::nullopt;
    }
    return pt;
}
} // namespace

QString CAppSettings::DefaultFile() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope,
                     QCoreApplication::organizationName(), QCoreApplication::applicationName())
        .fileName();
}

bool CAppSettings::Load(const QString& strFile, QString* pstrProblem) {
    *this = CAppSettings();
    const QFileInfo info(strFile);
    if (!info.exists()) {
        return true;
    }
    m_bFirstRun = false;
    QSettings settings(strFile, QSettings::IniFormat);
    QString strProblem;
    if (!info.isFile() || !info.isReadable() || settings.status() == QSettings::AccessError) {
        strProblem = QStringLiteral("it cannot be read");
    } else if (settings.status() == QSettings::FormatError ||
               settings.value(QStringLiteral("format")).toString() != QString::number(kFormat)) {
        strProblem = QStringLiteral("it is not a settings file of this version");
    }
    if (!strProblem.isEmpty()) {
        *this = CAppSettings();
        m_bFirstRun = false;
        if (pstrProblem != nullptr) {
            *pstrProblem = strProblem;
        }
        return false;
    }

    m_geometry = settings.value(QStringLiteral("frame/geometry")).toByteArray();
    for (const SIntSetting& setting : kIntSettings) {
        this->*setting.pnValue =
            ReadInt(settings, setting.pszKey, this->*setting.pnValue, setting.nMin, setting.nMax);
    }
    for (const SBoolSetting& setting : kBoolSettings) {
        this->*setting.pbValue = ReadBool(settings, setting.pszKey, this->*setting.pbValue);
    }
    for (int i = 0; i < kToolWindows; ++i) {
        const QString strPrefix =
            QStringLiteral("windows/%1/").arg(QLatin1String(kToolWindowKeys[i]));
        SToolWindow& window = m_toolWindows[static_cast<std::size_t>(i)];
        window.m_ptPos = ReadPoint(settings, strPrefix + QStringLiteral("pos"));
        window.m_bShown =
            ReadBool(settings, (strPrefix + QStringLiteral("shown")).toLatin1().constData(), false);
    }
    const int nPenWidth = ReadInt(settings, "pen/width", m_nPenWidth, 1, 10);
    if (std::find(std::begin(kPenWidths), std::end(kPenWidths), nPenWidth) !=
        std::end(kPenWidths)) {
        m_nPenWidth = nPenWidth;
    }
    const QColor clrPen =
        QColor::fromString(settings.value(QStringLiteral("pen/colour")).toString());
    if (clrPen.isValid()) {
        m_clrPen = clrPen;
    }
    m_strOutput = settings.value(QStringLiteral("devices/output")).toString();
    m_inputs = settings.value(QStringLiteral("devices/inputs")).toStringList();
    m_inputs.removeAll(QString());
    m_inputs.removeDuplicates();
    m_strSoundFont = settings.value(QStringLiteral("devices/soundFont")).toString();
    return true;
}

bool CAppSettings::Save(const QString& strFile) const {
    QSettings settings(strFile, QSettings::IniFormat);
    settings.clear();
    settings.setValue(QStringLiteral("format"), kFormat);
    settings.setValue(QStringLiteral("frame/geometry"), m_geometry);
    for (const SIntSetting& setting : kIntSettings) {
        settings.setValue(QLatin1String(setting.pszKey), this->*setting.pnValue);
    }
    for (const SBoolSetting& setting : kBoolSettings) {
        settings.setValue(QLatin1String(setting.pszKey), this->*setting.pbValue);
    }
    for (int i = 0; i < kToolWindows; ++i) {
        const QString strPrefix =
            QStringLiteral("windows/%1/").arg(QLatin1String(kToolWindowKeys[i]));
        const SToolWindow& window = m_toolWindows[static_cast<std::size_t>(i)];
        if (window.m_ptPos) {
            settings.setValue(strPrefix + QStringLiteral("pos"), *window.m_ptPos);
        }
        settings.setValue(strPrefix + QStringLiteral("shown"), window.m_bShown);
    }
    settings.setValue(QStringLiteral("pen/width"), m_nPenWidth);
    settings.setValue(QStringLiteral("pen/colour"), m_clrPen.name());
    settings.setValue(QStringLiteral("devices/output"), m_strOutput);
    settings.setValue(QStringLiteral("devices/inputs"), m_inputs);
    settings.setValue(QStringLiteral("devices/soundFont"), m_strSoundFont);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
