#include "cli/RunOptions.h"

#include "cli/ExitStatus.h"
#include "cli/StandardOutput.h"
#include "common/ProgramOptions.h"
#include "core/files/Platform.h"
#include "core/files/Settings.h"
#include "core/link/TargetLink.h"
#include "core/scripts/ErrorText.h"
#include "core/scripts/QuickDialConfig.h"
#include "core/texts/Texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cmath>
#include <cstdio>

namespace {

// Seconds as given on the command line (fractions allowed), in milliseconds; a positive time never becomes
// 0, which would mean no limit.
std::optional<int> milliseconds(const QString& text) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 86400)
        return std::nullopt;
    const int ms = int(std::lround(seconds * 1000));
    return ms == 0 && seconds > 0 ? 1 : ms;
}

// A paragraph of the help, wrapped to the width of a terminal; the lines after the first (which starts with
// the prefix) are indented to its width.
QString wrapped(const QString& paragraph, const QString& prefix = QString()) {
    constexpr qsizetype Width = 79;
    QString out;
    QString line = prefix;
    bool empty = true; // the line has no word yet
    for (const QString& word : paragraph.split(u' ', Qt::SkipEmptyParts)) {
        if (!empty && line.size() + 1 + word.size() > Width) {
            out += line + u'\n';
            line = QString(prefix.size(), u' ');
            empty = true;
        }
        line += (empty ? QString() : QStringLiteral(" ")) + word;
        empty = false;
    }
    return out + line + u'\n';
}

QString helpEpilogue() {
    QString text = wrapped(GetText(TextId::RunHelpIntro));
    text += QStringLiteral("  14:05:09:007 Set SM 1\n  14:05:09:012 Get SM 1: OK\\r\\n\n");
    text += wrapped(GetText(TextId::RunHelpEscapes));
    text += wrapped(GetText(TextId::RunHelpForms)) + u'\n';
    text += wrapped(GetText(TextId::RunHelpSettings)) + u'\n';
    text += GetText(TextId::RunHelpExitStatus) + u'\n';
    const std::pair<const char*, TextId> statuses[] = {
        {"0", TextId::RunExit0},          {"2", TextId::RunExit2},   {"3", TextId::RunExit3},
        {"4", TextId::RunExit4},          {"5", TextId::RunExit5},   {"6", TextId::RunExit6},
        {"64", TextId::RunExit64},        {"65", TextId::RunExit65}, {"66", TextId::RunExit66},
        {"68", TextId::RunExit68},        {"69", TextId::RunExit69}, {"74", TextId::RunExit74},
        {"128+N", TextId::RunExitSignal},
    };
    for (const auto& [status, id] : statuses)
        text += wrapped(GetText(id), QStringLiteral("  %1").arg(QLatin1String(status), -7));
    return text;
}

// The language of everything telvane-run prints: --language when given (read ahead of the options, whose
// help is in it too), else Setup.ini's.
int languageOffset(int argc, char** argv, int setupLanguage) {
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        QString value;
        if (argument == QLatin1String("--language") && i + 1 < argc)
            value = QString::fromLocal8Bit(argv[i + 1]);
        else if (argument.startsWith(QLatin1String("--language=")))
            value = argument.section(u'=', 1);
        if (value == QLatin1String("de"))
            return 0;
        if (value == QLatin1String("en"))
            return EnglishOffset;
    }
    return setupLanguage != 0 ? EnglishOffset : 0;
}

// Qt's own words in the parser's messages ("Unknown option") follow the language too.
void useQtTranslation(int offset) {
    if (offset == EnglishOffset)
        return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

ProgramTexts programTexts() {
    ProgramTexts texts;
    texts.usage = GetText(TextId::RunHelpUsage);
    texts.help = GetText(TextId::RunHelpHelp);
    texts.version = GetText(TextId::RunHelpVersion);
    texts.tryHelp = filledText(TextId::RunHelpTryHelp, {QStringLiteral("%1")});
    texts.unexpectedArgument = filledText(TextId::RunHelpUnexpected, {QStringLiteral("%1")});
    texts.missingArguments = GetText(TextId::RunHelpMissing);
    return texts;
}

} // namespace

