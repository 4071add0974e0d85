// The whole mission as a user goes through it, against the device simulator: connect, compose a script with
// the assistant and by hand, store it in slot 3, run it with F3 on the quick-dial tab, quit, start again and
// find the slot as it was.

#include "support/GuiSupport.h"

#include "core/link/MessageLog.h"
#include "core/link/Session.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void composeStoreRunAndFindAgain();
};

void EndToEndTest::composeStoreRunAndFindAgain() {
    // The simulator on a free port; its trace shows "<- command" and "-> reply" as they happen.
    QByteArray trace;
    QProcess simulator;
    connect(&simulator, &QProcess::readyReadStandardOutput, &simulator,
            [&] { trace += simulator.readAllStandardOutput(); });
    simulator.start(QStringLiteral(TELVANE_DEVSIM_PATH), {u"--port"_s, u"0"_s, u"--device"_s, u"0"_s});
    QTRY_VERIFY_WITH_TIMEOUT(trace.contains("\nready:"), Timeout);
    const auto exchange = [&] {
        QStringList lines;
        for (const auto& m :
             QRegularExpression(u"^\\S+ #\\d+ ((?:<-|->) .*?)\\s*$"_s, QRegularExpression::MultilineOption)
                 .globalMatch(QString::fromUtf8(trace)))
            lines << m.captured(1);
        return lines;
    };
    const QString port = QRegularExpression(u"listening on 127\\.0\\.0\\.1:(\\d+)"_s)
                             .match(QString::fromUtf8(trace))
                             .captured(1);

    // The settings of a first start but for where the device software is.
    WindowHarness h(
        {{u"Language"_s, u"0"_s}, {u"Connect"_s, u"1"_s}, {u"Name"_s, u"127.0.0.1"_s}, {u"Port"_s, port}});
    h.open();
    QTRY_COMPARE_WITH_TIMEOUT(h.find<QLabel>("labState")->text(), u"Zustand: Verbunden."_s, Timeout);

    // Two commands through the assistant, one typed by hand.
    h.showTab(2);
    {
        // The assistant opens on the entry chosen last: first "SM 1", then "SP" with two numbers.
        ModalHandler assistant([](QWidget* dialog) {
            auto* list = dialog->findChild<QComboBox*>(u"cboCommand"_s);
            const bool first = list->currentIndex() == 0;
            QTest::keyClick(list, Qt::Key_Down);
            if (!first)
                QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(list->currentText(),
                     first ? u"Messbetrieb starten (SM 1)"_s : u"Messprogramm einstellen (SP)"_s);
            QTest::keyClick(list, Qt::Key_Return);
            auto* value = dialog->findChild<QSpinBox*>(u"cwnValue"_s);
            for (const char* number : {"1", "3"}) {
                if (first)
                    break;
                value->selectAll();
                QTest::keyClicks(value, QLatin1String(number));
                QTest::keyClick(value, Qt::Key_Return);
            }
        });
        QTest::mouseClick(h.find<QPushButton>("cmdCreateCommand2"), Qt::LeftButton);
        QTest::mouseClick(h.find<QPushButton>("cmdCreateCommand2"), Qt::LeftButton);
    }
    h.dialogs.inputAnswers = {u"GM"_s};
    QTest::mouseClick(h.find<QPushButton>("cmdCreateManualCommand"), Qt::LeftButton);
    const QStringList composed{u"SM 1|Messbetrieb starten (SM 1)"_s, u"SP 1 3|Messprogramm einstellen (SP)"_s,
                               u"GM|"_s};
    auto rows = [](QTreeWidget* list) {
        QStringList shown;
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            shown << list->topLevelItem(row)->text(0) + u'|' + list->topLevelItem(row)->text(1);
        return shown;
    };
    QCOMPARE(rows(h.find<QTreeWidget>("lstCommands")), composed);
    const QString caption = u"Programm drei"_s;
    const QString note = u"Messbetrieb starten, Programm 3 einstellen, Zustand abfragen"_s;
    QTest::keyClicks(h.find<QLineEdit>("txtLabel"), caption);
    QTest::keyClicks(h.find<QPlainTextEdit>("txtNote"), note);

    // Stored into slot 3 with "Speichern -->" and the blinking choice button.
    QTest::mouseClick(h.find<QPushButton>("cmdSave"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(h.find<QPushButton>("cmdF3")->isEnabled(), Timeout);
    QTest::mouseClick(h.find<QPushButton>("cmdF3"), Qt::LeftButton);
    QCOMPARE(h.find<QPushButton>("cmdF3")->text(), u"Programm d..."_s);

    // Run with F3 on the quick-dial tab. The offscreen platform gives no window the focus back when a
    // dialog closes, as a window manager would.
    h.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
    h.showTab(3);
    QCOMPARE(h.find<QPushButton>("cmdCommand3")->text() + u'|' +
                 h.find<QPlainTextEdit>("txtCommandDescript3")->toPlainText(),
             caption + u'|' + note);
    QVERIFY(exchange().isEmpty());
    QTest::keyClick(h.window.get(), Qt::Key_F3);

    // Each command reached the simulator after the reply to the one before, and the log shows both sides.
    QTRY_COMPARE_WITH_TIMEOUT(exchange(),
                              (QStringList{u"<- SM 1"_s, u"-> SM 1: OK"_s, u"<- SP 1 3"_s, u"-> SP: OK"_s,
                                           u"<- GM"_s, u"-> GM: 1"_s}),
                              Timeout);
    MessageLog* log = h.window->session()->log();
    QTRY_COMPARE_WITH_TIMEOUT(log->rowCount(), 6, Timeout);
    QStringList logged;
    for (int row = 0; row < log->rowCount(); ++row)
        logged << log->index(row, MessageLog::ModeColumn).data().toString() + u' ' +
                      log->index(row, MessageLog::ParameterColumn).data().toString();
    QCOMPARE(logged, (QStringList{u"Set SM 1"_s, u"Get SM 1: OK\r\n"_s, u"Set SP 1 3"_s, u"Get SP: OK\r\n"_s,
                                  u"Set GM"_s, u"Get GM: 1\r\n"_s}));
    QVERIFY(h.find<QLabel>("labCommandScriptCompleted")->isVisible());
    QCOMPARE(h.find<QLabel>("labCommandScriptCompleted")->text(), u"Befehlsablauf wurde ausgeführt."_s);
    QVERIFY(h.find<QProgressBar>("prgProgress")->isHidden());
    QCOMPARE(h.find<QLineEdit>("txtSend")->text(), u"GM"_s);

    QTest::mouseClick(h.find<QPushButton>("cmdQuit"), Qt::LeftButton);
    QVERIFY(!h.window->isVisible());
    h.close();
    QCOMPARE(h.dialogs.calls.size(), 1);

    // Started again: slot 3 is there as it was stored, on the tab the program was left on; its commands show
    // in the viewer on a double-click, which opens nothing for an empty slot.
    h.open();
    QCOMPARE(h.find<QTabWidget>("SSTab1")->currentIndex(), 3);
    QCOMPARE(h.find<QPushButton>("cmdF3")->text() + u'|' + h.find<QPushButton>("cmdCommand3")->text() + u'|' +
                 h.find<QPlainTextEdit>("txtCommandDescript3")->toPlainText(),
             u"Programm d...|"_s + caption + u'|' + note);
    QStringList viewed;
    ModalHandler viewer([&](QWidget* dialog) {
        viewed << dialog->windowTitle() + u'|' + dialog->findChild<QPushButton*>(u"cmdQuit"_s)->text();
        viewed << rows(dialog->findChild<QTreeWidget*>(u"lstCommands"_s));
        QTest::mouseClick(dialog->findChild<QPushButton*>(u"cmdQuit"_s), Qt::LeftButton);
    });
    for (const char* box : {"txtCommandDescript2", "txtCommandDescript3"})
        QTest::mouseDClick(h.find<QPlainTextEdit>(box)->viewport(), Qt::LeftButton);
    QCOMPARE(viewer.opened, 1);
    QCOMPARE(viewed, QStringList{u"Befehlsablauf anzeigen|Beenden"_s} + composed);
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
