// telvane-run: runs one quick-dial slot of a configuration file against the device software, without a
// display, the way the window's slot run does (same session, runner and wire bytes), and says by its exit
// status how it went. For cron jobs and test rigs.

#include "common/ProgramOptions.h"
#include "core/files/Platform.h"
#include "core/files/Settings.h"
#include "core/files/TerminationSignals.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/scripts/QuickDialConfig.h"
#include "core/scripts/ScriptRunner.h"
#include "core/texts/Texts.h"

#include <QAbstractEventDispatcher>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <optional>

namespace {

enum ExitStatus {
    Success = 0,
    Usage = 1, // also an unreadable file or an empty slot
    NoConnection = 2,
    ReplyTimeout = 3,
    ConnectionLost = 4,
    ErrorReply = 5,
    SendFailed = 6,
};

const char* const HelpEpilogue = R"(
Connects to the device software, runs slot SLOT (1..8) of FILE.cfg command by
command - each command waits for the reply to the one before, and the run
waits for the reply to the last one too - and prints every row of the message
log as it happens:
  14:05:09:007 Set SM 1
  14:05:09:012 Get SM 1: OK\r\n
Times are UTC; control characters show as \r, \n, \t or \xNN, a backslash as
\\. A command that could not be sent ends in the reason, in brackets.
With --jsonl each row is one JSON object instead:
  {"mode":"Set","sent":true,"text":"SM 1","time":"14:05:09:007"}

Host, port, device type, reply timeout and error text default to what
Setup.ini in the settings folder says ($XDG_DATA_HOME/Veltrix/Telvane/), so the
run is the one the window would make; the options override them. A reply
timeout of 0 in Setup.ini (none) becomes 10 s here, so a run always ends;
--timeout 0 waits without limit. The device type does not change what is sent.

Exit status:
  0    every command went out and was answered
  1    wrong usage, a file that cannot be read, or an empty slot
  2    no connection within the connect timeout
  3    a reply did not come within the reply timeout
  4    the connection was lost during the run
  5    a reply held the error text
  6    a command could not be sent
  130  stopped by SIGINT, 143 by SIGTERM (after printing what it has)
)";

void write(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

// One line per row, whatever the bytes: the device software's line breaks and other control characters are
// written as escapes.
QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            out += QLatin1String("\\\\");
        else if (u == u'\r')
            out += QLatin1String("\\r");
        else if (u == u'\n')
            out += QLatin1String("\\n");
        else if (u == u'\t')
            out += QLatin1String("\\t");
        else if (u < 0x20 || (u >= 0x7F && u < 0xA0))
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

// Prints the log's new rows whenever the event loop is about to wait, so they come out as they happen. With a
// fast device that is every few microseconds: rows that follow within PrintIntervalMs of a print are
// gathered and written together at its end, so printing does not slow down the run it reports.
class RowPrinter {
public:
    static constexpr int PrintIntervalMs = 50;

    RowPrinter(MessageLog* log, bool jsonl, bool quiet)
        : m_log(log)
        , m_jsonl(jsonl)
        , m_quiet(quiet) {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { printNew(); });
    }

    void idle() {
        if (m_quiet || m_log->size() == m_printed || m_timer.isActive())
            return;
        const qint64 since = m_lastPrint.isValid() ? m_lastPrint.elapsed() : PrintIntervalMs;
        if (since >= PrintIntervalMs)
            printNew();
        else
            m_timer.start(int(PrintIntervalMs - since));
    }

    void printNew() {
        m_timer.stop();
        if (m_quiet)
            return;
        m_log->flush();
        for (; m_printed < m_log->rowCount(); ++m_printed)
            printRow(m_printed);
        std::fflush(stdout);
        m_lastPrint.start();
    }

private:
    void printRow(int row) {
        auto cell = [&](int column, int role = Qt::DisplayRole) {
            return m_log->index(row, column).data(role);
        };
        const QString time = cell(MessageLog::TimeColumn).toString();
        const QString mode = cell(MessageLog::ModeColumn).toString();
        const QString text = cell(MessageLog::ParameterColumn).toString();
        const bool notSent = cell(MessageLog::TimeColumn, MessageLog::NotSentRole).toBool();
        const QString reason = cell(MessageLog::TimeColumn, Qt::ToolTipRole).toString();
        if (m_jsonl) {
            QJsonObject object{{QStringLiteral("time"), time},
                               {QStringLiteral("mode"), mode},
                               {QStringLiteral("text"), text}};
            if (mode == QLatin1String("Set"))
                object.insert(QStringLiteral("sent"), !notSent);
            if (notSent)
                object.insert(QStringLiteral("reason"), reason);
            write(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
                              QLatin1Char('\n'));
            return;
        }
        QString line = time + QLatin1Char(' ') + mode + QLatin1Char(' ') + escaped(text);
        if (notSent)
            line += QStringLiteral(" [%1]").arg(reason);
        write(stdout, line + QLatin1Char('\n'));
    }

    MessageLog* m_log;
    QTimer m_timer;
    QElapsedTimer m_lastPrint;
    int m_printed = 0;
    bool m_jsonl;
    bool m_quiet;
};

