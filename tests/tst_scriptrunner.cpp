// The script runner through the real main window against a peer that the test drives: the peer answers
// only when told (or at once, when a test lets it), so each test decides when a reply comes in. Covers the
// wait before each command, the progress bar, the completion notice, cancel, the busy lock, the function
// keys, the no-connection stop and the run working on a copy of its script.

#include "LinkHarness.h"
#include "testsupport.h"

#include "app/MainWindow.h"
#include "app/Profile.h"
#include "app/Texts.h"
#include "link/CommandLine.h"
#include "link/MessageLog.h"
#include "scripts/QuickDial.h"
#include "scripts/QuickDialConfig.h"
#include "scripts/ScriptEditor.h"
#include "scripts/ScriptRunner.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString Completed = QStringLiteral("Befehlsablauf wurde ausgeführt.");
const QString Stopped = QStringLiteral("Befehlsablauf angehalten: Befehl konnte nicht gesendet werden.");
const QString CompletedEnglish = QStringLiteral("Command script processed.");
const QString StoppedEnglish = QStringLiteral("Command script stopped: command could not be sent.");

// The device software's stand-in. Each read is one command (the program sends one command per write, and
// never a second before the first was answered, unless a test sends one by hand). It answers only through
// reply(), or at once through autoReply when that is set. events keeps "<- command" and "-> reply" in the
// order they happened on the peer's side.
class ScriptedPeer {
public:
    ScriptedPeer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                ++accepted;
                client = socket;
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QString command = QString::fromLatin1(socket->readAll());
                    commands.append(command);
                    events.append(QStringLiteral("<- ") + command);
                    if (autoReply && socket == client)
                        reply(autoReply(command));
                });
            }
        });
    }

    quint16 port() const { return m_server.serverPort(); }
    bool connected() const { return client && client->state() == QAbstractSocket::ConnectedState; }

    void reply(const QByteArray& bytes) {
        if (!client)
            return;
        events.append(QStringLiteral("-> ") + QString::fromLatin1(bytes));
        client->write(bytes);
        client->flush();
    }
    // The reply the simulator would give: "<word>: OK".
    static QByteArray okFor(const QString& command) {
        return command.section(QLatin1Char(' '), 0, 0).toLatin1() + ": OK\r\n";
    }
    void answerEverything() {
        autoReply = [](const QString& command) { return okFor(command); };
    }
    void dropClient() {
        if (client)
            client->abort();
    }

    QPointer<QTcpSocket> client;
    QStringList commands;
    QStringList events;
    std::function<QByteArray(const QString&)> autoReply;
    int accepted = 0;

private:
    QTcpServer m_server;
};

Script lines(std::initializer_list<const char*> commands) {
    Script script;
    for (const char* c : commands)
        script.append({QString::fromUtf8(c), QStringLiteral("about ") + QString::fromUtf8(c)});
    return script;
}

QStringList commandsOf(const Script& script) {
    QStringList list;
    for (const ScriptLine& line : script)
        list.append(line.command);
    return list;
}

// The quick-dial memory every test starts with. Slot 4 is empty.
QuickDialSlots startSlots() {
    QuickDialSlots memory;
    memory[0] = {QStringLiteral("Drei"), QStringLiteral("three commands"), lines({"SM 1", "SP 1 3", "GM"})};
    memory[1] = {QStringLiteral("Abfrage"), QStringLiteral("one query"), lines({"GM"})};
    memory[2] = {QStringLiteral("Pause"), QStringLiteral("pause"), lines({"SM 2"})};
    memory[4] = {QStringLiteral("Fünf"), QStringLiteral("slot five"), lines({"XC 5 a", "XC 5 b"})};
    memory[5] = {QStringLiteral("Sechs"), QStringLiteral("slot six"), lines({"XC 6"})};
    memory[6] = {QStringLiteral("Sieben"), QStringLiteral("slot seven"), lines({"XC 7"})};
    memory[7] = {QStringLiteral("Acht"), QStringLiteral("slot eight"), lines({"XC 8"})};
    return memory;
}

} // namespace

class ScriptRunnerTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void slotRunSendsEachCommandAfterTheReplyToTheOneBefore();
    void longScriptRunsToTheEnd();
    void runHoldsUntilCancelled_data();
    void runHoldsUntilCancelled();
    void secondStartDuringAWaitChangesNothing_data();
    void secondStartDuringAWaitChangesNothing();
    void slotOperationsWaitForTheRun();
    void everythingElseStaysLiveDuringAWait();
    void quitDuringAWait();
    void runWorksOnACopy_data();
    void runWorksOnACopy();

    void functionKeys_data();
    void functionKeys();
    void functionKeysNeedALinkThatWasUsableOnce();
    void pendingSlotModeMakesFunctionKeyStore();
    void emptySlotSendsNothing();

    void editorRunWaitsForAnOutstandingReplySlotRunDoesNot();
    void noConnectionStopsTheRun_data();
    void noConnectionStopsTheRun();
    void unsendableCommandStopsTheRunAndTheNoticeKeepsItsMeaning();

