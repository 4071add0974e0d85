#include "cli/HeadlessRun.h"

#include "cli/ExitStatus.h"
#include "core/files/Platform.h"
#include "core/link/MessageLog.h"
#include "core/scripts/RunRecords.h"
#include "core/texts/Texts.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

#include <cstdio>

namespace {

// A run without an error text ends at the colon of its last reply, with the rest of it still coming; the
// session completes it at its line end or after its settle time. This only bounds a wait nothing else ends.
constexpr int CompletionWaitMs = 2 * Session::ReplySettleMs;

int statusOf(RunReport::Outcome outcome) {
    switch (outcome) {
    case RunReport::Outcome::Completed:
        return ExitStatus::Success;
    case RunReport::Outcome::NotSent:
        return ExitStatus::NotSent;
    case RunReport::Outcome::ConnectionLost:
        return ExitStatus::LineLost;
    case RunReport::Outcome::TimedOut:
        return ExitStatus::NoReply;
    case RunReport::Outcome::ErrorReply:
        return ExitStatus::ErrorReply;
    case RunReport::Outcome::Cancelled:
        break;
    }
    return ExitStatus::SignalBase; // a cancel comes only from a signal or a failed write, which set their own
}

// Commands of the report that went out.
int sentCount(const RunReport& report) {
    return int(std::count_if(report.commands.cbegin(), report.commands.cend(),
                             [](const CommandResult& result) { return result.sentUtcMs >= 0; }));
}

QString failure(const QString& message) {
    return QStringLiteral("telvane-run: ") + message;
}

} // namespace

HeadlessRun::HeadlessRun(const RunOptions& options, const Script& script, QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_script(script)
    , m_session(&m_link)
    , m_runner(&m_session)
    , m_printer(m_session.log(), options.form, &m_out) {
    m_runner.setReplyTimeout(options.replyTimeoutMs);
    m_runner.setErrorText(options.errorText);
    m_runner.setWaitForLastReply(true);
    m_connectTimer.setSingleShot(true);
    m_completionTimer.setSingleShot(true);
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            [this] { m_printer.idle(); });
    connect(&m_printer, &RowPrinter::outputFailed, this, &HeadlessRun::onOutputFailed);
    connect(&m_link, &TargetLink::stateChanged, this, &HeadlessRun::onLinkStateChanged);
    connect(&m_link, &TargetLink::errorTextChanged, this, &HeadlessRun::onLinkError);
    connect(&m_connectTimer, &QTimer::timeout, this, &HeadlessRun::onConnectTimeout);
    connect(&m_completionTimer, &QTimer::timeout, this, &HeadlessRun::endRun);
    connect(&m_runner, &ScriptRunner::commandSending, this, &HeadlessRun::onCommandSending);
    connect(&m_runner, &ScriptRunner::finished, this, &HeadlessRun::onFinished);
    connect(&m_session, &Session::replyCompleted, this, &HeadlessRun::onReplyCompleted);
    connect(&m_termination, &TerminationSignals::received, this, &HeadlessRun::onSignal);
    if (!options.captureFolder.isEmpty())
        m_capture = std::make_unique<LogCapture>(
            LogCapture::Options{options.captureFolder, options.captureFileBytes, options.captureFiles});
}

void HeadlessRun::start() {
    // From the first row on, in a file named for the target, as the window's capture at start.
    if (m_capture)
        m_capture->start(m_session.log(), m_options.host, m_options.port);
    m_link.setHost(m_options.host);
    m_link.setPort(m_options.port);
    m_link.setConnectWanted(true);
    m_connectTimer.start(m_options.connectTimeoutMs);
    m_link.TryConnect();
}

void HeadlessRun::onLinkStateChanged(int state) {
    if (state != TargetLink::Connected || m_ended || !m_connectTimer.isActive())
        return;
    m_connectTimer.stop();
    m_runner.RunSlotScript(m_script);
}

void HeadlessRun::onLinkError() {
    // A name that does not resolve will not resolve on the next tick either: said at once.
    if (m_ended || !m_connectTimer.isActive() || m_link.lastError() != QAbstractSocket::HostNotFoundError)
        return;
    end(ExitStatus::UnknownHost,
        failure(filledText(TextId::RunUnknownHost, {m_options.host}) +
                QStringLiteral(" (%1)").arg(m_link.lastErrorText())),
        QLatin1String("unknown_host"));
}

void HeadlessRun::onConnectTimeout() {
    // A refused connection is tried again on every tick until the timeout: the device software may be
    // starting.
    if (m_link.lastError() == QAbstractSocket::ConnectionRefusedError) {
        end(ExitStatus::Refused, failure(filledText(TextId::RunRefused, {m_options.host, m_options.port})),
            QLatin1String("connection_refused"));
        return;
    }
    QString notice = filledText(TextId::RunNoConnection,
                                {m_options.host, m_options.port, secondsText(m_options.connectTimeoutMs)});
    if (!m_link.lastErrorText().isEmpty())
        notice += QStringLiteral(" (%1)").arg(m_link.lastErrorText());
    end(ExitStatus::ConnectTimeout, failure(notice), QLatin1String("connect_timeout"));
}

void HeadlessRun::onCommandSending(const QString&, int, int) {
    // The one before was answered, or the run would not go on.
    if (!m_commandRows.isEmpty())
        m_printer.setVerdict(m_commandRows.last(), verdictWord(CommandResult::Verdict::Ok));
    // Its row is the next one: the session logs it right after this signal.
    m_commandRows.append(m_session.log()->size());
    m_printer.holdFrom(m_commandRows.last());
}

