// The whole mission as a user goes through it, against the device simulator: connect, compose a script
// with the assistant and by hand, store it in slot 3, run it with F3 on the quick-dial tab, quit, start
// again and find the slot as it was.

#include "testsupport.h"

#include "gui/MainWindow.h"
#include "core/files/Profile.h"
#include "core/texts/Texts.h"
#include "core/link/Session.h"
#include "core/link/MessageLog.h"
#include "gui/QuickDial.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

constexpr int Timeout = 20000; // ms

// The simulator as a separate process, with its trace on standard output collected as it comes.
class Simulator {
public:
    Simulator() {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                         [this] { m_output += m_process.readAllStandardOutput(); });
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~Simulator() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(Timeout);
        }
    }

    // Starts it on a free port and returns the port of its 127.0.0.1 listener, 0 on failure.
    quint16 start() {
        m_process.start(
            QStringLiteral(TELVANE_DEVSIM_PATH),
            {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--device"), QStringLiteral("0")});
        if (!QTest::qWaitFor([this] { return output().contains(QLatin1String("\nready:")); }, Timeout))
            return 0;
        const QRegularExpression listening(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$"),
                                           QRegularExpression::MultilineOption);
        return listening.match(output()).captured(1).toUShort();
    }

    QString output() const { return QString::fromUtf8(m_output); }

    // The commands and replies of the trace, "<- SM 1" and "-> SM 1: OK", in the order they happened.
    QStringList exchange() const {
        const QRegularExpression line(QStringLiteral("^\\S+ #\\d+ ((?:<-|->) .*)$"),
                                      QRegularExpression::MultilineOption);
        QStringList found;
        for (const QRegularExpressionMatch& match : line.globalMatch(output()))
            found.append(match.captured(1).trimmed());
        return found;
    }

private:
    QProcess m_process;
    QByteArray m_output;
};

// Runs step inside the modal loop of the next modal dialog, once it is up. A step that fails leaves the
// dialog open, so it is closed after a generous time and the test fails instead of hanging.
void whenModalOpens(std::function<void(QWidget*)> step, int attempts = 2000) {
    QTimer::singleShot(5, qApp, [step, attempts] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) {
            if (attempts > 0)
                whenModalOpens(step, attempts - 1);
            return;
        }
        QTimer::singleShot(Timeout, dialog, [dialog] { dialog->close(); });
        step(dialog);
    });
}

template <typename T> T* child(QWidget* parent, const char* name) {
    return parent->findChild<T*>(QLatin1String(name));
}

// Picks the assistant's entry with this text by the arrow keys, as a user would.
void pickEntry(QComboBox* box, const QString& text) {
    const int target = box->findText(text);
    QVERIFY2(target >= 0, qPrintable(text));
    box->setFocus();
    while (box->currentIndex() < target)
        QTest::keyClick(box, Qt::Key_Down);
    while (box->currentIndex() > target)
        QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(box->currentText(), text);
}

void typeNumber(QSpinBox* box, const QString& digits) {
    box->selectAll();
    QTest::keyClicks(box, digits);
}

QStringList logRows(const MessageLog* log) {
    QStringList rows;
    for (int row = 0; row < log->rowCount(); ++row)
        rows.append(log->index(row, MessageLog::ModeColumn).data().toString() + QLatin1Char(' ') +
                    log->index(row, MessageLog::ParameterColumn).data().toString());
    return rows;
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void composeStoreRunAndFindAgain();

private:
    std::unique_ptr<MainWindow> startProgram();
    void showTab(MainWindow& window, int index);

    TestFolders m_folders;
    ScriptedDialogs m_dialogs;
};

std::unique_ptr<MainWindow> EndToEndTest::startProgram() {
    auto window = std::make_unique<MainWindow>(
        MainWindowEnvironment{m_folders.settings(), QStringLiteral(TELVANE_PROGRAM_DIR), &m_dialogs});
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("the main window did not become active");
    return window;
}

void EndToEndTest::showTab(MainWindow& window, int index) {
    QTabBar* bar = window.ui().SSTab1->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    QCOMPARE(window.ui().SSTab1->currentIndex(), index);
}