private:
    // Setup.ini points at the peer; the quick-dial memory is startSlots().
    void startWindow(bool connect = true, int language = 0);
    void waitUsable();
    const MainWindowUi& ui() const { return m_window->ui(); }
    ScriptRunner* runner() const { return m_window->runner(); }
    CommandLine* commandLine() const { return m_window->commandLine(); }
    bool waiting() const { return runner()->ScriptBusy() && commandLine()->ReplyPending(); }
    // Every row of the message log as "Set text" / "Get text".
    QStringList logRows() const;
    QPushButton* runButton(int n) const { return ui().cmdCommand[static_cast<std::size_t>(n - 1)]; }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    void showTab(int index);
    // Starts slot 1 and waits until its first command is at the peer and the run waits for the reply.
    void startSlotOneAndWait();

    std::unique_ptr<TestFolders> m_folders;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<ScriptedPeer> m_peer;
    std::unique_ptr<MainWindow> m_window;
};

void ScriptRunnerTest::init() {
    m_folders = std::make_unique<TestFolders>();
    QVERIFY(m_folders->root.isValid());
    m_dialogs = ScriptedDialogs{};
    m_peer = std::make_unique<ScriptedPeer>();
    QVERIFY(m_peer->port() != 0);
    SetLanguageOffset(0);
}

void ScriptRunnerTest::cleanup() {
    m_window.reset();
    m_peer.reset();
    m_folders.reset();
    SetLanguageOffset(0);
}

void ScriptRunnerTest::startWindow(bool connect, int language) {
    const QString ini = m_folders->settings() + QStringLiteral("Setup.ini");
    const QString section = QStringLiteral("SETTINGS");
    QVERIFY(WriteProfileValue(section, QStringLiteral("Name"), QStringLiteral("127.0.0.1"), ini));
    QVERIFY(WriteProfileValue(section, QStringLiteral("Port"), QString::number(m_peer->port()), ini));
    QVERIFY(WriteProfileValue(section, QStringLiteral("Connect"),
                              connect ? QStringLiteral("1") : QStringLiteral("0"), ini));
    QVERIFY(WriteProfileValue(section, QStringLiteral("SelTab"), QStringLiteral("3"), ini));
    QVERIFY(WriteProfileValue(section, QStringLiteral("Language"), QString::number(language), ini));
    QVERIFY(SaveQuickDialFile(m_folders->settings() + QStringLiteral("DefaultCommandSet.cfg"), startSlots()));

    m_window = std::make_unique<MainWindow>(
        MainWindowEnvironment{m_folders->settings(), m_folders->program(), &m_dialogs});
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QCOMPARE(ui().SSTab1->currentIndex(), 3);
    if (connect)
        waitUsable();
}

void ScriptRunnerTest::waitUsable() {
    QTRY_VERIFY_WITH_TIMEOUT(m_window->link()->State() == TargetLink::Connected && m_peer->connected(),
                             Timeout);
    // The state tick enables the run buttons once the link is usable.
    QTRY_VERIFY_WITH_TIMEOUT(runButton(1)->isEnabled(), Timeout);
}

QStringList ScriptRunnerTest::logRows() const {
    MessageLog* log = commandLine()->log();
    log->flush();
    QStringList rows;
    for (int row = 0; row < log->rowCount(); ++row)
        rows.append(log->index(row, MessageLog::ModeColumn).data().toString() + QLatin1Char(' ') +
                    log->index(row, MessageLog::ParameterColumn).data().toString());
    return rows;
}

void ScriptRunnerTest::showTab(int index) {
    QTabBar* bar = ui().SSTab1->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    QCOMPARE(ui().SSTab1->currentIndex(), index);
}

void ScriptRunnerTest::startSlotOneAndWait() {
    click(runButton(1));
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, QStringList{QStringLiteral("SM 1")}, Timeout);
    QVERIFY(waiting());
    QCOMPARE(ui().prgProgress->value(), 1);
    QCOMPARE(ui().prgProgress->maximum(), 3);
}

