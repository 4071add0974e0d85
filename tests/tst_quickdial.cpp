// The quick-dial memory on the real main window: store, fetch and delete through the mode buttons and the
// slot buttons, the mode state table, the checks of "Speichern -->", the blinking of the choice buttons and
// what a slot's buttons show.

#include "testsupport.h"

#include "app/MainWindow.h"
#include "app/Texts.h"
#include "scripts/QuickDial.h"
#include "scripts/ScriptEditor.h"

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

constexpr int English = 10000;

Script sampleScript() {
    return {{QStringLiteral("SM 1"), QStringLiteral("Messbetrieb starten")},
            {QStringLiteral("SP 1 3"), QString()},
            {QStringLiteral("QM 0"), QStringLiteral("Messbetrieb beenden")}};
}

// What a tooltip shows: Qt takes it as rich text when it looks like markup.
QString shownToolTip(const QString& tip) {
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

} // namespace

class QuickDialTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsWithEmptySlots();
    void storeShowsCaption_data();
    void storeShowsCaption();
    void storeFromQuickDialTab();
    void userTextsShowAsTyped_data();
    void userTextsShowAsTyped();
    void fetchIntoEditor();
    void fetchEmptySlots();
    void deleteAnsweredYes();
    void deleteAnsweredNo();
    void modeStateTable_data();
    void modeStateTable();
    void fetchWinsOverStoreOverDelete();
    void saveChecksInOrder();
    void saveRefusesSeparator_data();
    void saveRefusesSeparator();
    void storeRefusesSeparatorAddedAfterSave();
    void blinking();
    void blinksOnTheWindowTimer();
    void busyIgnoresSlotButtons();
    void runBranchCallsRunner();
    void loadSlotsDisplayRules();
    void loadSlotsTakesLanguageOfTheMoment();
    void manyCommandsRoundTrip();

private:
    QPushButton* button(const QString& name) const {
        auto* b = m_window->findChild<QPushButton*>(name);
        if (!b)
            qFatal("no button %s", qPrintable(name));
        return b;
    }
    QPushButton* choice(int n) const { return button(QStringLiteral("cmdF%1").arg(n)); }
    QPushButton* run(int n) const { return button(QStringLiteral("cmdCommand%1").arg(n)); }
    QPlainTextEdit* descriptionBox(int n) const {
        return m_window->findChild<QPlainTextEdit*>(QStringLiteral("txtCommandDescript%1").arg(n));
    }
    void click(const char* name) { QTest::mouseClick(button(QLatin1String(name)), Qt::LeftButton); }
    void fillEditor(const Script& script, const QString& label, const QString& note);
    // Presses "Speichern -->" with a valid editor, lets the choice buttons come on and presses slot n.
    void storeInto(int n, const Script& script, const QString& label, const QString& note);
    void pressChoice(int n);
    QList<bool> modes() const {
        return {m_quickDial->storePending(), m_quickDial->fetchPending(), m_quickDial->deletePending()};
    }

    std::unique_ptr<TestFolders> m_folders;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<MainWindow> m_window;
    ScriptEditor* m_editor = nullptr;
    QuickDial* m_quickDial = nullptr;
};

void QuickDialTest::init() {
    m_folders = std::make_unique<TestFolders>();
    QVERIFY(m_folders->root.isValid());
    m_dialogs = ScriptedDialogs{};
    m_window = std::make_unique<MainWindow>(
        MainWindowEnvironment{m_folders->settings(), m_folders->program(), &m_dialogs});
    m_editor = m_window->scriptEditor();
    m_quickDial = m_window->quickDial();
    QVERIFY(m_editor && m_quickDial);
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

void QuickDialTest::fillEditor(const Script& script, const QString& label, const QString& note) {
    m_editor->setScript(script);
    m_window->ui().txtLabel->setText(label);
    m_window->ui().txtNote->setPlainText(note);
}

void QuickDialTest::pressChoice(int n) {
    // The window's timer would enable the choice buttons within 300 ms; the test ticks at once.
    m_quickDial->blinkTick();
    QVERIFY(choice(n)->isEnabled());
    QTest::mouseClick(choice(n), Qt::LeftButton);
}

void QuickDialTest::storeInto(int n, const Script& script, const QString& label, const QString& note) {
    fillEditor(script, label, note);
    click("cmdSave");
    QVERIFY(m_quickDial->storePending());
    pressChoice(n);
    QVERIFY(!m_quickDial->storePending());
}

void QuickDialTest::startsWithEmptySlots() {
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        QCOMPARE(choice(n)->text(), QStringLiteral("[Leer]"));
        QCOMPARE(run(n)->text(), QStringLiteral("[Leer]"));
        QVERIFY(choice(n)->toolTip().isEmpty());
        QVERIFY(!choice(n)->isEnabled());
        QVERIFY(descriptionBox(n)->toPlainText().isEmpty());
        QVERIFY(m_quickDial->slotAt(n).lines.isEmpty());
    }
    QCOMPARE(modes(), (QList<bool>{false, false, false}));
}

