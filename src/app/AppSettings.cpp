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
    m_bToolBar = ReadBool(settings, "frame/toolbar", m_bToolBar);
    for (int i = 0; i < kToolWindows; ++i) {
        const QString strPrefix =
            QStringLiteral("windows/%1/").arg(QLatin1String(kToolWindowKeys[i]));
        SToolWindow& window = m_toolWindows[static_cast<std::size_t>(i)];
        window.m_ptPos = ReadPoint(settings, strPrefix + QStringLiteral("pos"));
        window.m_bShown =
            ReadBool(settings, (strPrefix + QStringLiteral("shown")).toLatin1().constData(), false);
    }
    m_nKeynote = ReadInt(settings, "tonality/keynote", m_nKeynote, 0, 11);
    m_nMask = ReadInt(settings, "tonality/mask", m_nMask, 0, kMaskLimit);
    m_nTempo = ReadInt(settings, "options/tempo", m_nTempo, 20, 700);
    m_nLengthen = ReadInt(settings, "options/lengthen", m_nLengthen, 20, 700);
    m_nEchoUp = ReadInt(settings, "options/echoUp", m_nEchoUp, 0, 4);
    m_nEchoDown = ReadInt(settings, "options/echoDown", m_nEchoDown, -4, 0);
    m_nVelocity = ReadInt(settings, "options/velocity", m_nVelocity, 1, 127);
    m_nDuration = ReadInt(settings, "orchestra/duration", m_nDuration, 0, kDurationPositions - 1);
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
    m_nZoom = ReadInt(settings, "view/zoom", m_nZoom, 1, 6);
    m_bKeyLabels = ReadBool(settings, "view/keyLabels", false);
    m_nPalette = ReadInt(settings, "view/palette", m_nPalette, 0, 1);
    m_strOutput = settings.value(QStringLiteral("devices/output")).toString();
    m_inputs = settings.value(QStringLiteral("devices/inputs")).toStringList();
    m_inputs.removeAll(QString());
    m_inputs.removeDuplicates();
    m_bKeepInputChannels = ReadBool(settings, "devices/keepInputChannels", false);
    m_strSoundFont = settings.value(QStringLiteral("devices/soundFont")).toString();
    return true;
}

bool CAppSettings::Save(const QString& strFile) const {
    QSettings settings(strFile, QSettings::IniFormat);
    settings.clear();
    settings.setValue(QStringLiteral("format"), kFormat);
    settings.setValue(QStringLiteral("frame/geometry"), m_geometry);
    settings.setValue(QStringLiteral("frame/toolbar"), m_bToolBar);
    for (int i = 0; i < kToolWindows; ++i) {
        const QString strPrefix =
            QStringLiteral("windows/%1/").arg(QLatin1String(kToolWindowKeys[i]));
        const SToolWindow& window = m_toolWindows[static_cast<std::size_t>(i)];
        if (window.m_ptPos) {
            settings.setValue(strPrefix + QStringLiteral("pos"), *window.m_ptPos);
        }
        settings.setValue(strPrefix + QStringLiteral("shown"), window.m_bShown);
    }
    settings.setValue(QStringLiteral("tonality/keynote"), m_nKeynote);
    settings.setValue(QStringLiteral("tonality/mask"), m_nMask);
    settings.setValue(QStringLiteral("options/tempo"), m_nTempo);
    settings.setValue(QStringLiteral("options/lengthen"), m_nLengthen);
    settings.setValue(QStringLiteral("options/echoUp"), m_nEchoUp);
    settings.setValue(QStringLiteral("options/echoDown"), m_nEchoDown);
    settings.setValue(QStringLiteral("options/velocity"), m_nVelocity);
    settings.setValue(QStringLiteral("orchestra/duration"), m_nDuration);
    settings.setValue(QStringLiteral("pen/width"), m_nPenWidth);
    settings.setValue(QStringLiteral("pen/colour"), m_clrPen.name());
    settings.setValue(QStringLiteral("view/zoom"), m_nZoom);
    settings.setValue(QStringLiteral("view/keyLabels"), m_bKeyLabels);
    settings.setValue(QStringLiteral("view/palette"), m_nPalette);
    settings.setValue(QStringLiteral("devices/output"), m_strOutput);
    settings.setValue(QStringLiteral("devices/inputs"), m_inputs);
    settings.setValue(QStringLiteral("devices/keepInputChannels"), m_bKeepInputChannels);
    settings.setValue(QStringLiteral("devices/soundFont"), m_strSoundFont);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