void ScriptRunnerTest::slotRunSendsEachCommandAfterTheReplyToTheOneBefore() {
    startWindow();
    QSignalSpy finished(runner(), &ScriptRunner::runFinished);
    ui().labCommandScriptCompleted->show();

    click(runButton(1));
    QVERIFY(ui().labCommandScriptCompleted->isHidden());
    QVERIFY(ui().prgProgress->isVisible());
    QVERIFY(ui().cmdCancelCommandScript->isVisible());
    QCOMPARE(ui().prgProgress->minimum(), 0);
    QCOMPARE(ui().prgProgress->maximum(), 3);

    const QStringList all{QStringLiteral("SM 1"), QStringLiteral("SP 1 3"), QStringLiteral("GM")};
    const QList<QByteArray> replies{"SM 1: OK\r\n", "SP: OK\r\n", "GM: 1\r\n"};
    for (int i = 0; i < 3; ++i) {
        QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, all.mid(0, i + 1), Timeout);
        // The command went out as the command line's text, and the run counts it.
        QCOMPARE(ui().txtSend->text(), all.at(i));
        QCOMPARE(ui().prgProgress->value(), i + 1);
        QVERIFY(commandLine()->ReplyPending());
        if (i < 2) {
            // Waiting for this reply: nothing further goes out, everything is still shown.
            QVERIFY(runner()->ScriptBusy());
            QVERIFY(ui().prgProgress->isVisible());
            QVERIFY(ui().cmdCancelCommandScript->isVisible());
            QVERIFY(ui().labCommandScriptCompleted->isHidden());
            QCOMPARE(finished.count(), 0);
        }
        m_peer->reply(replies.at(i));
        if (i < 2)
            QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands.size(), i + 2, Timeout);
    }

    // The notice comes as soon as the last command is handed over; its reply is still on its way then.
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().value<ScriptRunner::Outcome>(), ScriptRunner::Outcome::Completed);
    QVERIFY(ui().labCommandScriptCompleted->isVisible());
    QCOMPARE(ui().labCommandScriptCompleted->text(), Completed);
    QVERIFY(ui().prgProgress->isHidden());
    QVERIFY(ui().cmdCancelCommandScript->isHidden());
    QCOMPARE(ui().prgProgress->maximum(), 3);
    QCOMPARE(ui().prgProgress->value(), 3);
    QVERIFY(!runner()->ScriptBusy());
    QCOMPARE(ui().txtSend->text(), QStringLiteral("GM"));
    QTRY_VERIFY_WITH_TIMEOUT(!commandLine()->ReplyPending(), Timeout);

    // Each command reached the peer only after the peer had answered the one before.
    QCOMPARE(m_peer->events, (QStringList{QStringLiteral("<- SM 1"), QStringLiteral("-> SM 1: OK\r\n"),
                                          QStringLiteral("<- SP 1 3"), QStringLiteral("-> SP: OK\r\n"),
                                          QStringLiteral("<- GM"), QStringLiteral("-> GM: 1\r\n")}));
    QTRY_COMPARE_WITH_TIMEOUT(logRows(),
                              (QStringList{QStringLiteral("Set SM 1"), QStringLiteral("Get SM 1: OK\r\n"),
                                           QStringLiteral("Set SP 1 3"), QStringLiteral("Get SP: OK\r\n"),
                                           QStringLiteral("Set GM"), QStringLiteral("Get GM: 1\r\n")}),
                              Timeout);
    QCOMPARE(finished.count(), 1);

    // The log was out of sight during the run; shown, it has its newest row selected and in view.
    showTab(1);
    QTableView* view = ui().lsvMsg;
    QCOMPARE(view->currentIndex().row(), 5);
    QVERIFY(view->selectionModel()->isRowSelected(5, {}));
    QCOMPARE(view->selectionModel()->selectedRows().size(), 1);
    QVERIFY(view->viewport()->rect().intersects(view->visualRect(view->currentIndex())));
}

void ScriptRunnerTest::longScriptRunsToTheEnd() {
    // Far beyond what a one-byte counter reaches.
    QuickDialSlots memory = startSlots();
    Script many;
    for (int i = 0; i < 600; ++i)
        many.append({QStringLiteral("SP 1 %1").arg(i), QString()});
    startWindow();
    const QString file = m_folders->settings() + QStringLiteral("long.cfg");
    memory[6] = {QStringLiteral("Lang"), QStringLiteral("600 commands"), many};
    QVERIFY(SaveQuickDialFile(file, memory));
    QVERIFY(m_window->LoadQuickDialConfig(file));

    m_peer->answerEverything();
    click(runButton(7));
    QCOMPARE(ui().prgProgress->maximum(), 600);
    QTRY_VERIFY_WITH_TIMEOUT(!runner()->ScriptBusy(), 4 * Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, commandsOf(many), Timeout);
    QCOMPARE(ui().prgProgress->value(), 600);
    QCOMPARE(ui().labCommandScriptCompleted->text(), Completed);
    QVERIFY(ui().labCommandScriptCompleted->isVisible());

    // Shown afterwards, the log follows its newest row, far down.
    QTRY_VERIFY_WITH_TIMEOUT(!commandLine()->ReplyPending(), Timeout);
    showTab(1);
    QTableView* view = ui().lsvMsg;
    QCOMPARE(view->currentIndex().row(), 1199);
    QVERIFY(view->viewport()->rect().intersects(view->visualRect(view->currentIndex())));
}

