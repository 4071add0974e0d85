#include "gui/GuiResources.h"

#include "core/texts/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initGuiResources() {
    Q_INIT_RESOURCE(gui);
}

void ensureGuiResources() {
    static const bool done = [] {
        ensureResources();
        initGuiResources();
        return true;
    }();
    (void)done;
}