void QuickDialTest::storeShowsCaption_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("choiceCaption");

    QTest::newRow("long") << QStringLiteral("Messbetrieb starten") << QStringLiteral("Messbetrie...");
    QTest::newRow("exactly ten") << QStringLiteral("0123456789") << QStringLiteral("0123456789...");
    QTest::newRow("short") << QStringLiteral("Abc1") << QStringLiteral("Abc1...");
    QTest::newRow("forty") << QString(40, QLatin1Char('w'))
                           << QString(10, QLatin1Char('w')) + QStringLiteral("...");
    // A character of two UTF-16 units across the tenth place stays whole.
    QTest::newRow("wide character") << QStringLiteral("123456789\U0001F600xyz")
                                    << QStringLiteral("123456789\U0001F600...");
}

void QuickDialTest::storeShowsCaption() {
    QFETCH(QString, caption);
    QFETCH(QString, choiceCaption);
    const QString note = QStringLiteral("Startet den Messbetrieb mit Programm 3");
    storeInto(3, sampleScript(), caption, note);

    QCOMPARE(choice(3)->text(), choiceCaption);
    QCOMPARE(shownToolTip(choice(3)->toolTip()), QStringLiteral("Bezeichnung: ") + caption);
    QCOMPARE(run(3)->text(), caption);
    QCOMPARE(descriptionBox(3)->toPlainText(), note);
    const QuickDialSlot& slot = m_quickDial->slotAt(3);
    QCOMPARE(slot.caption, caption);
    QCOMPARE(slot.description, note);
    QCOMPARE(slot.lines, sampleScript());
    QCOMPARE(m_quickDial->allSlots()[2], slot);
    // The other slots and the editor are untouched, and the tab stays.
    QCOMPARE(choice(2)->text(), QStringLiteral("[Leer]"));
    QCOMPARE(m_editor->script(), sampleScript());
    QCOMPARE(m_editor->label(), caption);
    QCOMPARE(m_window->ui().SSTab1->currentIndex(), QuickDial::EditorTab);
    // Still enabled until the next tick; then off, as no mode is pending.
    QVERIFY(choice(3)->isEnabled());
    m_quickDial->blinkTick();
    QVERIFY(!choice(3)->isEnabled());
}

void QuickDialTest::storeFromQuickDialTab() {
    fillEditor(sampleScript(), QStringLiteral("Zwei"), QStringLiteral("Note"));
    click("cmdSave");
    m_window->ui().SSTab1->setCurrentIndex(QuickDial::QuickDialTab);
    QVERIFY(m_quickDial->storePending());
    // The link refresh enables the run buttons once the link is usable.
    run(2)->setEnabled(true);
    QTest::mouseClick(run(2), Qt::LeftButton);
    QCOMPARE(run(2)->text(), QStringLiteral("Zwei"));
    QCOMPARE(m_quickDial->slotAt(2).lines, sampleScript());
    QCOMPARE(m_window->ui().SSTab1->currentIndex(), QuickDial::QuickDialTab);
    QCOMPARE(modes(), (QList<bool>{false, false, false}));
}