void ScriptRunnerTest::runHoldsUntilCancelled_data() {
    QTest::addColumn<bool>("dropConnection");
    QTest::newRow("reply without colon") << false;
    QTest::newRow("connection lost and back") << true;
}

void ScriptRunnerTest::runHoldsUntilCancelled() {
    QFETCH(bool, dropConnection);
    startWindow();
    QSignalSpy finished(runner(), &ScriptRunner::runFinished);
    startSlotOneAndWait();

    if (dropConnection) {
        // The connection timer stays live during the wait: the link comes back, the run still waits.
        m_peer->dropClient();
        QTRY_COMPARE_WITH_TIMEOUT(m_peer->accepted, 2, 2 * Timeout);
        waitUsable();
    } else {
        m_peer->reply("SM 1 is busy\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(logRows().last(), QStringLiteral("Get SM 1 is busy\r\n"), Timeout);
    }
    QCOMPARE(m_peer->commands, QStringList{QStringLiteral("SM 1")});
    QVERIFY(waiting());
    QVERIFY(ui().prgProgress->isVisible());
    QCOMPARE(ui().prgProgress->value(), 1);
    QCOMPARE(finished.count(), 0);

    click(ui().cmdCancelCommandScript);
    QVERIFY(runner()->CancelRequested());
    QVERIFY(ui().prgProgress->isHidden());
    QVERIFY(ui().cmdCancelCommandScript->isHidden());
    QVERIFY(ui().labCommandScriptCompleted->isHidden());
    QVERIFY(!runner()->ScriptBusy());
    // Nobody answered the command that went out.
    QVERIFY(commandLine()->ReplyPending());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().value<ScriptRunner::Outcome>(), ScriptRunner::Outcome::Cancelled);

    // A late reply does not bring the run back: a command typed now is the next thing the peer sees.
    m_peer->reply("SM 1: OK\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(!commandLine()->ReplyPending(), Timeout);
    showTab(1);
    ui().txtSend->setText(QStringLiteral("GM"));
    click(ui().cmdSend);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, (QStringList{QStringLiteral("SM 1"), QStringLiteral("GM")}),
                              Timeout);
    QVERIFY(ui().labCommandScriptCompleted->isHidden());
    QCOMPARE(finished.count(), 1);
}

void ScriptRunnerTest::secondStartDuringAWaitChangesNothing_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("hidesNotice");
    QTest::newRow("same run button") << QStringLiteral("run1") << true;
    QTest::newRow("other run button") << QStringLiteral("run2") << true;
    QTest::newRow("empty slot's run button") << QStringLiteral("run4") << true;
    QTest::newRow("function key") << QStringLiteral("F5") << true;
    QTest::newRow("editor test button") << QStringLiteral("test") << false;
}

