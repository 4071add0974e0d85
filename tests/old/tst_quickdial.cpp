// The quick-dial memory on the real main window: store, fetch and delete through the mode buttons and the
// slot buttons, the mode state table, the checks of "Speichern -->", the blinking of the choice buttons, what
// a slot's buttons show, and the viewer that a double-click on a slot's description opens.

#include "testsupport.h"

#include "gui/MainWindow.h"
#include "core/texts/Texts.h"
#include "gui/QuickDial.h"
#include "gui/ScriptEditor.h"
#include "gui/ScriptViewer.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

using Modes = QList<bool>; // store, fetch, delete pending

Script sampleScript() {
    return {{QStringLiteral("SM 1"), QStringLiteral("Messbetrieb starten")},
            {QStringLiteral("SP 1 3"), QString()},
            {QStringLiteral("QM 0"), QStringLiteral("Messbetrieb beenden")}};
}

// What a tooltip shows: Qt takes it as rich text when it looks like markup.
QString shownToolTip(const QString& tip) {
    QTextDocument document;
    document.setHtml(tip);
    return Qt::mightBeRichText(tip) ? document.toPlainText() : tip;
}

} // namespace

class QuickDialTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void storeShowsCaption_data();
    void storeShowsCaption();
    void deleteAsks_data();
    void deleteAsks();
    void modeStateTable_data();
    void modeStateTable();
    void fetchWinsOverStoreOverDelete();
    void saveChecksInOrder();
    void saveRefusesSeparator();
    void saveRefusesCharactersTheFileCannotHold_data();
    void saveRefusesCharactersTheFileCannotHold();
    void blinking();
    void runAndBusy();
    void viewerShowsSlotCommands();
    void viewerOpensNothingForEmptySlots();

private:
    QPushButton* choice(int n) const { return m_window->ui().cmdF[std::size_t(n - 1)]; }
    QPushButton* run(int n) const { return m_window->ui().cmdCommand[std::size_t(n - 1)]; }
    QPlainTextEdit* descriptionBox(int n) const {
        return m_window->ui().txtCommandDescript[std::size_t(n - 1)];
    }
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void fillEditor(const Script& script, const QString& label, const QString& note) {
        m_editor->setScript(script);
        m_window->ui().txtLabel->setText(label);
        m_window->ui().txtNote->setPlainText(note);
    }
    void pressChoice(int n) {
        // The window's timer would enable the choice buttons within 300 ms; the test ticks at once.
        m_quickDial->blinkTick();
        QVERIFY(choice(n)->isEnabled());
        click(choice(n));
    }
    // Presses "Speichern -->" with a valid editor, lets the choice buttons come on and presses slot n.
    void storeInto(int n, const QString& label, const QString& note = QStringLiteral("Note")) {
        fillEditor(sampleScript(), label, note);
        click(m_window->ui().cmdSave);
        pressChoice(n);
    }
    Modes modes() const {
        return {m_quickDial->storePending(), m_quickDial->fetchPending(), m_quickDial->deletePending()};
    }
    // What the viewer showed, read while it runs and closed with its own button; empty when none opened:
    // name and title, header, quit button caption, the rows as "command|description", "closed".
    // Opens the viewer of slot n and reads it; it is closed with its button or, closeByEsc, with Esc.
    QStringList doubleClickDescription(int n, bool closeByEsc = false);

    std::unique_ptr<TestFolders> m_folders;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<MainWindow> m_window;
    ScriptEditor* m_editor = nullptr;
    QuickDial* m_quickDial = nullptr;
};

