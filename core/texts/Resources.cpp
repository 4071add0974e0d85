#include "core/texts/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initResources() {
    Q_INIT_RESOURCE(core);
}

void ensureResources() {
    static const bool done = [] {
        initResources();
        return true;
    }();
    (void)done;
}