void EndToEndTest::composeStoreRunAndFindAgain() {
    Simulator simulator;
    const quint16 port = simulator.start();
    QVERIFY2(port != 0, qPrintable(simulator.output()));

    // An empty settings folder but for where the device software is.
    QVERIFY(QDir(m_folders.settings()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    const QString ini = m_folders.settings() + QStringLiteral("Setup.ini");
    QVERIFY(WriteProfileValue(QStringLiteral("SETTINGS"), QStringLiteral("Name"), QStringLiteral("127.0.0.1"),
                              ini));
    QVERIFY(
        WriteProfileValue(QStringLiteral("SETTINGS"), QStringLiteral("Port"), QString::number(port), ini));

    std::unique_ptr<MainWindow> window = startProgram();
    const MainWindowUi& ui = window->ui();
    QTRY_COMPARE_WITH_TIMEOUT(ui.labState->text(), QStringLiteral("Zustand: Verbunden."), Timeout);

    // Compose on the editor tab: two commands through the assistant, one typed by hand.
    showTab(*window, 2);
    whenModalOpens([](QWidget* dialog) {
        pickEntry(child<QComboBox>(dialog, "cboCommand"), QStringLiteral("Messbetrieb starten (SM 1)"));
        QTest::mouseClick(child<QPushButton>(dialog, "cmdNext"), Qt::LeftButton);
    });
    QTest::mouseClick(ui.cmdCreateCommand2, Qt::LeftButton);
    QCOMPARE(ui.lstCommands->topLevelItemCount(), 1);

    whenModalOpens([](QWidget* dialog) {
        pickEntry(child<QComboBox>(dialog, "cboCommand"), QStringLiteral("Messprogramm einstellen (SP)"));
        auto* next = child<QPushButton>(dialog, "cmdNext");
        auto* value = child<QSpinBox>(dialog, "cwnValue");
        QTest::mouseClick(next, Qt::LeftButton);
        typeNumber(value, QStringLiteral("1"));
        QTest::mouseClick(next, Qt::LeftButton);
        typeNumber(value, QStringLiteral("3"));
        QTest::mouseClick(next, Qt::LeftButton);
    });
    QTest::mouseClick(ui.cmdCreateCommand2, Qt::LeftButton);
    QCOMPARE(ui.lstCommands->topLevelItemCount(), 2);

    m_dialogs.inputAnswers = {QStringLiteral("GM")};
    QTest::mouseClick(ui.cmdCreateManualCommand, Qt::LeftButton);

    const Script composed{{QStringLiteral("SM 1"), QStringLiteral("Messbetrieb starten (SM 1)")},
                          {QStringLiteral("SP 1 3"), QStringLiteral("Messprogramm einstellen (SP)")},
                          {QStringLiteral("GM"), QString()}};
    QCOMPARE(ui.lstCommands->topLevelItemCount(), 3);
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(ui.lstCommands->topLevelItem(row)->text(0), composed.at(row).command);
        QCOMPARE(ui.lstCommands->topLevelItem(row)->text(1), composed.at(row).description);
    }

    const QString caption = QStringLiteral("Programm drei");
    const QString note = QStringLiteral("Messbetrieb starten, Programm 3 einstellen, Zustand abfragen");
    QTest::keyClicks(ui.txtLabel, caption);
    QTest::keyClicks(ui.txtNote, note);

    // Store into slot 3: "Speichern -->", then the blinking choice button.
    QTest::mouseClick(ui.cmdSave, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(ui.cmdF[2]->isEnabled(), Timeout);
    QTest::mouseClick(ui.cmdF[2], Qt::LeftButton);
    QCOMPARE(ui.cmdF[2]->text(), QStringLiteral("Programm d..."));

    // Run it with F3 on the quick-dial tab. The keys go to the active window; the offscreen platform gives
    // no window the focus back when a dialog closes, as a window manager would.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    showTab(*window, 3);
    QCOMPARE(ui.cmdCommand[2]->text(), caption);
    QCOMPARE(ui.txtCommandDescript[2]->toPlainText(), note);
    QVERIFY(simulator.exchange().isEmpty());
    QTest::keyClick(window.get(), Qt::Key_F3);

    // Each command reached the simulator after the reply to the one before, and the log shows both sides.
    const QStringList expected{QStringLiteral("<- SM 1"),   QStringLiteral("-> SM 1: OK"),
                               QStringLiteral("<- SP 1 3"), QStringLiteral("-> SP: OK"),
                               QStringLiteral("<- GM"),     QStringLiteral("-> GM: 1")};
    QTRY_COMPARE_WITH_TIMEOUT(simulator.exchange(), expected, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(logRows(window->commandLine()->log()),
                              (QStringList{QStringLiteral("Set SM 1"), QStringLiteral("Get SM 1: OK\r\n"),
                                           QStringLiteral("Set SP 1 3"), QStringLiteral("Get SP: OK\r\n"),
                                           QStringLiteral("Set GM"), QStringLiteral("Get GM: 1\r\n")}),
                              Timeout);
    QVERIFY(ui.labCommandScriptCompleted->isVisible());
    QCOMPARE(ui.labCommandScriptCompleted->text(), QStringLiteral("Befehlsablauf wurde ausgeführt."));
    QVERIFY(ui.prgProgress->isHidden());

    QTest::mouseClick(ui.cmdQuit, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), Timeout);
    window.reset();
    QVERIFY(m_dialogs.calls.size() == 1 && m_dialogs.calls.first().kind == QLatin1String("input"));

    // Start again: slot 3 is there as it was stored, on the tab the program was left on.
    window = startProgram();
    const MainWindowUi& again = window->ui();
    QCOMPARE(again.SSTab1->currentIndex(), 3);
    QCOMPARE(again.cmdCommand[2]->text(), caption);
    QCOMPARE(again.cmdF[2]->text(), QStringLiteral("Programm d..."));
    QCOMPARE(again.txtCommandDescript[2]->toPlainText(), note);

    // Its commands and their descriptions, as the viewer shows them on a double-click.
    QStringList viewed;
    whenModalOpens([&viewed](QWidget* viewer) {
        auto* list = child<QTreeWidget>(viewer, "lstCommands");
        for (int row = 0; list && row < list->topLevelItemCount(); ++row)
            viewed << list->topLevelItem(row)->text(0) << list->topLevelItem(row)->text(1);
        QTest::mouseClick(child<QPushButton>(viewer, "cmdQuit"), Qt::LeftButton);
    });
    QTest::mouseDClick(again.txtCommandDescript[2]->viewport(), Qt::LeftButton);
    QStringList expectedRows;
    for (const ScriptLine& line : composed)
        expectedRows << line.command << line.description;
    QCOMPARE(viewed, expectedRows);
    QCOMPARE(window->quickDial()->slotAt(3).lines, composed);
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