void QuickDialTest::init() {
    m_folders = std::make_unique<TestFolders>();
    m_dialogs = ScriptedDialogs{};
    m_window = std::make_unique<MainWindow>(
        MainWindowEnvironment{m_folders->settings(), m_folders->program(), &m_dialogs});
    m_editor = m_window->scriptEditor();
    m_quickDial = m_window->quickDial();
    m_window->ui().SSTab1->setCurrentIndex(QuickDial::EditorTab);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void QuickDialTest::cleanup() {
    m_window.reset();
    m_folders.reset();
    SetLanguageOffset(0);
}

QStringList QuickDialTest::doubleClickDescription(int n, bool closeByEsc) {
    QStringList seen;
    // The viewer runs its own event loop; the poll runs inside it and only there.
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* viewer = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!viewer || !seen.isEmpty())
            return;
        seen << viewer->objectName() + QLatin1Char(' ') + viewer->windowTitle();
        auto* list = viewer->findChild<QTreeWidget*>(QStringLiteral("lstCommands"));
        auto* quit = viewer->findChild<QPushButton*>(QStringLiteral("cmdQuit"));
        seen << list->headerItem()->text(0) + QLatin1Char('|') + list->headerItem()->text(1) << quit->text();
        for (int r = 0; r < list->topLevelItemCount(); ++r)
            seen << list->topLevelItem(r)->text(0) + QLatin1Char('|') + list->topLevelItem(r)->text(1);
        if (closeByEsc)
            QTest::keyClick(list, Qt::Key_Escape);
        else
            QTest::mouseClick(quit, Qt::LeftButton);
        if (viewer->isVisible())
            viewer->reject(); // neither closed it: fail below, but do not hang
        else
            seen << QStringLiteral("closed");
    });
    poll.start();
    QTest::mouseDClick(descriptionBox(n)->viewport(), Qt::LeftButton);
    return seen;
}

void QuickDialTest::storeShowsCaption_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("choiceCaption");
    QTest::newRow("long") << QStringLiteral("Messbetrieb starten") << QStringLiteral("Messbetrie...");
    QTest::newRow("short") << QStringLiteral("Abc1") << QStringLiteral("Abc1...");
    // User texts are shown as typed, never as markup.
    QTest::newRow("markup") << QStringLiteral("<b>x</b>") << QStringLiteral("<b>x</b>...");
}

void QuickDialTest::storeShowsCaption() {
    QFETCH(QString, caption);
    QFETCH(QString, choiceCaption);
    const QString note = QStringLiteral("<i>Startet</i> den Messbetrieb");
    storeInto(3, caption, note);

    QCOMPARE(choice(3)->text(), choiceCaption);
    QCOMPARE(shownToolTip(choice(3)->toolTip()), QStringLiteral("Bezeichnung: ") + caption);
    QCOMPARE(run(3)->text(), caption);
    QCOMPARE(descriptionBox(3)->toPlainText(), note);
    QCOMPARE(m_quickDial->slotAt(3), (QuickDialSlot{caption, note, sampleScript()}));
    QCOMPARE(modes(), (Modes{false, false, false}));
    // The other slots and the editor are untouched.
    QCOMPARE(choice(2)->text(), QStringLiteral("[Leer]"));
    QCOMPARE(m_editor->script(), sampleScript());
    // Still enabled until the next tick; then off, as no mode is pending.
    QVERIFY(choice(3)->isEnabled());
    m_quickDial->blinkTick();
    QVERIFY(!choice(3)->isEnabled());
}

void QuickDialTest::deleteAsks_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

void QuickDialTest::deleteAsks() {
    QFETCH(bool, yes);
    storeInto(4, QStringLiteral("Vier"));
    const QuickDialSlot before = m_quickDial->slotAt(4);
    m_dialogs.questionAnswers.append(yes);
    click(m_window->ui().cmdDeleteScript);
    QCOMPARE(modes(), (Modes{false, false, true}));
    pressChoice(4);

    QCOMPARE(m_dialogs.calls.size(), 1);
    QCOMPARE(m_dialogs.calls.at(0).kind, QStringLiteral("question"));
    QCOMPARE(m_dialogs.calls.at(0).title, QStringLiteral("L\u00f6schen"));
    QCOMPARE(
        m_dialogs.calls.at(0).text,
        QStringLiteral("M\u00f6chten Sie den Befehlsablauf des Speicherplatzes [F4] wirklich l\u00f6schen?"));
    QCOMPARE(modes(), (Modes{false, false, false}));
    QCOMPARE(m_quickDial->slotAt(4), yes ? QuickDialSlot{} : before);
    QCOMPARE(choice(4)->text(), yes ? QStringLiteral("[Leer]") : QStringLiteral("Vier..."));
    QCOMPARE(run(4)->text(), yes ? QString() : QStringLiteral("Vier"));
    QCOMPARE(descriptionBox(4)->toPlainText(), yes ? QString() : QStringLiteral("Note"));
}

