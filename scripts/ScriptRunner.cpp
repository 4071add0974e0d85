#include "scripts/ScriptRunner.h"

#include "app/MainWindowUi.h"
#include "app/Texts.h"
#include "link/CommandLine.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {
constexpr int TextCompleted = 3043;
constexpr int TextStoppedNotSent = 3131;
} // namespace

ScriptRunner::ScriptRunner(const MainWindowUi& ui, CommandLine* commandLine, QObject* parent)
    : QObject(parent)
    , m_ui(ui)
    , m_commandLine(commandLine)
    , m_noticeTextId(TextCompleted) {
    connect(m_commandLine, &CommandLine::replyPendingChanged, this, &ScriptRunner::onReplyPendingChanged);
    connect(m_ui.cmdCancelCommandScript, &QPushButton::clicked, this, &ScriptRunner::requestCancel);
}

void ScriptRunner::RunSlotScript(const Script& script) {
    if (m_running)
        return;
    m_scriptBusy = true;
    if (script.isEmpty()) {
        m_scriptBusy = false;
        return;
    }
    m_commandLine->setReplyPending(false);
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
        finish(Outcome::Cancelled);
}

void ScriptRunner::begin(const Script& script) {
    m_cancelRequested = false;
    m_script = script;
    m_next = 0;
    m_running = true;
    m_waiting = false;
    m_ui.cmdCancelCommandScript->show();
    m_ui.prgProgress->setRange(0, static_cast<int>(std::min<qsizetype>(m_script.size(), INT_MAX)));
    m_ui.prgProgress->setValue(0);
    m_ui.prgProgress->show();
    proceed();
}

void ScriptRunner::proceed() {
    m_waiting = false;
    while (m_next < m_script.size()) {
        if (m_commandLine->ReplyPending()) {
            m_waiting = true; // resumed by the reply, ended by a cancel
            return;
        }
        // The command line shows the command as far as it can hold it; the command goes out whole.
        const QString& command = m_script.at(m_next).command;
        m_ui.txtSend->setText(command);
        ++m_next;
        const bool sent = m_commandLine->sendText(command);
        m_ui.prgProgress->setValue(static_cast<int>(std::min<qsizetype>(m_next, INT_MAX)));
        if (!sent) {
            // Going on would report a run as processed when nothing went out.
            finish(Outcome::NotSent);
            return;
        }
    }
    finish(Outcome::Completed);
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

void ScriptRunner::finish(Outcome outcome) {
    m_running = false;
    m_waiting = false;
    if (outcome != Outcome::Cancelled) {
        m_noticeTextId = outcome == Outcome::Completed ? TextCompleted : TextStoppedNotSent;
        m_ui.labCommandScriptCompleted->setText(GetText(m_noticeTextId));
        m_ui.labCommandScriptCompleted->show();
    }
    m_ui.prgProgress->hide();
    m_ui.cmdCancelCommandScript->hide();
    m_scriptBusy = false;
    emit runFinished(outcome);
}
