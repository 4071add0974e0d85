#include "core/scripts/ScriptRunner.h"

#include "core/files/Codec.h"
#include "core/link/LogExport.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/texts/Texts.h"

#include <QDateTime>
#include <QTimeZone>
#include <QTimer>

using namespace Qt::StringLiterals;

QString secondsText(int milliseconds) {
    return QString::number(double(milliseconds) / 1000.0, 'g', 10);
}

QString runNotice(const RunReport& report) {
    switch (report.outcome) {
    case RunReport::Outcome::Completed:
        return report.sent == 1 ? GetText(TextId::RunCompletedOne)
                                : filledText(TextId::RunCompletedCount, {QString::number(report.sent)});
    case RunReport::Outcome::Cancelled:
        return filledText(TextId::RunCancelledAfter,
                          {QString::number(report.sent), QString::number(report.total)});
    case RunReport::Outcome::NotSent:
        return GetText(TextId::RunStoppedNotSent);
    case RunReport::Outcome::ConnectionLost:
        return GetText(TextId::RunConnectionLost);
    case RunReport::Outcome::TimedOut:
        return filledText(TextId::RunTimedOut, {report.command, secondsText(report.timeoutMs)});
    case RunReport::Outcome::ErrorReply:
        // On one line: the reply's line break would push the notice out of its place.
        return filledText(TextId::RunErrorReply, {report.command, report.reply.simplified()});
    }
    return {};
}

QString verdictText(CommandResult::Verdict verdict) {
    return GetText(TextId::VerdictOk + int(verdict));
}

QLatin1StringView verdictWord(CommandResult::Verdict verdict) {
    static constexpr QLatin1StringView words[] = {"ok"_L1,        "error_reply"_L1, "no_reply"_L1,
                                                  "line_lost"_L1, "not_sent"_L1,    "cancelled"_L1};
    return words[int(verdict)];
}

