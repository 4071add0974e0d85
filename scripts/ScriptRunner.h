#pragma once

#include "scripts/ScriptLine.h"

#include <QObject>

class CommandLine;
struct MainWindowUi;

// Sends a script command by command through the command line, each command waiting until the reply to the
// one before has come in. It waits on the event loop: a run holds no stack frame while it waits, so the
// reply, clicks and timers are handled as usual and the run continues when the reply flag falls.
class ScriptRunner : public QObject {
    Q_OBJECT

public:
    ScriptRunner(const MainWindowUi& ui, CommandLine* commandLine, QObject* parent = nullptr);

    // A slot operation or a run is in progress: keeps a second run and the slot operations out.
    bool ScriptBusy() const { return m_scriptBusy; }
    void setScriptBusy(bool busy) { m_scriptBusy = busy; }
    bool CancelRequested() const { return m_cancelRequested; }
    bool isRunning() const { return m_running; }

    // The run branch of a slot button or F-key. The first command never waits: the reply flag is cleared.
    // The script is copied, so changes to the slot during the run do not touch it.
    void RunSlotScript(const Script& script);
    // The editor's test run: ignored while busy; its first command waits for an outstanding reply.
    void RunEditorScript(const Script& script);
    // The cancel button: takes effect while the run waits for a reply.
    void requestCancel();

    enum class Outcome { Completed, Cancelled, NotSent };

    // The text id of the completion notice as the last run left it, so a language switch translates the
    // notice instead of turning a stopped run into a processed one.
    int noticeTextId() const { return m_noticeTextId; }

signals:
    void runFinished(ScriptRunner::Outcome outcome);

private:
    void begin(const Script& script);
    void proceed();
    void onReplyPendingChanged(bool pending);
    void finish(Outcome outcome);

    const MainWindowUi& m_ui;
    CommandLine* m_commandLine;
    Script m_script;
    qsizetype m_next = 0;
    int m_noticeTextId;
    bool m_scriptBusy = false;
    bool m_cancelRequested = false;
    bool m_running = false;
    bool m_waiting = false;
    bool m_resumeQueued = false;
};