void QuickDialTest::modeStateTable_data() {
    QTest::addColumn<QString>("steps"); // S save, G get, D delete, 0-3 tab change
    QTest::addColumn<Modes>("expected");
    QTest::newRow("save") << QStringLiteral("S") << Modes{true, false, false};
    QTest::newRow("save twice cancels") << QStringLiteral("SS") << Modes{false, false, false};
    QTest::newRow("get twice cancels") << QStringLiteral("GG") << Modes{false, false, false};
    QTest::newRow("get after save") << QStringLiteral("SG") << Modes{false, true, false};
    QTest::newRow("delete keeps store") << QStringLiteral("SD") << Modes{true, false, true};
    QTest::newRow("tab 3 keeps") << QStringLiteral("SD3") << Modes{true, false, true};
    QTest::newRow("tab 1 clears") << QStringLiteral("GD1") << Modes{false, false, false};
    QTest::newRow("back to tab 2 clears") << QStringLiteral("SD32") << Modes{false, false, false};
}

void QuickDialTest::modeStateTable() {
    QFETCH(QString, steps);
    QFETCH(Modes, expected);
    const MainWindowUi& ui = m_window->ui();
    fillEditor(sampleScript(), QStringLiteral("Label"), QStringLiteral("Note"));
    for (const QChar step : steps) {
        if (step.isDigit())
            ui.SSTab1->setCurrentIndex(step.digitValue());
        else
            click(step == QLatin1Char('S')   ? ui.cmdSave
                  : step == QLatin1Char('G') ? ui.cmdGetCommand
                                             : ui.cmdDeleteScript);
    }
    QCOMPARE(modes(), expected);
    QVERIFY(m_dialogs.calls.isEmpty());
}

void QuickDialTest::fetchWinsOverStoreOverDelete() {
    const MainWindowUi& ui = m_window->ui();
    // A caption from a file may be longer than the 40 characters typing is held to.
    const QString caption = QStringLiteral("Messbetrieb starten, Programm 3, Zustand abfragen (Linie 2)");
    QuickDialSlots memory{};
    memory[0] = {caption, QStringLiteral("Drei Befehle"), sampleScript()};
    m_quickDial->loadSlots(memory);

    // Fetch and delete pending: the fetch is carried out, from the quick-dial tab too, without a question;
    // its switch to the editor tab ends the delete.
    fillEditor({{QStringLiteral("XX"), QString()}}, QStringLiteral("other"), QStringLiteral("n"));
    click(ui.cmdGetCommand);
    click(ui.cmdDeleteScript);
    ui.SSTab1->setCurrentIndex(QuickDial::QuickDialTab);
    run(1)->setEnabled(true); // the link refresh does this once the link is usable
    click(run(1));
    QCOMPARE(m_editor->script(), sampleScript());
    QCOMPARE(m_editor->label(), caption);
    QCOMPARE(m_editor->note(), QStringLiteral("Drei Befehle"));
    QCOMPARE(ui.SSTab1->currentIndex(), QuickDial::EditorTab);
    QCOMPARE(modes(), (Modes{false, false, false}));
    QVERIFY(m_dialogs.calls.isEmpty());

    // Store and delete pending: the store is carried out, the delete stays pending. The fetched slot is
    // stored whole.
    click(ui.cmdDeleteScript);
    click(ui.cmdSave);
    pressChoice(2);
    QCOMPARE(m_quickDial->slotAt(2), memory[0]);
    QCOMPARE(modes(), (Modes{false, false, true}));
    QVERIFY(m_dialogs.calls.isEmpty());

    // Then the delete.
    m_dialogs.questionAnswers.append(true);
    pressChoice(2);
    QCOMPARE(m_dialogs.calls.size(), 1);
    QCOMPARE(run(2)->text(), QString());
    QCOMPARE(modes(), (Modes{false, false, false}));
}

