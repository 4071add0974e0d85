#pragma once

#include <QString>

// Qt's own texts (standard buttons, file dialogs, context menus) in the program's language. Installs Qt's
// translation for a language such as "de" in place of the one installed before; "en" removes it, Qt's
// texts being English. Widgets that are shown retranslate themselves. Returns false when the translation
// is not installed on this machine (Debian: qt6-translations-l10n); Qt's texts then stay English.
bool useQtTranslations(const QString& language);