void QuickDialTest::userTextsShowAsTyped_data() {
    QTest::addColumn<QString>("caption");
    QTest::newRow("markup") << QStringLiteral("<b>x</b>");
    QTest::newRow("entity") << QStringLiteral("a &amp; b");
    QTest::newRow("ampersand") << QStringLiteral("R&D");
    QTest::newRow("blanks") << QStringLiteral("a  <i>b</i>   c");
}

void QuickDialTest::userTextsShowAsTyped() {
    QFETCH(QString, caption);
    const QString note = QStringLiteral("<i>note</i> & more");
    storeInto(1, sampleScript(), caption, note);

    // Buttons show "&&" as "&" and take no shortcut from it; markup is not interpreted on buttons.
    QString runText = run(1)->text();
    QVERIFY(QKeySequence::mnemonic(runText).isEmpty());
    QCOMPARE(runText.replace(QStringLiteral("&&"), QStringLiteral("&")), caption);
    QString choiceText = choice(1)->text();
    QVERIFY(QKeySequence::mnemonic(choiceText).isEmpty());
    QCOMPARE(choiceText.replace(QStringLiteral("&&"), QStringLiteral("&")),
             caption.left(10) + QStringLiteral("..."));
    QCOMPARE(shownToolTip(choice(1)->toolTip()), QStringLiteral("Bezeichnung: ") + caption);
    QCOMPARE(descriptionBox(1)->toPlainText(), note);
    QCOMPARE(m_quickDial->slotAt(1).caption, caption);
}

void QuickDialTest::fetchIntoEditor() {
    const QString note = QStringLiteral("Drei Befehle");
    storeInto(5, sampleScript(), QStringLiteral("Fünf"), note);
    fillEditor({{QStringLiteral("XX"), QStringLiteral("other")}}, QStringLiteral("other"),
               QStringLiteral("n"));

    m_window->ui().SSTab1->setCurrentIndex(QuickDial::QuickDialTab);
    click("cmdGetCommand"); // works on any tab: the mode button is pressed from code here
    QCOMPARE(modes(), (QList<bool>{false, true, false}));
    // The choice buttons come on at once, without waiting for the timer.
    for (int n = 1; n <= QuickDialSlotCount; ++n)
        QVERIFY(choice(n)->isEnabled());

    run(5)->setEnabled(true);
    QTest::mouseClick(run(5), Qt::LeftButton);
    QCOMPARE(m_editor->script(), sampleScript());
    QCOMPARE(m_editor->label(), QStringLiteral("Fünf"));
    QCOMPARE(m_editor->note(), note);
    QCOMPARE(m_window->ui().SSTab1->currentIndex(), QuickDial::EditorTab);
    QCOMPARE(modes(), (QList<bool>{false, false, false}));
    for (int n = 1; n <= QuickDialSlotCount; ++n)
        QVERIFY(!choice(n)->isEnabled());
    // The slot keeps its content.
    QCOMPARE(m_quickDial->slotAt(5).lines, sampleScript());
}

void QuickDialTest::fetchEmptySlots() {
    // A never-filled slot gives the "empty" caption; a deleted one an empty caption.
    fillEditor(sampleScript(), QStringLiteral("x"), QStringLiteral("y"));
    click("cmdGetCommand");
    pressChoice(7);
    QCOMPARE(m_editor->rowCount(), 0);
    QCOMPARE(m_editor->label(), QStringLiteral("[Leer]"));
    QCOMPARE(m_editor->note(), QString());

    storeInto(7, sampleScript(), QStringLiteral("x"), QStringLiteral("y"));
    m_dialogs.questionAnswers.append(true);
    click("cmdDeleteScript");
    pressChoice(7);
    click("cmdGetCommand");
    pressChoice(7);
    QCOMPARE(m_editor->rowCount(), 0);
    QCOMPARE(m_editor->label(), QString());
}

