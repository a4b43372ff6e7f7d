#pragma once

#include <QPixmap>
#include <QString>

#include <vector>

// The bundled pictures and help page live in a static library, so they are registered by hand
// before the first window needs them.
class CAppResources {
public:
    // Registers them once, however often it is called.
    static void Init();

    // The bundled picture ":/app/<name>.png" and its drawings for dense screens
    // (":/app/<name>@<ratio>x.png"), each carrying its device pixel ratio, sparsest first.
    static std::vector<QPixmap> Densities(const QString& strName);
    // Of those, the one drawn for the nearest density at or above dRatio; the densest one for
    // a ratio above them all, a null pixmap for none.
    static QPixmap ForRatio(const std::vector<QPixmap>& pictures, double dRatio);
};
