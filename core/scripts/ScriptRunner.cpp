#include "core/scripts/ScriptRunner.h"

#include "core/files/Codec.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/texts/Texts.h"

#include <QTimer>

namespace {
// Seconds as they were given: "0.5", "1", "2.25"; never rounded to a whole second that was not set.
QString secondsText(int milliseconds) {
    return QString::number(double(milliseconds) / 1000.0, 'g', 10);
}
} // namespace

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
        // Given up on: the next run, or a command by hand, must not wait for it as well.
        m_session->setReplyPending(false);
    });
    connect(m_session, &Session::sending, this, [this](const QString& text) { m_lastSending = text; });
    connect(m_session, &Session::replyPendingChanged, this, &ScriptRunner::onReplyPendingChanged);
    connect(m_session, &Session::received, this, &ScriptRunner::onReceived);
    if (m_session->link())
        connect(m_session->link(), &TargetLink::stateChanged, this, &ScriptRunner::onLinkStateChanged);
}

void ScriptRunner::RunSlotScript(const Script& script) {
    if (m_running)
        return;
    if (script.isEmpty()) {
        m_scriptBusy = false;
        return;
    }
    m_scriptBusy = true;
    m_session->setReplyPending(false);
    begin(script);
}

void ScriptRunner::RunEditorScript(const Script& script) {
    if (m_scriptBusy || m_running)
        return;
    m_scriptBusy = true;
    begin(script);
}

void ScriptRunner::requestCancel() {
    m_cancelRequested = true;
    // Commands already handed over are not recalled; the run ends before the next one.
    if (m_running && m_waiting)
        finish(RunReport::Outcome::Cancelled);
}

void ScriptRunner::begin(const Script& script) {
    m_cancelRequested = false;
    m_linkWasUp = m_session->link() && m_session->link()->isUsable();
    m_script = script;
    m_next = 0;
    m_running = true;
    m_waiting = false;
    emit started(int(m_script.size()));
    proceed();
}

void ScriptRunner::proceed() {
    m_waiting = false;
    const int total = int(m_script.size());
    while (m_next < m_script.size()) {
        if (m_session->ReplyPending()) {
            wait();
            return;
        }
        const QString& command = m_script.at(m_next).command;
        ++m_next;
        emit commandSending(command, int(m_next), total);
        const bool sent = m_session->SendCommandLine(command);
        emit progressed(int(m_next), total);
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
    if ((m_waitForLastReply || checked) && m_session->ReplyPending()) {
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
    m_reply.clear();
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

void ScriptRunner::onReceived(const QByteArray& bytes, bool answered) {
    if (!m_running || !m_waiting)
        return;
    // Only replies to the run's own commands count as its failure, not one to a command typed earlier.
    // Collected over the wait, so an error text cut in two by the network is still found.
    if (!m_errorText.isEmpty() && m_next > 0) {
        m_reply += Cp1252::decode(bytes);
        if (answered && m_reply.contains(m_errorText)) {
            finish(RunReport::Outcome::ErrorReply);
            return;
        }
    }
    // On at once, from the receive handler: the reply is logged, and a device that answers fast should not
    // wait for another pass of the event loop.
    if (answered)
        proceed();
}

void ScriptRunner::onLinkStateChanged(int state) {
    if (!m_running || !m_waiting || TargetLink::isUsable(state))
        return;
    // The reply is in and the run goes on with it; the next command then finds the link down.
    if (!m_session->ReplyPending())
        return;
    // A reply from the old connection can never come: nothing else would end this wait.
    finish(RunReport::Outcome::ConnectionLost);
    m_session->setReplyPending(false);
}

void ScriptRunner::finish(RunReport::Outcome outcome) {
    m_running = false;
    m_waiting = false;
    m_replyTimer->stop();
    RunReport report;
    report.outcome = outcome;
    report.sent = int(m_next);
    report.total = int(m_script.size());
    const bool forReply = outcome == RunReport::Outcome::ConnectionLost ||
                          outcome == RunReport::Outcome::TimedOut ||
                          outcome == RunReport::Outcome::ErrorReply;
    if (forReply)
        report.command = m_awaited;
    else if (m_next > 0)
        report.command = m_script.at(m_next - 1).command;
    if (outcome == RunReport::Outcome::ErrorReply)
        report.reply = m_reply;
    if (outcome == RunReport::Outcome::TimedOut)
        report.timeoutMs = m_replyTimeoutMs;
    m_reply.clear();
    m_scriptBusy = false;
    emit finished(report);
}
