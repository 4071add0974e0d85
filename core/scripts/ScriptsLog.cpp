#include "core/scripts/ScriptsLog.h"

Q_LOGGING_CATEGORY(lcScripts, "telvane.scripts", QtWarningMsg)