void QuickDialTest::saveChecksInOrder() {
    const MainWindowUi& ui = m_window->ui();
    const QList<QPair<QString, QWidget*>> messages{
        {QStringLiteral("Sie m\u00fcssen mindestens einen Befehl in die Liste hinzuf\u00fcgen!"),
         ui.lstCommands},
        {QStringLiteral("Sie m\u00fcssen einen Beschreibungstext zu den erstellten Befehlen eingeben!"),
         ui.txtNote},
        {QStringLiteral("Sie m\u00fcssen eine Bezeichnung zu den erstellten Befehlen eingeben!"),
         ui.txtLabel}};

    // Everything missing: only the first message, with the focus where to fix it. Then one fix after another.
    fillEditor({}, QString(), QString());
    for (qsizetype step = 0; step < messages.size(); ++step) {
        ui.cmdSave->setFocus();
        click(ui.cmdSave);
        QCOMPARE(m_dialogs.calls.size(), step + 1);
        QCOMPARE(m_dialogs.calls.last().kind, QStringLiteral("warning"));
        QCOMPARE(m_dialogs.calls.last().text, messages.at(step).first);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), messages.at(step).second, 10000);
        QCOMPARE(modes(), (Modes{false, false, false}));
        if (step == 0)
            m_editor->setScript(sampleScript());
        else
            ui.txtNote->setPlainText(QStringLiteral(" "));
    }
    ui.txtLabel->setText(QStringLiteral("L"));
    click(ui.cmdSave);
    QCOMPARE(m_dialogs.calls.size(), 3);
    QCOMPARE(modes(), (Modes{true, false, false}));
}

void QuickDialTest::saveRefusesSeparator() {
    // Caption and description may hold it: they are not joined in the file.
    const Script script{{QStringLiteral("SM 1"), QStringLiteral("start")},
                        {QStringLiteral("SP 1"), QStringLiteral("Nr. #3")}};
    fillEditor(script, QStringLiteral("#1"), QStringLiteral("#2"));
    m_window->ui().cmdSave->setFocus();
    click(m_window->ui().cmdSave);

    QCOMPARE(m_dialogs.calls.size(), 1);
    QCOMPARE(m_dialogs.calls.at(0).title, QStringLiteral("Unzul\u00e4ssiges Zeichen"));
    QVERIFY(m_dialogs.calls.at(0).text.contains(QStringLiteral("\"#\"")));
    QCOMPARE(modes(), (Modes{false, false, false}));
    QTreeWidget* list = m_window->ui().lstCommands;
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), list, 10000);
    QCOMPARE(list->currentItem(), list->topLevelItem(1));
    QVERIFY(list->currentItem()->isSelected());
    QCOMPARE(m_editor->script(), script);
}

void QuickDialTest::saveRefusesCharactersTheFileCannotHold_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("named"); // in the message
    const QString omega = QStringLiteral("\u03a9");
    const QString gm = QStringLiteral("GM");
    const QString l = QStringLiteral("L");
    const QString n = QStringLiteral("N");
    const QString codePage = QStringLiteral("Windows-1252");
    // Windows-1252 has the euro sign and umlauts; a Greek letter would come back from the file as '?'.
    QTest::newRow("command") << QStringLiteral("XC 1 ") + omega << QString() << l << n << codePage;
    QTest::newRow("caption") << gm << QString() << omega << n << codePage;
    QTest::newRow("description") << gm << QString() << l << omega << codePage;
    // A line break would end the value in the file, and 0x14 is taken out of commands on loading.
    QTest::newRow("LF in command") << QStringLiteral("SM\n1") << QString() << l << n
                                   << QStringLiteral("LF (0x0A)");
    QTest::newRow("CR in description")
        << gm << QStringLiteral("a\rb") << l << n << QStringLiteral("CR (0x0D)");
    QTest::newRow("0x14 in command") << QStringLiteral("S\x14M 1") << QString() << l << n
                                     << QStringLiteral("0x14");
    QTest::newRow("LF in caption") << gm << QString() << QStringLiteral("a\nb") << n
                                   << QStringLiteral("LF (0x0A)");
}

void QuickDialTest::saveRefusesCharactersTheFileCannotHold() {
    QFETCH(QString, command);
    QFETCH(QString, description);
    QFETCH(QString, label);
    QFETCH(QString, note);
    QFETCH(QString, named);
    fillEditor({{QStringLiteral("SM 1"), QStringLiteral("\u20ac \u00e4")}, {command, description}}, label,
               note);
    click(m_window->ui().cmdSave);
    QCOMPARE(m_dialogs.calls.size(), 1);
    QVERIFY2(m_dialogs.calls.at(0).text.contains(named), qPrintable(m_dialogs.calls.at(0).text));
    QCOMPARE(modes(), (Modes{false, false, false}));
}