void QuickDialTest::deleteAnsweredYes() {
    storeInto(4, sampleScript(), QStringLiteral("Vier"), QStringLiteral("Note"));
    m_dialogs.calls.clear();
    m_dialogs.questionAnswers.append(true);
    click("cmdDeleteScript");
    QCOMPARE(modes(), (QList<bool>{false, false, true}));
    pressChoice(4);

    QCOMPARE(m_dialogs.calls.size(), 1);
    QCOMPARE(m_dialogs.calls.at(0).kind, QStringLiteral("question"));
    QCOMPARE(m_dialogs.calls.at(0).title, QStringLiteral("Löschen"));
    QCOMPARE(m_dialogs.calls.at(0).text,
             QStringLiteral("Möchten Sie den Befehlsablauf des Speicherplatzes [F4] wirklich löschen?"));
    QCOMPARE(choice(4)->text(), QStringLiteral("[Leer]"));
    QCOMPARE(run(4)->text(), QString());
    QVERIFY(choice(4)->toolTip().isEmpty());
    QCOMPARE(descriptionBox(4)->toPlainText(), QString());
    QCOMPARE(m_quickDial->slotAt(4), QuickDialSlot{});
    QCOMPARE(modes(), (QList<bool>{false, false, false}));
}

void QuickDialTest::deleteAnsweredNo() {
    storeInto(4, sampleScript(), QStringLiteral("Vier"), QStringLiteral("Note"));
    const QuickDialSlot before = m_quickDial->slotAt(4);
    m_dialogs.questionAnswers.append(false);
    click("cmdDeleteScript");
    pressChoice(4);
    QCOMPARE(m_dialogs.calls.last().kind, QStringLiteral("question"));
    QCOMPARE(m_quickDial->slotAt(4), before);
    QCOMPARE(run(4)->text(), QStringLiteral("Vier"));
    QCOMPARE(choice(4)->text(), QStringLiteral("Vier..."));
    QCOMPARE(descriptionBox(4)->toPlainText(), QStringLiteral("Note"));
    QCOMPARE(modes(), (QList<bool>{false, false, false}));

    // The operation ended normally: the next slot button works.
    storeInto(6, sampleScript(), QStringLiteral("Sechs"), QStringLiteral("Note"));
    QCOMPARE(run(6)->text(), QStringLiteral("Sechs"));
}

void QuickDialTest::modeStateTable_data() {
    QTest::addColumn<QString>("steps"); // S save, G get, D delete, 0-3 tab change
    QTest::addColumn<QList<bool>>("expected");

    using M = QList<bool>;
    QTest::newRow("save") << QStringLiteral("S") << M{true, false, false};
    QTest::newRow("save twice cancels") << QStringLiteral("SS") << M{false, false, false};
    QTest::newRow("get") << QStringLiteral("G") << M{false, true, false};
    QTest::newRow("get twice cancels") << QStringLiteral("GG") << M{false, false, false};
    QTest::newRow("get after save") << QStringLiteral("SG") << M{false, true, false};
    QTest::newRow("save after get") << QStringLiteral("GS") << M{true, false, false};
    QTest::newRow("delete") << QStringLiteral("D") << M{false, false, true};
    QTest::newRow("delete twice cancels") << QStringLiteral("DD") << M{false, false, false};
    QTest::newRow("delete keeps store") << QStringLiteral("SD") << M{true, false, true};
    QTest::newRow("delete keeps fetch") << QStringLiteral("GD") << M{false, true, true};
    QTest::newRow("save keeps delete") << QStringLiteral("DS") << M{true, false, true};
    QTest::newRow("tab 3 keeps") << QStringLiteral("SD3") << M{true, false, true};
    QTest::newRow("tab 3 keeps fetch") << QStringLiteral("G3") << M{false, true, false};
    QTest::newRow("tab 0 clears") << QStringLiteral("SD0") << M{false, false, false};
    QTest::newRow("tab 1 clears") << QStringLiteral("GD1") << M{false, false, false};
    QTest::newRow("back to tab 2 clears") << QStringLiteral("SD32") << M{false, false, false};
    QTest::newRow("modes after tab change") << QStringLiteral("S0G") << M{false, true, false};
}

