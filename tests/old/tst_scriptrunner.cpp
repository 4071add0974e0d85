// The script runner through the real main window against a peer that the test drives: the peer answers
// only when told (or at once, when a test lets it), so each test decides when a reply comes in. Covers the
// wait before each command, the progress bar, the completion notice, cancel, the busy lock, the function
// keys, the no-connection stop and the run working on a copy of its script.

#include "LinkHarness.h"
#include "testsupport.h"

#include "gui/MainWindow.h"
#include "core/files/Profile.h"
#include "core/texts/Texts.h"
#include "core/link/Session.h"
#include "core/link/MessageLog.h"
#include "gui/QuickDial.h"
#include "core/scripts/QuickDialConfig.h"
#include "gui/ScriptEditor.h"
#include "core/scripts/ScriptRunner.h"

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
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString Completed = QStringLiteral("Befehlsablauf wurde ausgeführt.");
const QString Stopped = QStringLiteral("Abbruch: Befehl nicht gesendet.");
const QString StoppedEnglish = QStringLiteral("Stopped: command not sent.");

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
    // Answers from now on as the simulator would: "<word>: OK".
    void answerEverything() {
        autoReply = [](const QString& command) -> QByteArray {
            return command.section(QLatin1Char(' '), 0, 0).toLatin1() + ": OK\r\n";
        };
    }

    QPointer<QTcpSocket> client;
    QStringList commands;
    QStringList events;
    std::function<QByteArray(const QString&)> autoReply;

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
    return memory;
}

} // namespace

class ScriptRunnerTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void slotRunSendsEachCommandAfterTheReplyToTheOneBefore();
    void replyWithoutColonHoldsTheRun_data();
    void replyWithoutColonHoldsTheRun();
    void duringAWaitOnlyTheCommandLineActs();
    void runWorksOnACopy_data();
    void runWorksOnACopy();
    void functionKeysAndStoreMode();
    void noConnectionStopsTheRun();

private:
    // Setup.ini points at the peer; the quick-dial memory is startSlots().
    void startWindow(bool connect = true);
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
    void sendByHand(const QString& command);

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

void ScriptRunnerTest::startWindow(bool connect) {
    const QString ini = m_folders->settings() + QStringLiteral("Setup.ini");
    const QString section = QStringLiteral("SETTINGS");
    QVERIFY(WriteProfileValue(section, QStringLiteral("Name"), QStringLiteral("127.0.0.1"), ini));
    QVERIFY(WriteProfileValue(section, QStringLiteral("Port"), QString::number(m_peer->port()), ini));
    QVERIFY(WriteProfileValue(section, QStringLiteral("Connect"), QString::number(int(connect)), ini));
    QVERIFY(WriteProfileValue(section, QStringLiteral("SelTab"), QStringLiteral("3"), ini));
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

void ScriptRunnerTest::sendByHand(const QString& command) {
    showTab(1);
    ui().txtSend->setText(command);
    click(ui().cmdSend);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands.value(m_peer->commands.size() - 1), command, Timeout);
}