void ScriptRunnerTest::secondStartDuringAWaitChangesNothing() {
    QFETCH(QString, action);
    QFETCH(bool, hidesNotice);
    startWindow();
    const Script editorScript = lines({"XC 1 editor"});
    m_window->scriptEditor()->setScript(editorScript);
    QSignalSpy finished(runner(), &ScriptRunner::runFinished);
    startSlotOneAndWait();
    if (action == QLatin1String("test")) {
        showTab(2);
        QTRY_VERIFY_WITH_TIMEOUT(ui().cmdCommandTest->isEnabled(), Timeout);
    }
    const QStringList rowsBefore = logRows();

    // The notice is hidden during a run; show it to see who hides it.
    ui().labCommandScriptCompleted->show();
    if (action == QLatin1String("run1"))
        click(runButton(1));
    else if (action == QLatin1String("run2"))
        click(runButton(2));
    else if (action == QLatin1String("run4"))
        click(runButton(4));
    else if (action == QLatin1String("F5"))
        QTest::keyClick(m_window.get(), Qt::Key_F5);
    else
        click(ui().cmdCommandTest);

    QCOMPARE(ui().labCommandScriptCompleted->isHidden(), hidesNotice);
    QCOMPARE(logRows(), rowsBefore);
    QCOMPARE(ui().txtSend->text(), QStringLiteral("SM 1"));
    QCOMPARE(ui().prgProgress->maximum(), 3);
    QCOMPARE(ui().prgProgress->value(), 1);
    QVERIFY(ui().prgProgress->isVisible());
    QVERIFY(waiting());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(m_window->scriptEditor()->script(), editorScript);

    // The first run goes on with its own commands, and only those.
    m_peer->answerEverything();
    m_peer->reply("SM 1: OK\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(finished.count() == 1, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, commandsOf(startSlots()[0].lines), Timeout);
    QCOMPARE(ui().labCommandScriptCompleted->text(), Completed);
    QVERIFY(!runner()->ScriptBusy());
}

void ScriptRunnerTest::slotOperationsWaitForTheRun() {
    startWindow();
    m_window->scriptEditor()->setScript(lines({"XC 1 old"}));
    startSlotOneAndWait();

    // A fetch chosen during the run stays pending; its slot button is ignored while the run waits.
    showTab(2);
    click(ui().cmdGetCommand);
    QVERIFY(m_window->quickDial()->fetchPending());
    QVERIFY(ui().cmdF[1]->isEnabled());
    click(ui().cmdF[1]);
    QVERIFY(m_window->quickDial()->fetchPending());
    QCOMPARE(commandsOf(m_window->scriptEditor()->script()), QStringList{QStringLiteral("XC 1 old")});
    QVERIFY(waiting());

    m_peer->answerEverything();
    m_peer->reply("SM 1: OK\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(!runner()->ScriptBusy(), Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands.size(), 3, Timeout);

    // After the run the mode is carried out.
    QTRY_VERIFY_WITH_TIMEOUT(ui().cmdF[1]->isEnabled(), Timeout);
    click(ui().cmdF[1]);
    QVERIFY(!m_window->quickDial()->fetchPending());
    QCOMPARE(m_window->scriptEditor()->script(), startSlots()[1].lines);
}

void ScriptRunnerTest::everythingElseStaysLiveDuringAWait() {
    startWindow();
    startSlotOneAndWait();

    // Tabs, the editor and its input box.
    showTab(2);
    m_dialogs.inputAnswers = {QStringLiteral("XC 1 typed")};
    click(ui().cmdCreateManualCommand);
    QCOMPARE(commandsOf(m_window->scriptEditor()->script()), QStringList{QStringLiteral("XC 1 typed")});

    // The blink timer: a mode chosen now makes the choice buttons come on at the next tick.
    click(ui().cmdDeleteScript);
    QTRY_VERIFY_WITH_TIMEOUT(ui().cmdF[0]->isEnabled(), Timeout);
    click(ui().cmdDeleteScript);
    QTRY_VERIFY_WITH_TIMEOUT(!ui().cmdF[0]->isEnabled(), Timeout);

    // The command line: a command typed now goes out at once and is logged between the run's rows.
    showTab(1);
    ui().txtSend->setText(QStringLiteral("GM"));
    click(ui().cmdSend);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, (QStringList{QStringLiteral("SM 1"), QStringLiteral("GM")}),
                              Timeout);
    QVERIFY(runner()->ScriptBusy());
    QCOMPARE(ui().prgProgress->value(), 1);

    // The run still goes on to its end with its own commands.
    m_peer->answerEverything();
    m_peer->reply("SM 1: OK\r\n");
    m_peer->reply("GM: 1\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(!runner()->ScriptBusy(), Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands,
                              (QStringList{QStringLiteral("SM 1"), QStringLiteral("GM"),
                                           QStringLiteral("SP 1 3"), QStringLiteral("GM")}),
                              Timeout);
    QCOMPARE(logRows().first(2), (QStringList{QStringLiteral("Set SM 1"), QStringLiteral("Set GM")}));
    QCOMPARE(ui().labCommandScriptCompleted->text(), Completed);
}

void ScriptRunnerTest::quitDuringAWait() {
    startWindow();
    startSlotOneAndWait();
    click(ui().cmdQuit);
    QVERIFY(!m_window->isVisible());
    m_window.reset();
    // The exit save ran as usual; a late reply finds no window.
    QCOMPARE(LoadQuickDialFile(m_folders->settings() + QStringLiteral("DefaultCommandSet.cfg"))[0].lines,
             startSlots()[0].lines);
    QVERIFY(m_dialogs.calls.isEmpty());
    m_peer->reply("SM 1: OK\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(!m_peer->connected(), Timeout);
    QCOMPARE(m_peer->commands, QStringList{QStringLiteral("SM 1")});
}

void ScriptRunnerTest::runWorksOnACopy_data() {
    QTest::addColumn<bool>("editorRun");
    QTest::addColumn<QString>("change");
    QTest::newRow("slot run, other file loaded") << false << QStringLiteral("load");
    QTest::newRow("slot run, file with an empty slot loaded") << false << QStringLiteral("loadEmpty");
    QTest::newRow("editor run, editor list edited") << true << QStringLiteral("edit");
    QTest::newRow("editor run, editor list emptied") << true << QStringLiteral("clear");
}

void ScriptRunnerTest::runWorksOnACopy() {
    QFETCH(bool, editorRun);
    QFETCH(QString, change);
    startWindow();
    const Script original = lines({"XC 1 one", "XC 1 two", "XC 1 three"});
    QuickDialSlots other = startSlots();
    other[0] = {QStringLiteral("Anders"), QStringLiteral("other"),
                lines({"XC 9 x", "XC 9 y", "XC 9 z", "XC 9 w"})};
    if (change == QLatin1String("loadEmpty"))
        other[0] = QuickDialSlot{};
    const QString otherFile = m_folders->settings() + QStringLiteral("other.cfg");
    QVERIFY(SaveQuickDialFile(otherFile, other));

    if (editorRun) {
        m_window->scriptEditor()->setScript(original);
        showTab(2);
        QTRY_VERIFY_WITH_TIMEOUT(ui().cmdCommandTest->isEnabled(), Timeout);
        click(ui().cmdCommandTest);
    } else {
        QuickDialSlots memory = startSlots();
        memory[0].lines = original;
        const QString file = m_folders->settings() + QStringLiteral("original.cfg");
        QVERIFY(SaveQuickDialFile(file, memory));
        QVERIFY(m_window->LoadQuickDialConfig(file));
        click(runButton(1));
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, QStringList{QStringLiteral("XC 1 one")}, Timeout);
    QVERIFY(waiting());

    if (change.startsWith(QLatin1String("load"))) {
        QVERIFY(m_window->LoadQuickDialConfig(otherFile));
        QCOMPARE(m_window->quickDial()->slotAt(1).lines, other[0].lines);
    } else if (change == QLatin1String("edit")) {
        QTreeWidget* list = ui().lstCommands;
        delete list->takeTopLevelItem(1);
        list->topLevelItem(0)->setText(0, QStringLiteral("XC 1 changed"));
    } else {
        ui().lstCommands->clear();
    }

    m_peer->answerEverything();
    m_peer->reply("XC: OK\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(!runner()->ScriptBusy(), Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, commandsOf(original), Timeout);
    QCOMPARE(ui().prgProgress->value(), 3);
    QCOMPARE(ui().labCommandScriptCompleted->text(), Completed);
    QVERIFY(ui().labCommandScriptCompleted->isVisible());
}

void ScriptRunnerTest::functionKeys_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("slot"); // 0: nothing runs

    QTest::newRow("F5 on tab 0") << 0 << int(Qt::Key_F5) << QString() << 0;
    QTest::newRow("F5 on tab 1") << 1 << int(Qt::Key_F5) << QString() << 0;
    QTest::newRow("F5 on tab 2") << 2 << int(Qt::Key_F5) << QString() << 0;
    QTest::newRow("F1 on tab 3") << 3 << int(Qt::Key_F1) << QString() << 1;
    QTest::newRow("F5 on tab 3") << 3 << int(Qt::Key_F5) << QString() << 5;
    QTest::newRow("F5 on tab 3, focus in a description box")
        << 3 << int(Qt::Key_F5) << QStringLiteral("txtCommandDescript2") << 5;
    QTest::newRow("F8 on tab 3") << 3 << int(Qt::Key_F8) << QString() << 8;
    QTest::newRow("F9 on tab 3") << 3 << int(Qt::Key_F9) << QString() << 0;
}

void ScriptRunnerTest::functionKeys() {
    QFETCH(int, tab);
    QFETCH(int, key);
    QFETCH(QString, focus);
    QFETCH(int, slot);
    startWindow();
    m_peer->answerEverything();
    if (tab != 3)
        showTab(tab);
    QWidget* target = m_window.get();
    if (!focus.isEmpty()) {
        target = m_window->findChild<QWidget*>(focus);
        QVERIFY(target);
        target->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(target->hasFocus(), Timeout);
    }
    ui().labCommandScriptCompleted->show();
    QSignalSpy finished(runner(), &ScriptRunner::runFinished);

    QTest::keyClick(target, Qt::Key(key));
    if (slot == 0) {
        // Not even the notice changes; nothing is logged, nothing is sent.
        QVERIFY(ui().labCommandScriptCompleted->isVisible());
        QVERIFY(logRows().isEmpty());
        QVERIFY(!runner()->ScriptBusy());
        QCOMPARE(finished.count(), 0);
        QVERIFY(m_peer->commands.isEmpty());
        return;
    }
    const QStringList expected = commandsOf(startSlots()[static_cast<std::size_t>(slot - 1)].lines);
    QCOMPARE(logRows().first(), QStringLiteral("Set ") + expected.first());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, expected, Timeout);
    QVERIFY(ui().labCommandScriptCompleted->isVisible());
    QCOMPARE(ui().SSTab1->currentIndex(), 3);
}

void ScriptRunnerTest::functionKeysNeedALinkThatWasUsableOnce() {
    startWindow(false);
    // The state tick ran and found no link: the run buttons are still off, and so are the keys.
    QTRY_VERIFY_WITH_TIMEOUT(ui().labState->text() == QStringLiteral("Zustand: Port geschlossen."), Timeout);
    QVERIFY(!runButton(1)->isEnabled());
    QTest::keyClick(m_window.get(), Qt::Key_F2);
    QVERIFY(logRows().isEmpty());
    QVERIFY(!runner()->ScriptBusy());

    ui().chkConnect->setChecked(true);
    waitUsable();
    m_peer->answerEverything();
    QTest::keyClick(m_window.get(), Qt::Key_F2);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, QStringList{QStringLiteral("GM")}, Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(!runner()->ScriptBusy(), Timeout);

    // Once enabled the keys stay on when the link goes: the run stops at its unsendable first command.
    ui().chkConnect->setChecked(false);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->link()->State() == TargetLink::Closed, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(ui().labState->text(), QStringLiteral("Zustand: Port geschlossen."), Timeout);
    QVERIFY(runButton(1)->isEnabled());
    QTest::keyClick(m_window.get(), Qt::Key_F2);
    QCOMPARE(logRows().last(), QStringLiteral("Set GM"));
    QCOMPARE(ui().labCommandScriptCompleted->text(), Stopped);
}

void ScriptRunnerTest::pendingSlotModeMakesFunctionKeyStore() {
    startWindow();
    m_peer->answerEverything();
    showTab(2);
    const Script editorScript = lines({"XC 2 stored", "GM"});
    m_window->scriptEditor()->setScript(editorScript);
    ui().txtLabel->setText(QStringLiteral("Neu"));
    ui().txtNote->setPlainText(QStringLiteral("stored by F2"));
    click(ui().cmdSave);
    QVERIFY(m_window->quickDial()->storePending());

    // The quick-dial tab keeps the mode: F2 stores instead of running.
    showTab(3);
    QTest::keyClick(m_window.get(), Qt::Key_F2);
    QVERIFY(!m_window->quickDial()->storePending());
    QCOMPARE(m_window->quickDial()->slotAt(2).lines, editorScript);
    QCOMPARE(runButton(2)->text(), QStringLiteral("Neu"));
    QVERIFY(logRows().isEmpty());
    QVERIFY(!runner()->ScriptBusy());

    // With no mode left, F2 runs what was stored.
    QTest::keyClick(m_window.get(), Qt::Key_F2);
    QTRY_VERIFY_WITH_TIMEOUT(!runner()->ScriptBusy(), Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, commandsOf(editorScript), Timeout);
}

void ScriptRunnerTest::emptySlotSendsNothing() {
    startWindow();
    ui().labCommandScriptCompleted->show();
    QSignalSpy finished(runner(), &ScriptRunner::runFinished);
    click(runButton(4));
    QVERIFY(ui().labCommandScriptCompleted->isHidden());
    QVERIFY(ui().prgProgress->isHidden());
    QVERIFY(ui().cmdCancelCommandScript->isHidden());
    QVERIFY(!runner()->ScriptBusy());
    QVERIFY(logRows().isEmpty());
    QCOMPARE(finished.count(), 0);

    m_peer->answerEverything();
    click(runButton(2));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, QStringList{QStringLiteral("GM")}, Timeout);
    QVERIFY(ui().labCommandScriptCompleted->isVisible());
}