void QuickDialTest::modeStateTable() {
    QFETCH(QString, steps);
    QFETCH(QList<bool>, expected);
    fillEditor(sampleScript(), QStringLiteral("Label"), QStringLiteral("Note"));
    for (const QChar step : steps) {
        switch (step.unicode()) {
        case 'S':
            click("cmdSave");
            break;
        case 'G':
            click("cmdGetCommand");
            break;
        case 'D':
            click("cmdDeleteScript");
            break;
        default:
            m_window->ui().SSTab1->setCurrentIndex(step.digitValue());
            QCOMPARE(m_window->ui().SSTab1->currentIndex(), step.digitValue());
        }
    }
    QCOMPARE(modes(), expected);
    QVERIFY(m_dialogs.calls.isEmpty());
}

void QuickDialTest::fetchWinsOverStoreOverDelete() {
    storeInto(1, sampleScript(), QStringLiteral("Eins"), QStringLiteral("Note"));

    // Fetch and delete pending: the fetch is carried out, the delete stays pending.
    fillEditor({{QStringLiteral("XX"), QString()}}, QStringLiteral("other"), QStringLiteral("n"));
    click("cmdGetCommand");
    click("cmdDeleteScript");
    pressChoice(1);
    QCOMPARE(m_editor->script(), sampleScript());
    QCOMPARE(modes(), (QList<bool>{false, false, true}));
    QVERIFY(m_dialogs.calls.isEmpty());

    // Store and delete pending: the store is carried out, the delete stays pending.
    fillEditor({{QStringLiteral("YY"), QString()}}, QStringLiteral("Zwei"), QStringLiteral("n"));
    click("cmdSave");
    pressChoice(2);
    QCOMPARE(run(2)->text(), QStringLiteral("Zwei"));
    QCOMPARE(modes(), (QList<bool>{false, false, true}));
    QVERIFY(m_dialogs.calls.isEmpty());

    // Then the delete.
    m_dialogs.questionAnswers.append(true);
    pressChoice(2);
    QCOMPARE(m_dialogs.calls.size(), 1);
    QCOMPARE(run(2)->text(), QString());
    QCOMPARE(modes(), (QList<bool>{false, false, false}));
}

void QuickDialTest::saveChecksInOrder() {
    QWidget* list = m_window->ui().lstCommands;
    QWidget* note = m_window->ui().txtNote;
    QWidget* label = m_window->ui().txtLabel;
    struct Expected {
        QString title;
        QString text;
        QWidget* focus;
    };
    const QList<Expected> messages{
        {QStringLiteral("Kein Befehl vorhanden"),
         QStringLiteral("Sie müssen mindestens einen Befehl in die Liste hinzufügen!"), list},
        {QStringLiteral("Beschreibungstext fehlt"),
         QStringLiteral("Sie müssen einen Beschreibungstext zu den erstellten Befehlen eingeben!"), note},
        {QStringLiteral("Bezeichnung fehlt"),
         QStringLiteral("Sie müssen eine Bezeichnung zu den erstellten Befehlen eingeben!"), label},
    };

    // Everything missing: only the first message. Then fix one thing after the other.
    fillEditor({}, QString(), QString());
    m_window->ui().cmdSave->setFocus();
    for (qsizetype step = 0; step < messages.size(); ++step) {
        m_dialogs.calls.clear();
        click("cmdSave");
        QCOMPARE(m_dialogs.calls.size(), 1);
        QCOMPARE(m_dialogs.calls.at(0).kind, QStringLiteral("warning"));
        QCOMPARE(m_dialogs.calls.at(0).title, messages.at(step).title);
        QCOMPARE(m_dialogs.calls.at(0).text, messages.at(step).text);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), messages.at(step).focus, 10000);
        QCOMPARE(modes(), (QList<bool>{false, false, false}));
        if (step == 0)
            m_editor->setScript(sampleScript());
        else if (step == 1)
            m_window->ui().txtNote->setPlainText(QStringLiteral(" "));
        m_window->ui().cmdSave->setFocus();
    }
    m_dialogs.calls.clear();
    m_window->ui().txtLabel->setText(QStringLiteral("L"));
    click("cmdSave");
    QVERIFY(m_dialogs.calls.isEmpty());
    QCOMPARE(modes(), (QList<bool>{true, false, false}));

    // A failing check changes no mode, also a pending fetch.
    click("cmdGetCommand");
    m_window->ui().txtLabel->clear();
    click("cmdSave");
    QCOMPARE(modes(), (QList<bool>{false, true, false}));

    // English texts.
    SetLanguageOffset(English);
    m_dialogs.calls.clear();
    click("cmdSave");
    QCOMPARE(m_dialogs.calls.at(0).title, QStringLiteral("Missing caption"));
    QCOMPARE(m_dialogs.calls.at(0).text,
             QStringLiteral("You must enter a caption text for the created commands!"));
}

