// Registers the windows' pictures kept as Qt resources.
#include "app/pictures.h"

// Outside any namespace, as the resource initialiser requires. The pictures live in the
// static library; the linker keeps them only when something refers to them.
static void registerIcons() { Q_INIT_RESOURCE(icons); }

void initPictures() {
    static const bool done = (registerIcons(), true);
    Q_UNUSED(done);
}

QIcon picture(const char *name) {
    initPictures();
    return QIcon(QStringLiteral(":/icons/") + QLatin1String(name) + QStringLiteral(".svg"));
}