void ScriptRunnerTest::editorRunWaitsForAnOutstandingReplySlotRunDoesNot() {
    startWindow();
    auto sendByHand = [this](const QString& command) {
        showTab(1);
        ui().txtSend->setText(command);
        click(ui().cmdSend);
        QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands.value(m_peer->commands.size() - 1), command, Timeout);
        QVERIFY(commandLine()->ReplyPending());
    };

    // The editor run waits before its first command.
    sendByHand(QStringLiteral("GM"));
    const Script editorScript = lines({"XC 1 a", "XC 1 b"});
    m_window->scriptEditor()->setScript(editorScript);
    showTab(2);
    QTRY_VERIFY_WITH_TIMEOUT(ui().cmdCommandTest->isEnabled(), Timeout);
    const int rowsBefore = int(logRows().size());
    click(ui().cmdCommandTest);
    QVERIFY(runner()->ScriptBusy());
    QVERIFY(ui().prgProgress->isVisible());
    QCOMPARE(ui().prgProgress->value(), 0);
    QCOMPARE(ui().prgProgress->maximum(), 2);
    QCOMPARE(int(logRows().size()), rowsBefore);
    QCOMPARE(ui().txtSend->text(), QStringLiteral("GM"));

    m_peer->answerEverything();
    m_peer->reply("GM: 0\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(!runner()->ScriptBusy(), Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(
        m_peer->commands,
        (QStringList{QStringLiteral("GM"), QStringLiteral("XC 1 a"), QStringLiteral("XC 1 b")}), Timeout);
    QCOMPARE(ui().labCommandScriptCompleted->text(), Completed);
    QTRY_VERIFY_WITH_TIMEOUT(!commandLine()->ReplyPending(), Timeout);

    // The slot run clears the flag and sends its first command at once.
    m_peer->autoReply = nullptr;
    sendByHand(QStringLiteral("GM"));
    showTab(3);
    click(runButton(3));
    QCOMPARE(logRows().last(), QStringLiteral("Set SM 2"));
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands.value(m_peer->commands.size() - 1), QStringLiteral("SM 2"),
                              Timeout);
    QVERIFY(!runner()->ScriptBusy());
    QVERIFY(ui().labCommandScriptCompleted->isVisible());
}