void ScriptRunnerTest::slotRunSendsEachCommandAfterTheReplyToTheOneBefore() {
    startWindow();
    QSignalSpy finished(runner(), &ScriptRunner::runFinished);
    ui().labCommandScriptCompleted->show();

    // An empty slot sends nothing and shows nothing but hides the notice.
    click(runButton(4));
    QVERIFY(ui().labCommandScriptCompleted->isHidden());
    QVERIFY(ui().prgProgress->isHidden());
    QVERIFY(!runner()->ScriptBusy());
    QVERIFY(logRows().isEmpty());
    QCOMPARE(finished.count(), 0);

    click(runButton(1));
    QVERIFY(ui().prgProgress->isVisible());
    QVERIFY(ui().cmdCancelCommandScript->isVisible());
    QCOMPARE(ui().prgProgress->maximum(), 3);
    const QStringList all{QStringLiteral("SM 1"), QStringLiteral("SP 1 3"), QStringLiteral("GM")};
    const QList<QByteArray> replies{"SM 1: OK\r\n", "SP: OK\r\n", "GM: 1\r\n"};
    for (int i = 0; i < 3; ++i) {
        QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, all.mid(0, i + 1), Timeout);
        // The command went out as the command line's text, and the run counts it.
        QCOMPARE(ui().txtSend->text(), all.at(i));
        QCOMPARE(ui().prgProgress->value(), i + 1);
        QVERIFY(commandLine()->ReplyPending());
        QCOMPARE(finished.count(), i < 2 ? 0 : 1);
        m_peer->reply(replies.at(i));
    }

    // The notice came as soon as the last command was handed over, with its reply still on its way.
    QCOMPARE(finished.first().first().value<ScriptRunner::Outcome>(), ScriptRunner::Outcome::Completed);
    QVERIFY(ui().labCommandScriptCompleted->isVisible());
    QCOMPARE(ui().labCommandScriptCompleted->text(), Completed);
    QVERIFY(ui().prgProgress->isHidden());
    QVERIFY(ui().cmdCancelCommandScript->isHidden());
    QCOMPARE(ui().prgProgress->value(), 3);
    QVERIFY(!runner()->ScriptBusy());
    QCOMPARE(ui().txtSend->text(), QStringLiteral("GM"));

    // Each command reached the peer only after the peer had answered the one before.
    QCOMPARE(m_peer->events, (QStringList{QStringLiteral("<- SM 1"), QStringLiteral("-> SM 1: OK\r\n"),
                                          QStringLiteral("<- SP 1 3"), QStringLiteral("-> SP: OK\r\n"),
                                          QStringLiteral("<- GM"), QStringLiteral("-> GM: 1\r\n")}));
    QTRY_COMPARE_WITH_TIMEOUT(logRows(),
                              (QStringList{QStringLiteral("Set SM 1"), QStringLiteral("Get SM 1: OK\r\n"),
                                           QStringLiteral("Set SP 1 3"), QStringLiteral("Get SP: OK\r\n"),
                                           QStringLiteral("Set GM"), QStringLiteral("Get GM: 1\r\n")}),
                              Timeout);
}

void ScriptRunnerTest::replyWithoutColonHoldsTheRun_data() {
    QTest::addColumn<bool>("quit");
    QTest::newRow("cancelled") << false;
    QTest::newRow("program quit") << true;
}

