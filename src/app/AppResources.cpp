#include "app/AppResources.h"

#include <QtGlobal>

// Outside any namespace: the macro declares the generated function where it stands.
static void InitResourcesOnce() {
    Q_INIT_RESOURCE(vorkeln_app);
}

void CAppResources::Init() {
    static const bool s_bDone = (InitResourcesOnce(), true);
    (void)s_bDone;
}

std::vector<QPixmap> CAppResources::Densities(const QString& strName) {
    Init();
    std::vector<QPixmap> pictures;
    for (const double dRatio : {1.0, 1.25, 1.5, 2.0, 3.0}) {
        const QString strSuffix =
            dRatio == 1.0 ? QString() : QStringLiteral("@%1x").arg(QString::number(dRatio));
        QPixmap pm(QStringLiteral(":/app/%1%2.png").arg(strName, strSuffix));
        if (pm.isNull())
            continue;
        pm.setDevicePixelRatio(dRatio);
        pictures.push_back(pm);
    }
    return pictures;
}

QPixmap CAppResources::ForRatio(const std::vector<QPixmap>& pictures, double dRatio) {
    // A screen's ratio may miss the drawn one by a rounding error.
    constexpr double dSlack = 1e-6;
    for (const QPixmap& pm : pictures) {
        if (pm.devicePixelRatio() >= dRatio - dSlack)
            return pm;
    }
    return pictures.empty() ? QPixmap() : pictures.back();
}