void ScriptRunnerTest::noConnectionStopsTheRun_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("stopped");
    QTest::addColumn<QString>("completed");
    QTest::newRow("German") << 0 << Stopped << Completed;
    QTest::newRow("English") << 1 << StoppedEnglish << CompletedEnglish;
}

void ScriptRunnerTest::noConnectionStopsTheRun() {
    QFETCH(int, language);
    QFETCH(QString, stopped);
    QFETCH(QString, completed);
    startWindow(true, language);
    // The link goes down; the run buttons stay on.
    ui().chkConnect->setChecked(false);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->link()->State() == TargetLink::Closed, Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(!m_peer->connected(), Timeout);
    QVERIFY(runButton(1)->isEnabled());

    QSignalSpy finished(runner(), &ScriptRunner::runFinished);
    click(runButton(1));
    // Only the first command is logged, as not sent; the others are never tried.
    QCOMPARE(logRows(), QStringList{QStringLiteral("Set SM 1")});
    MessageLog* log = commandLine()->log();
    QVERIFY(log->index(0, 0).data(MessageLog::NotSentRole).toBool());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().value<ScriptRunner::Outcome>(), ScriptRunner::Outcome::NotSent);
    QVERIFY(ui().labCommandScriptCompleted->isVisible());
    QCOMPARE(ui().labCommandScriptCompleted->text(), stopped);
    QVERIFY(ui().prgProgress->isHidden());
    QVERIFY(ui().cmdCancelCommandScript->isHidden());
    QCOMPARE(ui().prgProgress->value(), 1);
    QVERIFY(!runner()->ScriptBusy());
    QVERIFY(!commandLine()->ReplyPending());
    QCOMPARE(ui().txtSend->text(), QStringLiteral("SM 1"));
    QVERIFY(m_peer->commands.isEmpty());

    // With the link back, the next run goes through and says so in the language of the moment.
    ui().chkConnect->setChecked(true);
    waitUsable();
    m_peer->answerEverything();
    click(runButton(2));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, QStringList{QStringLiteral("GM")}, Timeout);
    QCOMPARE(ui().labCommandScriptCompleted->text(), completed);
}

