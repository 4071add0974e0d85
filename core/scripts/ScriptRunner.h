#pragma once

#include "core/scripts/ScriptLine.h"

#include <QObject>

class Session;

// How a run ended, with what it had done; the status strip words it as the run's notice.
struct RunReport {
    enum class Outcome { Completed, Cancelled, NotSent };
    Outcome outcome = Outcome::Completed;
    int sent = 0;    // commands handed to the session
    int total = 0;   // commands of the run
    QString command; // the command the run ended on
};

// The notice for a run's end in the current language; "" for an end that shows none (a cancel).
QString RunNotice(const RunReport& report);

// Sends a script command by command through the session, each command waiting until the reply to the
// one before has come in. It waits on the event loop: a run holds no stack frame while it waits, so the
// reply, clicks and timers are handled as usual and the run continues when ReplyPending falls.
class ScriptRunner : public QObject {
    Q_OBJECT

public:
    explicit ScriptRunner(Session* session, QObject* parent = nullptr);

    // A slot operation or a run is in progress: keeps a second run and the slot operations out.
    bool ScriptBusy() const { return m_scriptBusy; }
    void setScriptBusy(bool busy) { m_scriptBusy = busy; }
    bool CancelRequested() const { return m_cancelRequested; }
    bool isRunning() const { return m_running; }

    // The run branch of a slot button or F-key. The first command never waits: ReplyPending is cleared.
    // The script is copied, so changes to the slot during the run do not touch it.
    void RunSlotScript(const Script& script);
    // The editor's test run: ignored while busy; its first command waits for an outstanding reply.
    void RunEditorScript(const Script& script);
    // The cancel button: takes effect while the run waits for a reply.
    void requestCancel();

signals:
    void started(int total);
    // Command index (from 1) of total is about to be sent; the command line shows it.
    void commandSending(const QString& command, int index, int total);
    void progressed(int sent, int total);
    void finished(const RunReport& report);

private:
    void begin(const Script& script);
    void proceed();
    void onReplyPendingChanged(bool pending);
    void finish(RunReport::Outcome outcome);

    Session* m_session;
    Script m_script;
    qsizetype m_next = 0;
    bool m_scriptBusy = false;
    bool m_cancelRequested = false;
    bool m_running = false;
    bool m_waiting = false;
    bool m_resumeQueued = false;
};