namespace {
QString sentTime(qint64 utcMs) {
    return utcMs < 0 ? QString()
                     : QDateTime::fromMSecsSinceEpoch(utcMs, QTimeZone::utc())
                           .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QByteArray csvField(const QString& text) {
    QByteArray field = text.toUtf8();
    if (field.contains('"') || field.contains(',') || field.contains('\r') || field.contains('\n')) {
        field.replace('"', "\"\"");
        field = '"' + field + '"';
    }
    return field;
}
} // namespace

QString runReportText(const RunReport& report) {
    QString text;
    for (qsizetype i = 0; i < report.commands.size(); ++i) {
        const CommandResult& result = report.commands.at(i);
        text += QString::number(i + 1) + u'\t' + LogExport::escapeControls(result.command) + u'\t' +
                verdictText(result.verdict) + u'\t' +
                (result.latencyMs < 0 ? QString() : QString::number(result.latencyMs) + " ms"_L1) + u'\t' +
                sentTime(result.sentUtcMs) + u'\t' + LogExport::escapeControls(Cp1252::decode(result.reply)) +
                u'\n';
    }
    return text;
}

QByteArray runReportCsv(const RunReport& report) {
    QByteArray csv = "number,command,verdict,latency_ms,sent_utc,reply\r\n";
    for (qsizetype i = 0; i < report.commands.size(); ++i) {
        const CommandResult& result = report.commands.at(i);
        csv += QByteArray::number(i + 1) + ',' + csvField(result.command) + ',' +
               QByteArray(verdictWord(result.verdict).data(), verdictWord(result.verdict).size()) + ',' +
               (result.latencyMs < 0 ? QByteArray() : QByteArray::number(result.latencyMs)) + ',' +
               sentTime(result.sentUtcMs).toLatin1() + ',' + csvField(Cp1252::decode(result.reply)) + "\r\n";
    }
    return csv;
}

ScriptRunner::ScriptRunner(Session* session, QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_replyTimer(new QTimer(this)) {
    m_replyTimer->setSingleShot(true);
    connect(m_replyTimer, &QTimer::timeout, this, [this] {
        if (!m_running || !m_waiting || m_replyTimeoutMs == 0)
            return;
        // Armed by an earlier wait: the time left of this one.
        const qint64 left = m_replyTimeoutMs - m_waitStarted.elapsed();
        if (left > 0) {
            m_replyTimer->start(int(left));
            return;
        }
        finish(RunReport::Outcome::TimedOut);
        // Given up on: the next run, or a command by hand, must not wait for it as well, nor take its reply.
        m_session->setReplyPending(false);
        m_session->dropAwaitedReplies();
    });
    connect(m_session, &Session::sending, this, [this](const QString& text) { m_lastSending = text; });
    connect(m_session, &Session::replyPendingChanged, this, &ScriptRunner::onReplyPendingChanged);
    connect(m_session, &Session::received, this, &ScriptRunner::onReceived);
    connect(m_session, &Session::replyCompleted, this, &ScriptRunner::onReplyCompleted);
    if (m_session->link())
        connect(m_session->link(), &TargetLink::stateChanged, this, &ScriptRunner::onLinkStateChanged);
}

namespace {
ScriptSource fixedSource(const Script& script) {
    return {[script] { return script.size(); }, [script](qsizetype index) { return script.at(index); }};
}
} // namespace

void ScriptRunner::RunSlotScript(const Script& script) {
    RunSlotScript(fixedSource(script));
}

void ScriptRunner::RunSlotScript(const ScriptSource& source) {
    if (m_running)
        return;
    if (source.count() == 0) {
        m_scriptBusy = false;
        return;
    }
    m_scriptBusy = true;
    m_session->setReplyPending(false);
    m_session->dropAwaitedReplies();
    begin(source);
}

void ScriptRunner::RunEditorScript(const Script& script) {
    RunEditorScript(fixedSource(script));
}

void ScriptRunner::RunEditorScript(const ScriptSource& source) {
    if (m_scriptBusy || m_running)
        return;
    m_scriptBusy = true;
    // Only the reply to the last command sent is waited for (ReplyPending); older sends whose reply never
    // came must not take the run's replies.
    m_session->dropAwaitedReplies(m_session->ReplyPending());
    begin(source);
}

void ScriptRunner::requestCancel() {
    m_cancelRequested = true;
    // Commands already handed over are not recalled; the run ends before the next one.
    if (m_running && m_waiting)
        finish(RunReport::Outcome::Cancelled);
}

void ScriptRunner::begin(const ScriptSource& source) {
    m_cancelRequested = false;
    m_linkWasUp = m_session->link() && m_session->link()->isUsable();
    m_source = source;
    m_report = RunReport();
    m_report.commands.reserve(m_source.count());
    m_awaitedReplies.clear();
    m_errorIndex = -1;
    m_next = 0;
    m_running = true;
    m_waiting = false;
    m_atEnd = false;
    emit started(int(m_source.count()));
    proceed();
}

bool ScriptRunner::mustWait() const {
    if (m_session->ReplyPending())
        return true;
    const bool whole = m_atEnd ? m_waitForLastReply || m_replyTimeoutMs > 0 || !m_errorText.isEmpty()
                               : !m_errorText.isEmpty();
    return whole && !m_awaitedReplies.empty();
}

void ScriptRunner::proceed() {
    m_waiting = false;
    m_atEnd = false; // a row added while the last reply was awaited is sent as any other
    for (;;) {
        // Read now, not at the start: the list may have changed while the run waited.
        const qsizetype total = m_source.count();
        if (m_next >= total)
            break;
        if (mustWait()) {
            wait();
            return;
        }
        CommandResult result;
        result.command = m_source.at(m_next).command;
        ++m_next;
        emit commandSending(result.command, int(m_next), int(total));
        const bool sent = m_session->SendCommandLine(result.command);
        if (sent) {
            const MessageLog* log = m_session->log();
            result.sentUtcMs = log->utcMsecs(log->size() - 1);
            m_awaitedReplies.push_back({m_session->lastSendSerial(), m_report.commands.size()});
        } else {
            result.verdict = CommandResult::Verdict::NotSent;
        }
        m_report.commands.append(std::move(result));
        emit progressed(int(m_next), int(total));
        if (!sent) {
            // Going on would report a run as processed when nothing went out. A link that was up when the
            // run began and is down now was lost, whether or not the run was waiting when it went.
            const bool lost = m_linkWasUp && !m_session->link()->isUsable();
            finish(lost ? RunReport::Outcome::ConnectionLost : RunReport::Outcome::NotSent);
            return;
        }
    }
    // A check of the replies covers the last one too.
    const bool checked = m_replyTimeoutMs > 0 || !m_errorText.isEmpty();
    m_atEnd = true;
    if ((m_waitForLastReply || checked) && mustWait()) {
        wait();
        return;
    }
    finish(RunReport::Outcome::Completed);
}

void ScriptRunner::wait() {
    // A cancel asked for while a command was being sent (from a handler of its signals) is seen here; left
    // for later, it would never be seen and the run would hold ScriptBusy.
    if (m_cancelRequested) {
        finish(RunReport::Outcome::Cancelled);
        return;
    }
    m_waiting = true; // resumed by the reply; ended by a cancel, the timeout, an error reply or a lost line
    // One timer for the run rather than one per command: a wait only notes its start, and a timer that
    // fires early is set again for the rest. Restarting it for every command would cost a fast device
    // more than the rest of the wait does.
    m_waitStarted.start();
    if (m_replyTimeoutMs > 0 && !m_replyTimer->isActive())
        m_replyTimer->start(m_replyTimeoutMs);
    emit waitingForReply(m_awaited);
}

void ScriptRunner::onReplyPendingChanged(bool pending) {
    if (pending)
        m_awaited = m_lastSending;
}

void ScriptRunner::onReceived(const QByteArray& /*bytes*/, bool answered) {
    // On at once, from the receive handler: the reply is logged, and a device that answers fast should not
    // wait for another pass of the event loop. A run that needs the reply whole goes on from its completion.
    if (answered && m_running && m_waiting && !mustWait())
        proceed();
}

void ScriptRunner::onReplyCompleted(const QByteArray& reply, int latencyMs) {
    // Only replies to the run's own commands count, not one to a command typed earlier.
    const quint64 serial = m_session->completedSerial();
    while (!m_awaitedReplies.empty() && m_awaitedReplies.front().serial < serial)
        m_awaitedReplies.pop_front(); // answered by nothing: the session gave up on them
    if (m_awaitedReplies.empty() || m_awaitedReplies.front().serial != serial)
        return;
    const qsizetype index = m_awaitedReplies.front().index;
    m_awaitedReplies.pop_front();
    CommandResult& result = m_report.commands[index];
    result.reply = reply;
    result.latencyMs = latencyMs;
    // A reply after the run ended only completes the report.
    if (!m_running)
        return;
    if (!m_errorText.isEmpty() && Cp1252::decode(reply).contains(m_errorText)) {
        m_errorIndex = index;
        finish(RunReport::Outcome::ErrorReply);
        return;
    }
    if (m_waiting && !mustWait())
        proceed();
}

void ScriptRunner::onLinkStateChanged(int state) {
    if (!m_running || !m_waiting || TargetLink::isUsable(state))
        return;
    // The reply is in and the run goes on with it; the next command then finds the link down.
    if (!mustWait())
        return;
    // A reply from the old connection can never come: nothing else would end this wait.
    finish(RunReport::Outcome::ConnectionLost);
    m_session->setReplyPending(false);
    m_session->dropAwaitedReplies();
}

void ScriptRunner::finish(RunReport::Outcome outcome) {
    m_running = false;
    m_waiting = false;
    m_replyTimer->stop();
    RunReport& report = m_report;
    report.outcome = outcome;
    report.sent = int(m_next);
    using Verdict = CommandResult::Verdict;
    // The sends still without a reply: what stopped the run is what became of them.
    Verdict unanswered = Verdict::Ok;
    if (outcome == RunReport::Outcome::TimedOut)
        unanswered = Verdict::NoReply;
    else if (outcome == RunReport::Outcome::ConnectionLost)
        unanswered = Verdict::LineLost;
    else if (outcome == RunReport::Outcome::Cancelled)
        unanswered = Verdict::Cancelled;
    for (const Awaited& awaited : m_awaitedReplies) {
        CommandResult& result = report.commands[awaited.index];
        if (result.reply.isEmpty())
            result.verdict = unanswered;
    }
    if (m_errorIndex >= 0)
        report.commands[m_errorIndex].verdict = Verdict::ErrorReply;
    // The commands the run did not reach, as the list holds them now.
    const Verdict notReached =
        outcome == RunReport::Outcome::Cancelled ? Verdict::Cancelled : Verdict::NotSent;
    for (qsizetype index = m_next, total = m_source.count(); index < total; ++index)
        report.commands.append({m_source.at(index).command, notReached, {}, -1, -1});
    report.total = int(report.commands.size());
    const bool forReply =
        outcome == RunReport::Outcome::ConnectionLost || outcome == RunReport::Outcome::TimedOut;
    if (outcome == RunReport::Outcome::ErrorReply) {
        report.command = report.commands[m_errorIndex].command;
        report.reply = Cp1252::decode(report.commands[m_errorIndex].reply);
    } else if (forReply) {
        report.command = m_awaited;
    } else if (m_next > 0) {
        report.command = report.commands[m_next - 1].command;
    }
    if (outcome == RunReport::Outcome::TimedOut)
        report.timeoutMs = m_replyTimeoutMs;
    // Replies still to come fill in the report; those of the commands it gave up on never come.
    if (unanswered != Verdict::Ok && unanswered != Verdict::Cancelled)
        m_awaitedReplies.clear();
    m_scriptBusy = false;
    emit finished(report);
}