void QuickDialTest::blinking() {
    auto colours = [this] {
        QList<QColor> result;
        for (int n = 1; n <= QuickDialSlotCount; ++n)
            result.append(choice(n)->isEnabled() ? choice(n)->palette().color(QPalette::Button) : Qt::black);
        return result;
    };
    const QColor normal = m_quickDial->normalColour();
    QVERIFY(normal != QuickDial::blinkColour());

    // Each tick turns all eight on and flips their colour while a mode is pending (black stands for "off").
    click(m_window->ui().cmdDeleteScript);
    for (const QColor expected : {QuickDial::blinkColour(), normal, QuickDial::blinkColour()}) {
        m_quickDial->blinkTick();
        QCOMPARE(colours(), QList<QColor>(QuickDialSlotCount, expected));
    }
    // Cancelled while green: normal and off at the next tick.
    click(m_window->ui().cmdDeleteScript);
    m_quickDial->blinkTick();
    QCOMPARE(colours(), QList<QColor>(QuickDialSlotCount, Qt::black));
    QCOMPARE(choice(1)->palette().color(QPalette::Button), normal);

    // The window's own timer drives the ticks.
    click(m_window->ui().cmdDeleteScript);
    QTRY_COMPARE_WITH_TIMEOUT(colours().at(7), QuickDial::blinkColour(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(colours().at(7), normal, 10000);
}

void QuickDialTest::runAndBusy() {
    bool busy = true;
    QList<int> runs;
    m_quickDial->setRunnerHooks({[&] { return busy; }, [](bool) {}, [&](int n) { runs.append(n); }});
    m_window->ui().SSTab1->setCurrentIndex(QuickDial::QuickDialTab);
    QLabel* notice = m_window->ui().labCommandScriptCompleted;
    run(5)->setEnabled(true); // the link refresh does this once the link is usable

    // No mode pending: a run button runs its slot, unless a script runs already; the notice goes either way.
    for (const bool running : {true, false}) {
        busy = running;
        notice->show();
        click(run(5));
        QVERIFY(notice->isHidden());
        QCOMPARE(runs, running ? QList<int>{} : QList<int>{5});
    }
}

void QuickDialTest::viewerShowsSlotCommands() {
    m_window->ui().SSTab1->setCurrentIndex(QuickDial::QuickDialTab);
    QuickDialSlots memory{};
    memory[2] = {QStringLiteral("Drei"),
                 QStringLiteral("Beschreibung"),
                 {{QStringLiteral("SM 1"), QStringLiteral("Start")},
                  {QStringLiteral("SP 1 3"), QString()},
                  {QStringLiteral("<b>QM</b> 0"), QStringLiteral("a & b")}}};
    m_quickDial->loadSlots(memory);
    QCOMPARE(doubleClickDescription(3),
             (QStringList{QStringLiteral("frmCommandList Befehlsablauf anzeigen"),
                          QStringLiteral("Befehl|Beschreibung"), QStringLiteral("Beenden"),
                          QStringLiteral("SM 1|Start"), QStringLiteral("SP 1 3|"),
                          QStringLiteral("<b>QM</b> 0|a & b"), QStringLiteral("closed")}));
    // The viewer leaves the slot alone and is gone after closing.
    QCOMPARE(m_quickDial->slotAt(3), memory[2]);
    QVERIFY(m_window->findChildren<ScriptViewer*>().isEmpty());

    SetLanguageOffset(10000);
    const QStringList english = doubleClickDescription(3, true);
    QCOMPARE(english.mid(0, 3), (QStringList{QStringLiteral("frmCommandList Show command script"),
                                             QStringLiteral("Command|Description"), QStringLiteral("Quit")}));
    QCOMPARE(english.constLast(), QStringLiteral("closed"));
}

void QuickDialTest::viewerOpensNothingForEmptySlots() {
    m_window->ui().SSTab1->setCurrentIndex(QuickDial::QuickDialTab);
    QuickDialSlots memory{};
    memory[0] = {QStringLiteral("Eins"), QString(), {{QStringLiteral("SM 1"), QString()}}};
    // A slot with a caption and a description but no commands is empty too.
    memory[1] = {QStringLiteral("Zwei"), QStringLiteral("Beschreibung"), {}};
    m_quickDial->loadSlots(memory);
    for (int n = 2; n <= QuickDialSlotCount; ++n)
        QVERIFY2(doubleClickDescription(n).isEmpty(), qPrintable(QString::number(n)));
    QVERIFY(!doubleClickDescription(1).isEmpty());
}

QTEST_MAIN(QuickDialTest)
#include "tst_quickdial.moc"
