// The whole mission as a user goes through it, against the device simulator: connect, compose a script with
// the assistant and by hand, store it in slot 3, run it with F3 on the quick-dial tab, quit, start again and
// find the slot as it was.

#include "support/GuiSupport.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void composeStoreRunAndFindAgain();
};

void EndToEndTest::composeStoreRunAndFindAgain() {
    // The simulator on a free port; its trace shows each command and reply ("<- SM 1", "-> SM 1: OK") as they
    // happen.
    QString trace;
    QProcess simulator;
    connect(&simulator, &QProcess::readyReadStandardOutput, &simulator,
            [&] { trace += QString::fromUtf8(simulator.readAllStandardOutput()); });
    simulator.start(QStringLiteral(TELVANE_DEVSIM_PATH), {u"--port"_s, u"0"_s, u"--device"_s, u"0"_s});
    QTRY_VERIFY_WITH_TIMEOUT(trace.contains(u"\nready:"_s), Timeout);
    const QString port =
        QRegularExpression(u"listening on 127\\.0\\.0\\.1:(\\d+)"_s).match(trace).captured(1);
    WindowHarness h(
        {{u"Language"_s, u"0"_s}, {u"Connect"_s, u"1"_s}, {u"Name"_s, u"127.0.0.1"_s}, {u"Port"_s, port}});
    h.open();
    QTRY_COMPARE_WITH_TIMEOUT(h.text("labState"), u"Zustand: Verbunden."_s, Timeout);

    // Composed on the editor tab: a command of the assistant, which offers no queries there, and two by hand.
    h.showTab(2);
    {
        ModalHandler assistant([](QWidget* dialog) {
            auto* list = dialog->findChild<QComboBox*>(u"cboCommand"_s);
            QCOMPARE(list->count(), 10);
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Return);
        });
        h.click("cmdCreateCommand2");
    }
    h.dialogs.inputAnswers = {u"SP 1 3"_s, u"GM"_s};
    h.click("cmdCreateManualCommand");
    h.click("cmdCreateManualCommand");
    QTest::keyClicks(h.find<QLineEdit>("txtLabel"), u"Programm drei"_s);
    QTest::keyClicks(h.find<QPlainTextEdit>("txtNote"), u"SM 1, SP 1 3, GM"_s);

    // Stored into slot 3 with "Speichern -->" and the blinking choice button.
    h.click("cmdSave");
    QTRY_VERIFY_WITH_TIMEOUT(h.find<QPushButton>("cmdF3")->isEnabled(), Timeout);
    h.click("cmdF3");

    // Run with F3 on the quick-dial tab. The offscreen platform gives no window the focus back when a
    // dialog closes, as a window manager would.
    h.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
    h.showTab(3);
    QTest::keyClick(h.window.get(), Qt::Key_F3);
    // Each command reached the simulator after the reply to the one before.
    const QRegularExpression exchange(u"<- SM 1.*-> SM 1: OK.*<- SP 1 3.*-> SP: OK.*<- GM.*-> GM: 1"_s,
                                      QRegularExpression::DotMatchesEverythingOption);
    QTRY_VERIFY_WITH_TIMEOUT(exchange.match(trace).hasMatch(), Timeout);
    QCOMPARE(h.texts({"labCommandScriptCompleted", "txtSend"}), u"Befehlsablauf ausgeführt, 3 Befehle.|GM"_s);
    QVERIFY(h.find<QWidget>("labCommandScriptCompleted")->isVisible());
    h.click("cmdQuit");
    QVERIFY(!h.window->isVisible());
    h.close();

    // Started again: slot 3 is there as it was stored, on the tab the program was left on; its commands show
    // in the viewer on a double-click, which opens nothing for an empty slot. Esc closes it.
    h.open();
    QCOMPARE(h.tab(), 3);
    QCOMPARE(h.texts({"cmdF3", "cmdCommand3", "txtCommandDescript3"}),
             u"Programm d...|Programm drei|SM 1, SP 1 3, GM"_s);
    QStringList viewed;
    ModalHandler viewer([&](QWidget* dialog) {
        auto* list = dialog->findChild<QTreeWidget*>(u"lstCommands"_s);
        viewed << dialog->windowTitle() << dialog->findChild<QPushButton*>(u"cmdQuit"_s)->text();
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            viewed << list->topLevelItem(row)->text(0) << list->topLevelItem(row)->text(1);
        QTest::keyClick(list, Qt::Key_Escape);
        viewed << (dialog->isVisible() ? u"open"_s : u"closed by Esc"_s);
    });
    QTest::mouseDClick(h.find<QPlainTextEdit>("txtCommandDescript2")->viewport(), Qt::LeftButton);
    QTest::mouseDClick(h.find<QPlainTextEdit>("txtCommandDescript3")->viewport(), Qt::LeftButton);
    QCOMPARE(viewer.opened, 1);
    QCOMPARE(viewed.join(u'|'),
             u"Befehlsablauf anzeigen|Beenden|SM 1|Messbetrieb starten (SM 1)|SP 1 3||GM||closed by Esc"_s);
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
