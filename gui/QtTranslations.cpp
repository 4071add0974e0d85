#include "gui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QPointer>
#include <QTranslator>

Q_LOGGING_CATEGORY(lcQtTranslations, "telvane.app.translations", QtWarningMsg)

bool useQtTranslations(const QString& language) {
    static QPointer<QTranslator> installed;
    static QString installedLanguage = QStringLiteral("en");
    if (language == installedLanguage)
        return language == QLatin1String("en") || !installed.isNull();
    // Every install or removal sends each window a language change, so only a real switch does it.
    delete installed;
    installedLanguage = language;
    if (language == QLatin1String("en"))
        return true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        qCWarning(lcQtTranslations) << "no Qt translation for" << language << "in" << folder;
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}