void QuickDialTest::saveRefusesSeparator_data() {
    QTest::addColumn<Script>("script");
    QTest::addColumn<int>("offendingRow");

    const ScriptLine fine{QStringLiteral("SM 1"), QStringLiteral("start")};
    QTest::newRow("command") << Script{fine, {QStringLiteral("SK #1"), QString()}} << 1;
    QTest::newRow("description") << Script{{QStringLiteral("SP 1"), QStringLiteral("Nr. #3")}, fine} << 0;
    QTest::newRow("only a hash") << Script{fine, fine, {QStringLiteral("#"), QStringLiteral("#")}} << 2;
}

void QuickDialTest::saveRefusesSeparator() {
    QFETCH(Script, script);
    QFETCH(int, offendingRow);
    // Caption and description may hold it: they are not joined in the file.
    fillEditor(script, QStringLiteral("#1"), QStringLiteral("#2"));
    m_window->ui().cmdSave->setFocus();
    click("cmdSave");

    QCOMPARE(m_dialogs.calls.size(), 1);
    QCOMPARE(m_dialogs.calls.at(0).kind, QStringLiteral("warning"));
    QCOMPARE(m_dialogs.calls.at(0).title, QStringLiteral("Unzulässiges Zeichen"));
    QVERIFY(m_dialogs.calls.at(0).text.contains(QStringLiteral("\"#\"")));
    QCOMPARE(modes(), (QList<bool>{false, false, false}));
    QTreeWidget* list = m_window->ui().lstCommands;
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), list, 10000);
    QCOMPARE(list->currentItem(), list->topLevelItem(offendingRow));
    QVERIFY(list->currentItem()->isSelected());
    // The editor keeps the script: it may still be sent.
    QCOMPARE(m_editor->script(), script);

    SetLanguageOffset(English);
    click("cmdSave");
    QCOMPARE(m_dialogs.calls.at(1).title, QStringLiteral("Invalid character"));
}

void QuickDialTest::storeRefusesSeparatorAddedAfterSave() {
    storeInto(6, sampleScript(), QStringLiteral("Sechs"), QStringLiteral("Note"));
    const QuickDialSlot before = m_quickDial->slotAt(6);
    fillEditor(sampleScript(), QStringLiteral("Neu"), QStringLiteral("Neu"));
    click("cmdSave");
    QVERIFY(m_dialogs.calls.isEmpty());
    // Edited between the mode button and the slot button.
    m_dialogs.inputAnswers.append(QStringLiteral("SK #2"));
    click("cmdCreateManualCommand");
    pressChoice(6);

    QCOMPARE(m_dialogs.calls.size(), 2);
    QCOMPARE(m_dialogs.calls.at(1).title, QStringLiteral("Unzulässiges Zeichen"));
    QCOMPARE(m_quickDial->slotAt(6), before);
    QCOMPARE(run(6)->text(), QStringLiteral("Sechs"));
    QCOMPARE(modes(), (QList<bool>{false, false, false}));
    QCOMPARE(m_editor->rowCount(), 4);
}

