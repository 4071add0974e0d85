#include "core/scripts/ScriptRunner.h"

#include "core/link/Session.h"
#include "core/texts/Texts.h"

#include <QTimer>

QString RunNotice(const RunReport& report) {
    switch (report.outcome) {
    case RunReport::Outcome::Completed:
        return GetText(TextId::RunCompleted);
    case RunReport::Outcome::NotSent:
        return GetText(TextId::RunStoppedNotSent);
    case RunReport::Outcome::Cancelled:
        break;
    }
    return {};
}

ScriptRunner::ScriptRunner(Session* session, QObject* parent)
    : QObject(parent)
    , m_session(session) {
    connect(m_session, &Session::replyPendingChanged, this, &ScriptRunner::onReplyPendingChanged);
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
            // A cancel asked for while a command was being sent (from a handler of its signals) is seen here,
            // at the next wait; left for later, it would never be seen and the run would hold ScriptBusy.
            if (m_cancelRequested) {
                finish(RunReport::Outcome::Cancelled);
                return;
            }
            m_waiting = true; // resumed by the reply, ended by a cancel
            return;
        }
        const QString& command = m_script.at(m_next).command;
        ++m_next;
        emit commandSending(command, int(m_next), total);
        const bool sent = m_session->SendCommandLine(command);
        emit progressed(int(m_next), total);
        if (!sent) {
            // Going on would report a run as processed when nothing went out.
            finish(RunReport::Outcome::NotSent);
            return;
        }
    }
    finish(RunReport::Outcome::Completed);
}

void ScriptRunner::onReplyPendingChanged(bool pending) {
    if (pending || !m_running || !m_waiting || m_resumeQueued)
        return;
    // Continue after the receive handler has logged the reply, so the log keeps its order.
    m_resumeQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_resumeQueued = false;
        if (m_running && m_waiting && !m_cancelRequested)
            proceed();
    });
}

void ScriptRunner::finish(RunReport::Outcome outcome) {
    m_running = false;
    m_waiting = false;
    RunReport report;
    report.outcome = outcome;
    report.sent = int(m_next);
    report.total = int(m_script.size());
    if (m_next > 0)
        report.command = m_script.at(m_next - 1).command;
    m_scriptBusy = false;
    emit finished(report);
}
