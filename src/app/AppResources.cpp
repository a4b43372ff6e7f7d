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
