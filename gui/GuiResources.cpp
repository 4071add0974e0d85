#include "gui/GuiResources.h"

#include "core/texts/Resources.h"

#include <QFontDatabase>
#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initGuiResources() {
    Q_INIT_RESOURCE(gui);
}

void ensureGuiResources() {
    static const bool done = [] {
        ensureResources();
        initGuiResources();
        // The fixed layout is measured against these faces: carried along, they look the same on any system,
        // whatever fonts it has installed.
        for (const char* face :
             {"DejaVuSans", "DejaVuSans-Bold", "DejaVuSansCondensed", "DejaVuSansCondensed-Bold"})
            QFontDatabase::addApplicationFont(
                QStringLiteral(":/telvane/fonts/%1.ttf").arg(QLatin1String(face)));
        return true;
    }();
    (void)done;
}