void HeadlessRun::onReplyCompleted(const QByteArray& reply, int) {
    if (m_ended)
        return;
    m_completedSerial = m_session.completedSerial();
    m_lastReply = reply;
    m_printer.printReply(reply);
    if (m_report && m_completionTimer.isActive() && m_completedSerial >= m_session.lastSendSerial()) {
        m_completionTimer.stop();
        endRun();
    }
}

void HeadlessRun::onFinished(const RunReport& report) {
    if (m_ended)
        return;
    m_report = report;
    // Only a signal or a failed write cancels, and each ends the program itself.
    if (report.outcome == RunReport::Outcome::Cancelled)
        return;
    if (report.outcome == RunReport::Outcome::Completed && m_completedSerial < m_session.lastSendSerial()) {
        m_completionTimer.start(CompletionWaitMs);
        return;
    }
    endRun();
}

void HeadlessRun::onSignal(int signalNumber) {
    // A run waits whenever the event loop runs, so the cancel ends it at once.
    m_runner.requestCancel();
    end(ExitStatus::SignalBase + signalNumber, m_report ? runNotice(*m_report) : QString(),
        QLatin1String("cancelled"));
}

void HeadlessRun::onOutputFailed() {
    if (m_ended)
        return;
    m_runner.requestCancel();
    end(ExitStatus::OutputFailed, failure(filledText(TextId::RunOutputFailed, {m_out.error()})),
        QLatin1String("output_failed"));
}

void HeadlessRun::endRun() {
    if (m_ended || !m_report)
        return;
    // The report was made at the last reply's colon; what came after it until completion belongs to it.
    for (auto it = m_report->commands.rbegin(); it != m_report->commands.rend(); ++it) {
        if (it->sentUtcMs < 0)
            continue;
        if (!it->reply.isEmpty() && m_lastReply.startsWith(it->reply))
            it->reply = m_lastReply;
        break;
    }
    end(statusOf(m_report->outcome), runNotice(*m_report), RunRecords::outcomeKey(m_report->outcome));
}

void HeadlessRun::end(int status, const QString& notice, QLatin1String outcome) {
    if (m_ended)
        return;
    m_ended = true;
    m_connectTimer.stop();
    m_completionTimer.stop();

    RunReport report;
    if (m_report) {
        report = *m_report;
    } else {
        // The run never began: none of its commands went out.
        report.total = int(m_script.size());
        for (const ScriptLine& line : std::as_const(m_script))
            report.commands.append({line.command, CommandResult::Verdict::NotSent, {}, -1, -1});
    }
    // The verdicts onto the rows of the run's commands.
    for (qsizetype i = 0; i < m_commandRows.size() && i < report.commands.size(); ++i)
        m_printer.setVerdict(m_commandRows.at(i), verdictWord(report.commands.at(i).verdict));
    m_printer.holdFrom(-1);
    m_printer.printNew();

    QString notices = notice;
    auto addNotice = [&notices](const QString& text) {
        notices += (notices.isEmpty() ? QString() : QStringLiteral("\n")) + text;
    };
    if (!m_options.junitPath.isEmpty() && !writeJunit(report)) {
        status = ExitStatus::OutputFailed;
        addNotice(failure(filledText(TextId::RunJunitFailed, {m_options.junitPath, m_junitError})));
    }
    const QDateTime endTime = UtcClock::system().now();
    // The capture ends in the line --jsonl ends in, with the status known so far; a failed capture then
    // changes the status that standard output's end line and the exit give.
    if (m_capture) {
        const QString captureFailure =
            endCapture(RunRecords::jsonEndLine(endTime, outcome, report.total, sentCount(report), status));
        if (!captureFailure.isEmpty()) {
            status = ExitStatus::OutputFailed;
            addNotice(captureFailure);
        }
    }
    if (m_options.form == RunOptions::Form::JsonLines) {
        m_out.write(RunRecords::jsonEndLine(endTime, outcome, report.total, sentCount(report), status));
        m_out.flush();
    }
    if (m_out.failed() && status != ExitStatus::OutputFailed) {
        status = ExitStatus::OutputFailed;
        addNotice(failure(filledText(TextId::RunOutputFailed, {m_out.error()})));
    }
    if (!notices.isEmpty() && (status != ExitStatus::Success || m_options.form != RunOptions::Form::Quiet)) {
        const QByteArray bytes = (notices + u'\n').toLocal8Bit();
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
        std::fflush(stderr);
    }
    QCoreApplication::exit(status);
}

bool HeadlessRun::writeJunit(const RunReport& report) {
    QSaveFile file(m_options.junitPath);
    file.setDirectWriteFallback(false);
    const QByteArray xml = RunRecords::junitXml(report, m_options.runName(), m_options.host);
    if (file.open(QIODevice::WriteOnly) && file.write(xml) == xml.size() && file.commit())
        return true;
    m_junitError = file.errorString();
    file.cancelWriting();
    return false;
}

QString HeadlessRun::endCapture(const QByteArray& endLine) {
    m_capture->writeLine(endLine);
    m_capture->stop(); // the last rows are on disk after this
    const LogCapture::Status capture = m_capture->status();
    if (capture.state == LogCapture::State::Failed)
        return failure(
            filledText(TextId::RunCaptureFailed, {QDir::toNativeSeparators(capture.file), capture.error}));
    // The queue to a disk slower than the data keeps memory bounded by dropping: rows asked for, not written.
    if (capture.dropped > 0)
        return failure(filledText(TextId::CaptureStateDropped, {QString::number(capture.dropped)}));
    return QString();
}