void ScriptRunnerTest::unsendableCommandStopsTheRunAndTheNoticeKeepsItsMeaning() {
    startWindow();
    QuickDialSlots memory = startSlots();
    // The Greek letter has no Windows-1252 byte, so its command cannot go out.
    memory[0].lines = {{QStringLiteral("SM 1"), QString()},
                       {QStringLiteral("XC 1 \u03a9"), QString()},
                       {QStringLiteral("GM"), QString()}};
    m_window->quickDial()->loadSlots(memory);
    startSlotOneAndWait();

    // The run ends while the user is on the settings tab, where the language is picked.
    showTab(0);
    m_peer->reply("SM 1: OK\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(!runner()->ScriptBusy(), Timeout);
    QCOMPARE(logRows().last(), QStringLiteral("Set XC 1 \u03a9"));
    QVERIFY(commandLine()->log()->index(2, 0).data(MessageLog::NotSentRole).toBool());
    QVERIFY(ui().labCommandScriptCompleted->isVisible());
    QCOMPARE(ui().labCommandScriptCompleted->text(), Stopped);

    // A language switch translates the notice; it does not turn it into "processed".
    ui().cboLanguage->setFocus();
    QTest::keyClick(ui().cboLanguage, Qt::Key_Down);
    QCOMPARE(m_window->LanguageIndex(), 1);
    QVERIFY(ui().labCommandScriptCompleted->isVisible());
    QCOMPARE(ui().labCommandScriptCompleted->text(), StoppedEnglish);
    QTest::keyClick(ui().cboLanguage, Qt::Key_Up);
    QCOMPARE(ui().labCommandScriptCompleted->text(), Stopped);
    // The command after the unsendable one was never tried.
    QCOMPARE(logRows().size(), 3);
}

QTEST_MAIN(ScriptRunnerTest)
#include "tst_scriptrunner.moc"
