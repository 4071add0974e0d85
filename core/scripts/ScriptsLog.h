#pragma once

#include <QLoggingCategory>

// Script editor, quick-dial memory and viewer; quiet unless enabled with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcScripts)