int statusOf(RunReport::Outcome outcome) {
    switch (outcome) {
    case RunReport::Outcome::Completed:
        return Success;
    case RunReport::Outcome::NotSent:
        return SendFailed;
    case RunReport::Outcome::ConnectionLost:
        return ConnectionLost;
    case RunReport::Outcome::TimedOut:
        return ReplyTimeout;
    case RunReport::Outcome::ErrorReply:
        return ErrorReply;
    case RunReport::Outcome::Cancelled:
        break;
    }
    return Usage; // a cancel comes only from a signal, which sets its own status
}

// Seconds as given on the command line (fractions allowed), in milliseconds.
std::optional<int> milliseconds(const QString& text) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 86400)
        return std::nullopt;
    return int(std::lround(seconds * 1000));
}

struct Options {
    QString host;
    QString port;
    int replyTimeoutMs = 0;
    int connectTimeoutMs = 5000;
    QString errorText;
    QString file;
    int slot = 0;
    bool jsonl = false;
    bool quiet = false;
};

// Reads the command line over Setup.ini's settings. Returns an exit status when the program is to end now.
std::optional<int> parse(int argc, char** argv, Options& options) {
    ProgramOptions programOptions(QStringLiteral("telvane-run"), QStringLiteral("[options] FILE.cfg SLOT"),
                                  QStringLiteral("Runs a quick-dial slot of a Telvane configuration file "
                                                 "against the device software, without a display."));
    QCommandLineParser& parser = programOptions.parser();
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("PC name or IP address."),
                                  QStringLiteral("NAME"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("TCP port, 1..65535."),
                                  QStringLiteral("N"));
    const QCommandLineOption device(QStringLiteral("device"), QStringLiteral("Device type, 0 or 1."),
                                    QStringLiteral("0|1"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"), QStringLiteral("Longest wait for one reply, in seconds; 0 for no limit."),
        QStringLiteral("S"));
    const QCommandLineOption connectTimeout(QStringLiteral("connect-timeout"),
                                            QStringLiteral("Longest wait for the connection (default 5)."),
                                            QStringLiteral("S"));
    const QCommandLineOption errorText(
        QStringLiteral("error-text"),
        QStringLiteral("A reply that holds this text (case-sensitive) ends the run; \"\" for none."),
        QStringLiteral("T"));
    const QCommandLineOption jsonl(QStringLiteral("jsonl"),
                                   QStringLiteral("Prints one JSON object per row."));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("Prints no rows, and no notice when the run succeeds."));
    parser.addOptions({host, port, device, timeout, connectTimeout, errorText, jsonl, quiet});
    parser.addPositionalArgument(QStringLiteral("FILE.cfg"), QStringLiteral("The configuration file."));
    parser.addPositionalArgument(QStringLiteral("SLOT"), QStringLiteral("The slot to run, 1..8."));
    programOptions.setEpilogue(QLatin1String(HelpEpilogue));
    if (const std::optional<int> status = programOptions.parse(argc, argv, 2, 2))
        return status;
    auto usage = [&programOptions](const QString& message) { return programOptions.usageError(message); };

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return usage(QStringLiteral("expected FILE.cfg and SLOT"));
    options.file = positional[0];
    bool ok = false;
    options.slot = positional[1].toInt(&ok);
    if (!ok || options.slot < 1 || options.slot > QuickDialSlotCount)
        return usage(QStringLiteral("SLOT must be 1..8, not \"%1\"").arg(positional[1]));

    // What the window would use; a missing Setup.ini gives the window's defaults too.
    const QString folder = Settings::SettingsFolder();
    const SetupSettings setup =
        SetupSettings::read(Settings::setupIniPath(folder), Platform::localHostName());
    setLanguageOffset(setup.language != 0 ? EnglishOffset : 0);
    options.host = parser.isSet(host) ? parser.value(host) : setup.name;
    options.port = parser.isSet(port) ? parser.value(port) : setup.port.trimmed();
    options.errorText = parser.isSet(errorText) ? parser.value(errorText) : setup.errorText;
    options.replyTimeoutMs = setup.replyTimeout > 0 ? setup.replyTimeout * 1000 : 10000;
    options.jsonl = parser.isSet(jsonl);
    options.quiet = parser.isSet(quiet);

    const uint portNumber = options.port.toUInt(&ok);
    if (!ok || portNumber == 0 || portNumber > 65535)
        return usage(QStringLiteral("the port must be 1..65535, not \"%1\"").arg(options.port));
    if (parser.isSet(device) && parser.value(device) != QLatin1String("0") &&
        parser.value(device) != QLatin1String("1"))
        return usage(QStringLiteral("the device type must be 0 or 1"));
    if (parser.isSet(timeout)) {
        const std::optional<int> value = milliseconds(parser.value(timeout));
        if (!value)
            return usage(QStringLiteral("--timeout takes seconds, 0 to 86400"));
        options.replyTimeoutMs = *value;
    }
    if (parser.isSet(connectTimeout)) {
        const std::optional<int> value = milliseconds(parser.value(connectTimeout));
        if (!value || *value == 0)
            return usage(QStringLiteral("--connect-timeout takes seconds, more than 0"));
        options.connectTimeoutMs = *value;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    // A size-limited write (the log, the report) then fails with its message instead of ending the run.
    TerminationSignals::ignoreFileSizeLimitSignal();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("telvane-run"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TELVANE_VERSION));

    Options options;
    if (const std::optional<int> status = parse(argc, argv, options))
        return *status;

    QuickDialFileState state = QuickDialFileState::Loaded;
    const QuickDialSlots memory = loadQuickDialFile(options.file, &state);
    const QString shownFile = QDir::toNativeSeparators(options.file);
    auto fail = [](const QString& message) {
        write(stderr, QStringLiteral("telvane-run: %1\n").arg(message));
        return int(Usage);
    };
    switch (state) {
    case QuickDialFileState::Missing:
        return fail(QStringLiteral("%1: no such file").arg(shownFile));
    case QuickDialFileState::Unreadable:
        return fail(QStringLiteral("%1: %2").arg(shownFile, GetText(TextId::FileUnreadable)));
    case QuickDialFileState::NoQuickDialKeys:
        return fail(filledText(TextId::NotAConfigFile, {shownFile}));
    case QuickDialFileState::Loaded:
        break;
    }
    const Script script = memory[std::size_t(options.slot - 1)].lines;
    if (script.isEmpty())
        return fail(QStringLiteral("slot %1 of %2 holds no commands").arg(options.slot).arg(shownFile));

    TargetLink link;
    Session session(&link);
    ScriptRunner runner(&session);
    runner.setReplyTimeout(options.replyTimeoutMs);
    runner.setErrorText(options.errorText);
    runner.setWaitForLastReply(true);
    RowPrinter printer(session.log(), options.jsonl, options.quiet);
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &app,
                     [&printer] { printer.idle(); });

    // Everything ends here: the rows so far, the notice, the status.
    bool ended = false;
    auto end = [&](int status, const QString& notice) {
        if (ended)
            return;
        ended = true;
        printer.printNew();
        if (!notice.isEmpty() && (status != Success || !options.quiet))
            write(stderr, notice + QLatin1Char('\n'));
        std::fflush(stderr);
        QCoreApplication::exit(status);
    };
    std::optional<RunReport> cancelled;
    QObject::connect(&runner, &ScriptRunner::finished, &app, [&](const RunReport& report) {
        if (report.outcome == RunReport::Outcome::Cancelled)
            cancelled = report; // only a signal cancels, and it ends the program itself
        else
            end(statusOf(report.outcome), runNotice(report));
    });

    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &app, [&](int signalNumber) {
        // A run waits whenever the event loop runs, so the cancel ends it at once.
        runner.requestCancel();
        end(128 + signalNumber, cancelled ? runNotice(*cancelled) : QString());
    });

    QTimer connectTimer;
    connectTimer.setSingleShot(true);
    QObject::connect(&connectTimer, &QTimer::timeout, &app, [&] {
        const QString why =
            link.lastErrorText().isEmpty() ? QString() : QStringLiteral(" (%1)").arg(link.lastErrorText());
        end(NoConnection, QStringLiteral("telvane-run: no connection to %1 port %2 within %3 s%4")
                              .arg(options.host, options.port)
                              .arg(options.connectTimeoutMs / 1000.0)
                              .arg(why));
    });
    QObject::connect(&link, &TargetLink::stateChanged, &app, [&](int linkState) {
        if (linkState != TargetLink::Connected || !connectTimer.isActive())
            return;
        connectTimer.stop();
        runner.RunSlotScript(script);
    });

    link.setHost(options.host);
    link.setPort(options.port);
    link.setConnectWanted(true);
    connectTimer.start(options.connectTimeoutMs);
    link.TryConnect();
    return QCoreApplication::exec();
}