std::optional<int> RunOptions::parse(int argc, char** argv, RunOptions& options) {
    // What the window would use; a missing Setup.ini gives the window's defaults too.
    const SetupSettings setup =
        SetupSettings::read(Settings::setupIniPath(Settings::SettingsFolder()), Platform::localHostName());
    const int offset = languageOffset(argc, argv, setup.language);
    setLanguageOffset(offset);
    useQtTranslation(offset);

    QString summary = wrapped(GetText(TextId::RunHelpDescription));
    summary.chop(1);
    ProgramOptions programOptions(QStringLiteral("telvane-run"),
                                  GetText(TextId::RunHelpOptions) +
                                      QStringLiteral(" FILE.cfg SLOT | - | --command TEXT..."),
                                  summary, programTexts());
    programOptions.setUsageStatus(ExitStatus::Usage);
    QCommandLineParser& parser = programOptions.parser();
    auto option = [](const char* name, TextId description, const char* value = nullptr) {
        return QCommandLineOption(QLatin1String(name), GetText(description),
                                  value ? QLatin1String(value) : QString());
    };
    const QCommandLineOption host = option("host", TextId::RunHelpHost, "NAME");
    const QCommandLineOption port = option("port", TextId::RunHelpPort, "N");
    const QCommandLineOption device = option("device", TextId::RunHelpDevice, "0|1");
    const QCommandLineOption timeout = option("timeout", TextId::RunHelpTimeout, "S");
    const QCommandLineOption connectTimeout = option("connect-timeout", TextId::RunHelpConnectTimeout, "S");
    const QCommandLineOption errorText = option("error-text", TextId::RunHelpErrorText, "T");
    const QCommandLineOption command = option("command", TextId::RunHelpCommand, "TEXT");
    const QCommandLineOption jsonl = option("jsonl", TextId::RunHelpJsonl);
    const QCommandLineOption replyOnly = option("reply-only", TextId::RunHelpReplyOnly);
    const QCommandLineOption quiet = option("quiet", TextId::RunHelpQuiet);
    const QCommandLineOption junit = option("junit", TextId::RunHelpJunit, "FILE");
    const QCommandLineOption capture = option("capture", TextId::RunHelpCapture, "FOLDER");
    const QCommandLineOption language = option("language", TextId::RunHelpLanguage, "de|en");
    parser.addOptions({host, port, device, timeout, connectTimeout, errorText, command, jsonl, replyOnly,
                       quiet, junit, capture, language});
    parser.addPositionalArgument(QStringLiteral("FILE.cfg"), GetText(TextId::RunHelpFile));
    parser.addPositionalArgument(QStringLiteral("SLOT"), GetText(TextId::RunHelpSlot));
    programOptions.setEpilogue(helpEpilogue());
    if (const std::optional<int> status = programOptions.parse(argc, argv, 0, 2))
        return status;
    auto usage = [&programOptions](TextId id, const QStringList& values = {}) {
        return programOptions.usageError(values.isEmpty() ? GetText(id) : filledText(id, values));
    };

    if (parser.isSet(language) && parser.value(language) != QLatin1String("de") &&
        parser.value(language) != QLatin1String("en"))
        return usage(TextId::UsageLanguage);
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(command)) {
        if (!positional.isEmpty())
            return usage(TextId::UsageMixed);
        options.input = Input::Commands;
        options.commands = parser.values(command);
        for (const QString& text : std::as_const(options.commands)) {
            if (text.isEmpty())
                return usage(TextId::UsageEmptyCommand);
        }
    } else if (positional.contains(QLatin1String("-"))) {
        if (positional.size() != 1)
            return usage(TextId::UsageMixed);
        options.input = Input::StandardInput;
    } else {
        if (positional.size() != 2)
            return usage(TextId::UsageExpected);
        options.input = Input::File;
        options.file = positional[0];
        bool ok = false;
        options.slot = positional[1].toInt(&ok);
        if (!ok || options.slot < 1 || options.slot > QuickDialSlotCount)
            return usage(TextId::UsageSlot, {positional[1]});
    }

    const int forms = int(parser.isSet(jsonl)) + int(parser.isSet(replyOnly)) + int(parser.isSet(quiet));
    if (forms > 1)
        return usage(TextId::UsageForms);
    options.form = parser.isSet(jsonl)       ? Form::JsonLines
                   : parser.isSet(replyOnly) ? Form::ReplyOnly
                   : parser.isSet(quiet)     ? Form::Quiet
                                             : Form::Rows;
    options.host = parser.isSet(host) ? parser.value(host) : setup.name;
    options.port = parser.isSet(port) ? parser.value(port) : setup.port.trimmed();
    options.errorText = parser.isSet(errorText) ? parser.value(errorText) : setup.errorText;
    options.replyTimeoutMs = setup.replyTimeout > 0 ? setup.replyTimeout * 1000 : 10000;
    options.junitPath = parser.value(junit);
    options.captureFolder = parser.value(capture);
    options.captureFileBytes = qint64(setup.captureFileMb) * 1024 * 1024;
    options.captureFiles = setup.captureFiles;

    if (!TargetLink::portNumber(options.port))
        return usage(TextId::UsagePort, {options.port});
    if (parser.isSet(device) && parser.value(device) != QLatin1String("0") &&
        parser.value(device) != QLatin1String("1"))
        return usage(TextId::UsageDevice);
    if (!ErrorText::isAllowed(options.errorText))
        return usage(TextId::UsageErrorText);
    if (parser.isSet(timeout)) {
        const std::optional<int> value = milliseconds(parser.value(timeout));
        if (!value)
            return usage(TextId::UsageTimeout);
        options.replyTimeoutMs = *value;
    }
    if (parser.isSet(connectTimeout)) {
        const std::optional<int> value = milliseconds(parser.value(connectTimeout));
        if (!value || *value == 0)
            return usage(TextId::UsageConnectTimeout);
        options.connectTimeoutMs = *value;
    }
    return std::nullopt;
}