void QuickDialTest::blinking() {
    const QColor normal = m_quickDial->normalColour();
    QVERIFY(normal != QuickDial::blinkColour());
    auto colours = [this] {
        QList<QColor> result;
        for (int n = 1; n <= QuickDialSlotCount; ++n)
            result.append(choice(n)->palette().color(QPalette::Button));
        return result;
    };
    auto enabled = [this] {
        QList<bool> result;
        for (int n = 1; n <= QuickDialSlotCount; ++n)
            result.append(choice(n)->isEnabled());
        return result;
    };
    const QList<QColor> allNormal(QuickDialSlotCount, normal);
    const QList<QColor> allGreen(QuickDialSlotCount, QColor(0, 255, 0));
    const QList<bool> allOn(QuickDialSlotCount, true);
    const QList<bool> allOff(QuickDialSlotCount, false);

    m_quickDial->blinkTick();
    QCOMPARE(colours(), allNormal);
    QCOMPARE(enabled(), allOff);

    click("cmdDeleteScript");
    m_quickDial->blinkTick();
    QCOMPARE(colours(), allGreen);
    QCOMPARE(enabled(), allOn);
    m_quickDial->blinkTick();
    QCOMPARE(colours(), allNormal);
    QCOMPARE(enabled(), allOn);
    m_quickDial->blinkTick();
    QCOMPARE(colours(), allGreen);

    // Cancelled while green: normal and off at the next tick.
    click("cmdDeleteScript");
    m_quickDial->blinkTick();
    QCOMPARE(colours(), allNormal);
    QCOMPARE(enabled(), allOff);
}