void ScriptRunnerTest::replyWithoutColonHoldsTheRun() {
    QFETCH(bool, quit);
    startWindow();
    QSignalSpy finished(runner(), &ScriptRunner::runFinished);
    startSlotOneAndWait();
    m_peer->reply("SM 1 is busy\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(logRows().last(), QStringLiteral("Get SM 1 is busy\r\n"), Timeout);
    QCOMPARE(m_peer->commands, QStringList{QStringLiteral("SM 1")});
    QVERIFY(waiting());
    QCOMPARE(finished.count(), 0);

    if (quit) {
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
        return;
    }
    click(ui().cmdCancelCommandScript);
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
    sendByHand(QStringLiteral("GM"));
    QCOMPARE(m_peer->commands, (QStringList{QStringLiteral("SM 1"), QStringLiteral("GM")}));
}

void ScriptRunnerTest::duringAWaitOnlyTheCommandLineActs() {
    startWindow();
    const Script editorScript = lines({"XC 1 editor"});
    m_window->scriptEditor()->setScript(editorScript);
    QSignalSpy finished(runner(), &ScriptRunner::runFinished);
    startSlotOneAndWait();
    const QStringList rowsBefore = logRows();

    // A second start of any kind changes nothing; only the slot buttons and keys hide the notice.
    struct Attempt {
        int tab;
        std::function<void()> start;
        bool hidesNotice;
    };
    const QList<Attempt> attempts{
        {3, [this] { click(runButton(1)); }, true},
        {3, [this] { click(runButton(2)); }, true},
        {3, [this] { QTest::keyClick(m_window.get(), Qt::Key_F5); }, true},
        {2, [this] { click(ui().cmdCommandTest); }, false},
    };
    for (const Attempt& attempt : attempts) {
        showTab(attempt.tab);
        QTRY_VERIFY_WITH_TIMEOUT(ui().cmdCommandTest->isEnabled(), Timeout);
        ui().labCommandScriptCompleted->show();
        attempt.start();
        QCOMPARE(ui().labCommandScriptCompleted->isHidden(), attempt.hidesNotice);
        QCOMPARE(logRows(), rowsBefore);
        QCOMPARE(ui().txtSend->text(), QStringLiteral("SM 1"));
        QCOMPARE(ui().prgProgress->value(), 1);
        QVERIFY(waiting());
        QCOMPARE(finished.count(), 0);
    }
    QCOMPARE(m_window->scriptEditor()->script(), editorScript);

    // The command line: a command typed now goes out at once and is logged between the run's rows.
    sendByHand(QStringLiteral("GM"));
    QVERIFY(runner()->ScriptBusy());
    QCOMPARE(ui().prgProgress->value(), 1);

    // The run goes on to its end with its own commands, and only those.
    m_peer->answerEverything();
    m_peer->reply("SM 1: OK\r\n");
    m_peer->reply("GM: 1\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands,
                              (QStringList{QStringLiteral("SM 1"), QStringLiteral("GM"),
                                           QStringLiteral("SP 1 3"), QStringLiteral("GM")}),
                              Timeout);
    QCOMPARE(logRows().first(2), (QStringList{QStringLiteral("Set SM 1"), QStringLiteral("Set GM")}));
    QCOMPARE(ui().labCommandScriptCompleted->text(), Completed);
}

void ScriptRunnerTest::runWorksOnACopy_data() {
    QTest::addColumn<bool>("editorRun");
    QTest::newRow("slot run, another file loaded") << false;
    QTest::newRow("editor run, editor list edited") << true;
}

void ScriptRunnerTest::runWorksOnACopy() {
    QFETCH(bool, editorRun);
    startWindow();
    const Script original = lines({"XC 1 one", "XC 1 two", "XC 1 three"});
    QuickDialSlots memory = startSlots();
    memory[0].lines = original;
    m_window->quickDial()->loadSlots(memory);
    m_window->scriptEditor()->setScript(original);
    // A command sent by hand is still unanswered when the run starts.
    sendByHand(QStringLiteral("GM"));
    QVERIFY(commandLine()->ReplyPending());
    const int rowsBefore = int(logRows().size());
    if (editorRun) {
        // The editor run waits for that reply before its first command.
        showTab(2);
        QTRY_VERIFY_WITH_TIMEOUT(ui().cmdCommandTest->isEnabled(), Timeout);
        click(ui().cmdCommandTest);
        QVERIFY(runner()->ScriptBusy());
        QCOMPARE(ui().prgProgress->value(), 0);
        QCOMPARE(int(logRows().size()), rowsBefore);
        m_peer->reply("GM: 0\r\n");
    } else {
        // The slot run does not: its first command goes out at once.
        showTab(3);
        click(runButton(1));
        QCOMPARE(logRows().value(rowsBefore), QStringLiteral("Set XC 1 one"));
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands,
                              (QStringList{QStringLiteral("GM"), QStringLiteral("XC 1 one")}), Timeout);
    QVERIFY(waiting());

    // Changing the run's source during the wait does not change the run.
    if (editorRun) {
        QTreeWidget* list = ui().lstCommands;
        delete list->takeTopLevelItem(1);
        list->topLevelItem(0)->setText(0, QStringLiteral("XC 1 changed"));
    } else {
        memory[0].lines = lines({"XC 9 x", "XC 9 y", "XC 9 z", "XC 9 w"});
        const QString otherFile = m_folders->settings() + QStringLiteral("other.cfg");
        QVERIFY(SaveQuickDialFile(otherFile, memory));
        QVERIFY(m_window->LoadQuickDialConfig(otherFile) == QuickDialFileState::Loaded);
        QCOMPARE(m_window->quickDial()->slotAt(1).lines, memory[0].lines);
    }

    m_peer->answerEverything();
    m_peer->reply("XC: OK\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(!runner()->ScriptBusy(), Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, QStringList{QStringLiteral("GM")} + commandsOf(original),
                              Timeout);
    QCOMPARE(ui().prgProgress->value(), 3);
    QCOMPARE(ui().labCommandScriptCompleted->text(), Completed);
}

void ScriptRunnerTest::functionKeysAndStoreMode() {
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
    QSignalSpy finished(runner(), &ScriptRunner::runFinished);
    // Off the quick-dial tab the keys do nothing, not even hide the notice.
    for (int tab = 0; tab < 3; ++tab) {
        showTab(tab);
        ui().labCommandScriptCompleted->show();
        QTest::keyClick(m_window.get(), Qt::Key_F5);
        QVERIFY(ui().labCommandScriptCompleted->isVisible());
        QVERIFY(logRows().isEmpty());
    }
    // Held Shift, Ctrl or Alt change nothing.
    showTab(3);
    QTest::keyClick(m_window.get(), Qt::Key_F5, Qt::ShiftModifier | Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands, commandsOf(startSlots()[4].lines), Timeout);
    QVERIFY(ui().labCommandScriptCompleted->isVisible());

    // With a store mode chosen in the editor, the quick-dial tab keeps it: F2 stores instead of running.
    showTab(2);
    const Script editorScript = lines({"XC 2 stored", "GM"});
    m_window->scriptEditor()->setScript(editorScript);
    ui().txtLabel->setText(QStringLiteral("Neu"));
    ui().txtNote->setPlainText(QStringLiteral("stored by F2"));
    click(ui().cmdSave);
    QVERIFY(m_window->quickDial()->storePending());
    showTab(3);
    const int rowsBefore = int(logRows().size());
    QTest::keyClick(m_window.get(), Qt::Key_F2, Qt::AltModifier);
    QVERIFY(!m_window->quickDial()->storePending());
    QCOMPARE(m_window->quickDial()->slotAt(2).lines, editorScript);
    QCOMPARE(runButton(2)->text(), QStringLiteral("Neu"));
    QCOMPARE(int(logRows().size()), rowsBefore);
    QVERIFY(!runner()->ScriptBusy());
}

void ScriptRunnerTest::noConnectionStopsTheRun() {
    startWindow();
    // The link goes down; the run buttons stay on.
    ui().chkConnect->setChecked(false);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->link()->State() == TargetLink::Closed, Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(!m_peer->connected(), Timeout);
    QVERIFY(runButton(1)->isEnabled());

    QSignalSpy finished(runner(), &ScriptRunner::runFinished);
    click(runButton(1));
    // Only the first command is logged, as not sent; the others are never tried.
    QCOMPARE(logRows(), QStringList{QStringLiteral("Set SM 1")});
    QVERIFY(commandLine()->log()->index(0, 0).data(MessageLog::NotSentRole).toBool());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().value<ScriptRunner::Outcome>(), ScriptRunner::Outcome::NotSent);
    QVERIFY(ui().labCommandScriptCompleted->isVisible());
    QCOMPARE(ui().labCommandScriptCompleted->text(), Stopped);
    QVERIFY(ui().prgProgress->isHidden());
    QVERIFY(ui().cmdCancelCommandScript->isHidden());
    QVERIFY(!runner()->ScriptBusy());
    QVERIFY(!commandLine()->ReplyPending());
    QVERIFY(m_peer->commands.isEmpty());

    // A language switch translates the notice; it does not turn it into "processed".
    QTest::keyClick(ui().cboLanguage, Qt::Key_Down);
    QCOMPARE(m_window->LanguageIndex(), 1);
    QVERIFY(ui().labCommandScriptCompleted->isVisible());
    QCOMPARE(ui().labCommandScriptCompleted->text(), StoppedEnglish);
    QTest::keyClick(ui().cboLanguage, Qt::Key_Up);
    QCOMPARE(ui().labCommandScriptCompleted->text(), Stopped);
}

QTEST_MAIN(ScriptRunnerTest)
#include "tst_scriptrunner.moc"