std::optional<int> RunOptions::loadScript(Script& script) const {
    switch (input) {
    case Input::Commands:
        for (const QString& command : commands)
            script.append({command, QString()});
        return std::nullopt;
    case Input::StandardInput: {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            printError(in.errorString());
            return ExitStatus::NoInput;
        }
        // One command a line, as the device software takes them; blank lines send nothing.
        for (QByteArray line : in.readAll().split('\n')) {
            if (line.endsWith('\r'))
                line.chop(1);
            if (!line.trimmed().isEmpty())
                script.append({QString::fromLocal8Bit(line), QString()});
        }
        if (script.isEmpty()) {
            printError(GetText(TextId::RunNoCommandsInput));
            return ExitStatus::NotAConfig;
        }
        return std::nullopt;
    }
    case Input::File:
        break;
    }
    QuickDialFileState state = QuickDialFileState::Loaded;
    const QuickDialSlots memory = loadQuickDialFile(file, &state);
    const QString shownFile = QDir::toNativeSeparators(file);
    switch (state) {
    case QuickDialFileState::Missing:
        printError(filledText(TextId::RunNoSuchFile, {shownFile}));
        return ExitStatus::NoInput;
    case QuickDialFileState::Unreadable:
        printError(QStringLiteral("%1: %2").arg(shownFile, GetText(TextId::FileUnreadable)));
        return ExitStatus::NoInput;
    case QuickDialFileState::NoQuickDialKeys:
        printError(filledText(TextId::NotAConfigFile, {shownFile}));
        return ExitStatus::NotAConfig;
    case QuickDialFileState::Loaded:
        break;
    }
    script = memory[std::size_t(slot - 1)].lines;
    if (script.isEmpty()) {
        printError(filledText(TextId::RunEmptySlot, {QString::number(slot), shownFile}));
        return ExitStatus::NotAConfig;
    }
    return std::nullopt;
}

QString RunOptions::runName() const {
    switch (input) {
    case Input::Commands:
        return QStringLiteral("telvane-run --command");
    case Input::StandardInput:
        return QStringLiteral("telvane-run -");
    case Input::File:
        break;
    }
    return QStringLiteral("%1 slot %2").arg(QFileInfo(file).fileName()).arg(slot);
}