void QuickDialTest::blinksOnTheWindowTimer() {
    click("cmdDeleteScript");
    QTRY_COMPARE_WITH_TIMEOUT(choice(8)->palette().color(QPalette::Button), QuickDial::blinkColour(), 10000);
    QVERIFY(choice(8)->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(choice(8)->palette().color(QPalette::Button), m_quickDial->normalColour(),
                              10000);
    click("cmdDeleteScript");
    QTRY_VERIFY_WITH_TIMEOUT(!choice(8)->isEnabled(), 10000);
    QCOMPARE(choice(8)->palette().color(QPalette::Button), m_quickDial->normalColour());
}

void QuickDialTest::busyIgnoresSlotButtons() {
    bool busy = true;
    QList<int> runs;
    QList<bool> busyCalls;
    m_quickDial->setRunnerHooks(
        {[&] { return busy; }, [&](bool b) { busyCalls.append(b); }, [&](int n) { runs.append(n); }});
    fillEditor(sampleScript(), QStringLiteral("Label"), QStringLiteral("Note"));
    click("cmdSave");
    QLabel* notice = m_window->ui().labCommandScriptCompleted;
    notice->show();
    pressChoice(2);
    // Only the notice is hidden; the store waits.
    QVERIFY(notice->isHidden());
    QVERIFY(m_quickDial->storePending());
    QVERIFY(m_quickDial->slotAt(2).lines.isEmpty());
    QVERIFY(runs.isEmpty());
    QVERIFY(busyCalls.isEmpty());

    // Free again: the store is carried out under the busy lock.
    busy = false;
    pressChoice(2);
    QCOMPARE(m_quickDial->slotAt(2).lines, sampleScript());
    QCOMPARE(busyCalls, (QList<bool>{true, false}));
    QVERIFY(runs.isEmpty());

    // Buttons of slots outside 1..8 do nothing.
    m_quickDial->HandleSlotButton(0);
    m_quickDial->HandleSlotButton(9);
    QVERIFY(runs.isEmpty());
}

void QuickDialTest::runBranchCallsRunner() {
    QList<int> runs;
    QList<bool> busyCalls;
    m_window->ui().SSTab1->setCurrentIndex(QuickDial::QuickDialTab);
    // Without a runner the run branch does nothing.
    run(5)->setEnabled(true);
    QTest::mouseClick(run(5), Qt::LeftButton);
    QCOMPARE(modes(), (QList<bool>{false, false, false}));

    m_quickDial->setRunnerHooks(
        {[] { return false; }, [&](bool b) { busyCalls.append(b); }, [&](int n) { runs.append(n); }});
    QLabel* notice = m_window->ui().labCommandScriptCompleted;
    notice->show();
    QTest::mouseClick(run(5), Qt::LeftButton);
    QVERIFY(notice->isHidden());
    // The runner holds the busy lock for the run itself.
    QCOMPARE(runs, QList<int>{5});
    QVERIFY(busyCalls.isEmpty());

    // A choice button runs its slot too when no mode is pending (it is still on from a store).
    m_window->ui().SSTab1->setCurrentIndex(QuickDial::EditorTab);
    storeInto(3, sampleScript(), QStringLiteral("Drei"), QStringLiteral("Note"));
    QTest::mouseClick(choice(3), Qt::LeftButton);
    QCOMPARE(runs, (QList<int>{5, 3}));
}

void QuickDialTest::loadSlotsDisplayRules() {
    QuickDialSlots file{};
    file[0] = {QStringLiteral("Start"), QStringLiteral("Startet"), sampleScript()};
    file[1] = {QString(), QStringLiteral("ohne Bezeichnung"), sampleScript()};
    file[7] = {QStringLiteral("<b>Ende</b> und Schluss"), QString(), {}};
    m_quickDial->loadSlots(file);

    QCOMPARE(run(1)->text(), QStringLiteral("Start"));
    QCOMPARE(choice(1)->text(), QStringLiteral("Start..."));
    QCOMPARE(shownToolTip(choice(1)->toolTip()), QStringLiteral("Bezeichnung: Start"));
    QCOMPARE(descriptionBox(1)->toPlainText(), QStringLiteral("Startet"));

    QCOMPARE(run(2)->text(), QStringLiteral("[Leer]"));
    QCOMPARE(choice(2)->text(), QStringLiteral("[Leer]"));
    QVERIFY(choice(2)->toolTip().isEmpty());
    QCOMPARE(descriptionBox(2)->toPlainText(), QStringLiteral("ohne Bezeichnung"));
    // The caption is what the run button shows.
    QCOMPARE(m_quickDial->slotAt(2).caption, QStringLiteral("[Leer]"));
    QCOMPARE(m_quickDial->slotAt(2).lines, sampleScript());

    QCOMPARE(run(8)->text(), QStringLiteral("<b>Ende</b> und Schluss"));
    QCOMPARE(choice(8)->text(), QStringLiteral("<b>Ende</b..."));
    QCOMPARE(shownToolTip(choice(8)->toolTip()), QStringLiteral("Bezeichnung: <b>Ende</b> und Schluss"));

    for (int n : {3, 4, 5, 6, 7}) {
        QCOMPARE(run(n)->text(), QStringLiteral("[Leer]"));
        QCOMPARE(m_quickDial->slotAt(n), (QuickDialSlot{QStringLiteral("[Leer]"), QString(), {}}));
    }
    QCOMPARE(m_quickDial->allSlots()[0], file[0]);

    // A load replaces whatever was stored before.
    storeInto(1, {{QStringLiteral("XX"), QString()}}, QStringLiteral("Neu"), QStringLiteral("n"));
    m_quickDial->loadSlots(file);
    QCOMPARE(m_quickDial->slotAt(1), file[0]);
    QCOMPARE(run(1)->text(), QStringLiteral("Start"));
}

void QuickDialTest::loadSlotsTakesLanguageOfTheMoment() {
    SetLanguageOffset(English);
    QuickDialSlots file{};
    file[0].caption = QStringLiteral("One");
    m_quickDial->loadSlots(file);
    QCOMPARE(choice(2)->text(), QStringLiteral("[Empty]"));
    QCOMPARE(run(2)->text(), QStringLiteral("[Empty]"));
    QCOMPARE(shownToolTip(choice(1)->toolTip()), QStringLiteral("Caption: One"));
    // Set captions keep their language.
    SetLanguageOffset(0);
    QCOMPARE(choice(2)->text(), QStringLiteral("[Empty]"));
}

void QuickDialTest::manyCommandsRoundTrip() {
    // No limit of the number of commands per slot.
    Script many;
    for (int i = 1; i <= 300; ++i)
        many.append({QStringLiteral("SK %1").arg(i), QStringLiteral("Teil %1").arg(i)});
    storeInto(8, many, QStringLiteral("Viele"), QStringLiteral("300 Befehle"));
    QCOMPARE(m_quickDial->slotAt(8).lines.size(), 300);
    m_editor->setScript({});
    click("cmdGetCommand");
    pressChoice(8);
    QCOMPARE(m_editor->script(), many);
}

QTEST_MAIN(QuickDialTest)
#include "tst_quickdial.moc"
