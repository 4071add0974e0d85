// The script editor on the real main window: insert position rule, moves, delete, the enabling of test,
// delete, up and down from the current row and the selection, and the caption and description boxes.

#include "testsupport.h"

#include "app/MainWindow.h"
#include "app/Texts.h"
#include "scripts/ScriptEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

using Rows = QList<QStringList>;

QStringList row(const QString& command, const QString& description = QString()) {
    return {command, description};
}

QStringList row(const char* command, const char* description = "") {
    return row(QString::fromUtf8(command), QString::fromUtf8(description));
}

// "A B C" -> {"A", "B", "C"}
QStringList words(const char* text) {
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class ScriptEditorTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsEmptyWithInsertBelow();
    void firstRowIntoEmptyList();
    void insertPositionRule_data();
    void insertPositionRule();
    void insertsRelativeToCurrentButUnselectedRow();
    void manualInput_data();
    void manualInput();
    void manualInputAsksAndHidesNotice();
    void assistantResult_data();
    void assistantResult();
    void realAssistantOffersNoQueries();
    void movesExchangeTextsAndDescriptions();
    void moveUpAndDownAtTheEdges();
    void deleteRows_data();
    void deleteRows();
    void buttonTable_data();
    void buttonTable();
    void testButtonNeedsLink();
    void buttonsRefreshOnFocusChanges();
    void scriptRoundTrip();
    void labelTakesFortyCharacters();
    void noteRefusesLineBreaks();
    void noteTakes128Characters();
    void noteSetFromSlotStaysWhole();

private:
    QTreeWidget* list() const { return m_window->ui().lstCommands; }
    QPushButton* button(const char* name) const {
        auto* b = m_window->findChild<QPushButton*>(QLatin1String(name));
        if (!b)
            qFatal("no button %s", name);
        return b;
    }
    Rows rows() const;
    void addManually(const QString& command);
    void fill(const Rows& rows);
    void clickRow(int r);
    void clickEmptySpace();
    // Enabled state of test, delete, up, down.
    QList<bool> editorButtons() const;

    std::unique_ptr<TestFolders> m_folders;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<MainWindow> m_window;
    ScriptEditor* m_editor = nullptr;
    QList<ScriptLine> m_assistantResults;
};

void ScriptEditorTest::init() {
    m_folders = std::make_unique<TestFolders>();
    QVERIFY(m_folders->root.isValid());
    m_dialogs = ScriptedDialogs{};
    m_window = std::make_unique<MainWindow>(
        MainWindowEnvironment{m_folders->settings(), m_folders->program(), &m_dialogs});
    m_editor = m_window->scriptEditor();
    QVERIFY(m_editor);
    m_editor->setAssistant(
        [this] { return m_assistantResults.isEmpty() ? ScriptLine{} : m_assistantResults.takeFirst(); });
    m_window->ui().SSTab1->setCurrentIndex(2);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void ScriptEditorTest::cleanup() {
    m_window.reset();
    m_folders.reset();
    m_assistantResults.clear();
    SetLanguageOffset(0);
}

Rows ScriptEditorTest::rows() const {
    Rows result;
    for (int r = 0; r < list()->topLevelItemCount(); ++r)
        result.append(row(list()->topLevelItem(r)->text(0), list()->topLevelItem(r)->text(1)));
    return result;
}

void ScriptEditorTest::addManually(const QString& command) {
    m_dialogs.inputAnswers.append(command);
    QTest::mouseClick(button("cmdCreateManualCommand"), Qt::LeftButton);
}

// Builds rows through the assistant button, so each carries its description.
void ScriptEditorTest::fill(const Rows& content) {
    for (const QStringList& r : content) {
        m_assistantResults.append({r.at(0), r.at(1)});
        QTest::mouseClick(button("cmdCreateCommand2"), Qt::LeftButton);
    }
    QCOMPARE(rows(), content);
}

void ScriptEditorTest::clickRow(int r) {
    QTreeWidgetItem* item = list()->topLevelItem(r);
    QVERIFY(item);
    list()->scrollToItem(item);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
    QVERIFY(item->isSelected());
    QCOMPARE(list()->currentItem(), item);
}

void ScriptEditorTest::clickEmptySpace() {
    const QTreeWidgetItem* last = list()->topLevelItem(list()->topLevelItemCount() - 1);
    const QPoint below(5, list()->visualItemRect(last).bottom() + 5);
    QVERIFY(below.y() < list()->viewport()->height());
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, below);
}

QList<bool> ScriptEditorTest::editorButtons() const {
    return {button("cmdCommandTest")->isEnabled(), button("cmdDeleteCommand")->isEnabled(),
            button("cmdCommandUp")->isEnabled(), button("cmdCommandDown")->isEnabled()};
}

void ScriptEditorTest::startsEmptyWithInsertBelow() {
    QVERIFY(!m_window->ui().chkAbove->isChecked());
    QCOMPARE(list()->topLevelItemCount(), 0);
    QCOMPARE(list()->columnCount(), 2);
    QCOMPARE(list()->headerItem()->text(0), QStringLiteral("Befehl"));
    QCOMPARE(list()->headerItem()->text(1), QStringLiteral("Beschreibung"));
    QCOMPARE(editorButtons(), (QList<bool>{false, false, false, false}));
    QVERIFY(button("cmdCreateCommand2")->isEnabled());
    QVERIFY(button("cmdCreateManualCommand")->isEnabled());
}

void ScriptEditorTest::firstRowIntoEmptyList() {
    m_editor->setLinkUsable(true);
    for (const bool above : {false, true}) {
        m_editor->setScript({});
        m_window->ui().chkAbove->setChecked(above);
        addManually(QStringLiteral("SM 1"));
        QCOMPARE(rows(), Rows{row(QStringLiteral("SM 1"))});
        // Current, but the editor does not select it.
        QCOMPARE(list()->currentItem(), list()->topLevelItem(0));
        QVERIFY(!list()->topLevelItem(0)->isSelected());
        QCOMPARE(editorButtons(), (QList<bool>{true, false, false, false}));
    }
}

void ScriptEditorTest::insertPositionRule_data() {
    QTest::addColumn<int>("clicked");
    QTest::addColumn<bool>("above");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("newRow");

    QTest::newRow("above the first") << 0 << true << words("NN AA BB CC") << 0;
    QTest::newRow("below the first") << 0 << false << words("AA NN BB CC") << 1;
    QTest::newRow("above the middle") << 1 << true << words("AA NN BB CC") << 1;
    QTest::newRow("below the middle") << 1 << false << words("AA BB NN CC") << 2;
    QTest::newRow("above the last") << 2 << true << words("AA BB NN CC") << 2;
    QTest::newRow("below the last") << 2 << false << words("AA BB CC NN") << 3;
}

void ScriptEditorTest::insertPositionRule() {
    QFETCH(int, clicked);
    QFETCH(bool, above);
    QFETCH(QStringList, expected);
    QFETCH(int, newRow);

    fill({row("AA", "aa"), row("BB", "bb"), row("CC", "cc")});
    clickRow(clicked);
    if (above)
        QTest::mouseClick(m_window->ui().chkAbove, Qt::LeftButton);
    QCOMPARE(m_window->ui().chkAbove->isChecked(), above);
    m_assistantResults.append({QStringLiteral("NN"), QStringLiteral("n")});
    QTest::mouseClick(button("cmdCreateCommand2"), Qt::LeftButton);

    QStringList commands;
    for (const QStringList& r : rows())
        commands.append(r.at(0));
    QCOMPARE(commands, expected);
    QCOMPARE(list()->topLevelItem(newRow)->text(1), QStringLiteral("n"));
    QCOMPARE(list()->currentItem(), list()->topLevelItem(newRow));
    QVERIFY(list()->topLevelItem(newRow)->isSelected());
    QCOMPARE(list()->selectedItems().size(), 1);
}

void ScriptEditorTest::insertsRelativeToCurrentButUnselectedRow() {
    m_editor->setLinkUsable(true);
    fill({row("AA"), row("BB"), row("CC")});
    clickRow(1);
    clickEmptySpace();
    QCOMPARE(list()->currentItem(), list()->topLevelItem(1));
    QVERIFY(list()->selectedItems().isEmpty());
    QCOMPARE(editorButtons(), (QList<bool>{true, false, false, false}));

    addManually(QStringLiteral("N"));
    QCOMPARE(rows(), (Rows{row("AA"), row("BB"), row("N"), row("CC")}));
    QVERIFY(list()->topLevelItem(2)->isSelected());
    QCOMPARE(editorButtons(), (QList<bool>{true, true, true, true}));
}

void ScriptEditorTest::manualInput_data() {
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<Rows>("expected");

    QTest::newRow("cancel") << std::optional<QString>() << Rows{};
    QTest::newRow("empty") << std::optional<QString>(QString()) << Rows{};
    QTest::newRow("one character") << std::optional<QString>(QStringLiteral("x")) << Rows{row("x")};
    QTest::newRow("two blanks") << std::optional<QString>(QStringLiteral("  ")) << Rows{row("  ")};
    QTest::newRow("kept as typed") << std::optional<QString>(QStringLiteral(" SP 1  3#<b>x</b> "))
                                   << Rows{row(" SP 1  3#<b>x</b> ")};
}

void ScriptEditorTest::manualInput() {
    QFETCH(std::optional<QString>, answer);
    QFETCH(Rows, expected);
    m_dialogs.inputAnswers.append(answer);
    QTest::mouseClick(button("cmdCreateManualCommand"), Qt::LeftButton);
    QCOMPARE(rows(), expected);
    QVERIFY(m_dialogs.inputAnswers.isEmpty());
}

void ScriptEditorTest::manualInputAsksAndHidesNotice() {
    QLabel* notice = m_window->ui().labCommandScriptCompleted;
    notice->show();
    addManually(QStringLiteral("SM 1"));
    QVERIFY(notice->isHidden());
    QCOMPARE(m_dialogs.calls.size(), 1);
    QCOMPARE(m_dialogs.calls.at(0).kind, QStringLiteral("input"));
    QCOMPARE(m_dialogs.calls.at(0).title, QStringLiteral("Befehl eingeben"));
    QCOMPARE(m_dialogs.calls.at(0).text, QStringLiteral("Bitte geben Sie einen kompletten Befehl ein!"));
}

void ScriptEditorTest::assistantResult_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<Rows>("expected");

    QTest::newRow("cancelled") << QString() << Rows{};
    QTest::newRow("one character") << QStringLiteral("S") << Rows{};
    QTest::newRow("two characters") << QStringLiteral("SM") << Rows{row("SM", "desc")};
    QTest::newRow("command") << QStringLiteral("SP 1 3") << Rows{row("SP 1 3", "desc")};
}

void ScriptEditorTest::assistantResult() {
    QFETCH(QString, command);
    QFETCH(Rows, expected);
    int runs = 0;
    m_editor->setAssistant([&] {
        ++runs;
        return ScriptLine{command, QStringLiteral("desc")};
    });
    QTest::mouseClick(button("cmdCreateCommand2"), Qt::LeftButton);
    QCOMPARE(runs, 1);
    QCOMPARE(rows(), expected);

    // Without an assistant the button behaves as if it had been cancelled.
    m_editor->setAssistant({});
    QTest::mouseClick(button("cmdCreateCommand2"), Qt::LeftButton);
    QCOMPARE(rows(), expected);
}

void ScriptEditorTest::realAssistantOffersNoQueries() {
    // A window of its own: init() replaced the assistant of the shared one.
    TestFolders folders;
    MainWindow window(MainWindowEnvironment{folders.settings(), folders.program(), &m_dialogs});
    window.ui().SSTab1->setCurrentIndex(2);
    window.ui().cboDevice->setCurrentIndex(0);
    window.ui().labCommandScriptCompleted->show();
    window.show();

    struct Seen {
        bool opened = false;
        int entries = -1;
        bool noticeHidden = false;
    } seen;
    auto answer = [&](bool accept) {
        QTimer::singleShot(0, &window, [&seen, &window, accept] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen.opened = true;
            seen.noticeHidden = window.ui().labCommandScriptCompleted->isHidden();
            auto* commands = dialog->findChild<QComboBox*>(QStringLiteral("cboCommand"));
            seen.entries = commands ? commands->count() : -1;
            if (accept && commands)
                QTest::keyClick(commands, Qt::Key_Return);
            if (dialog->isVisible())
                dialog->reject();
        });
    };

    answer(false);
    QTest::mouseClick(window.ui().cmdCreateCommand2, Qt::LeftButton);
    QVERIFY(seen.opened);
    QVERIFY(seen.noticeHidden);
    // The ten commands of the first device type that set something; its queries are left out.
    QCOMPARE(seen.entries, 10);
    QCOMPARE(window.ui().lstCommands->topLevelItemCount(), 0);

    seen = {};
    answer(true);
    QTest::mouseClick(window.ui().cmdCreateCommand2, Qt::LeftButton);
    QVERIFY(seen.opened);
    QCOMPARE(window.scriptEditor()->script(),
             (Script{{QStringLiteral("SM 0"), QStringLiteral("Messbetrieb beenden (SM 0)")}}));
}

void ScriptEditorTest::movesExchangeTextsAndDescriptions() {
    fill({row("SM 1", "start"), row("SP 1 3", "program")});
    addManually(QStringLiteral("typed")); // below the selected last row, without description
    m_assistantResults.append({QStringLiteral("QM 0"), QStringLiteral("quit")});
    QTest::mouseClick(button("cmdCreateCommand2"), Qt::LeftButton);
    QCOMPARE(rows(),
             (Rows{row("SM 1", "start"), row("SP 1 3", "program"), row("typed"), row("QM 0", "quit")}));

    // The typed command travels up past the assistant command, carrying its empty description.
    clickRow(2);
    QTest::mouseClick(button("cmdCommandUp"), Qt::LeftButton);
    QCOMPARE(rows(),
             (Rows{row("SM 1", "start"), row("typed"), row("SP 1 3", "program"), row("QM 0", "quit")}));
    QCOMPARE(list()->currentItem(), list()->topLevelItem(1));
    QVERIFY(list()->topLevelItem(1)->isSelected());

    QTest::mouseClick(button("cmdCommandDown"), Qt::LeftButton);
    QTest::mouseClick(button("cmdCommandDown"), Qt::LeftButton);
    QCOMPARE(rows(),
             (Rows{row("SM 1", "start"), row("SP 1 3", "program"), row("QM 0", "quit"), row("typed")}));
    QCOMPARE(list()->currentItem(), list()->topLevelItem(3));
    QVERIFY(list()->topLevelItem(3)->isSelected());
}

void ScriptEditorTest::moveUpAndDownAtTheEdges() {
    m_editor->setLinkUsable(true);
    fill({row("AA", "aa"), row("BB", "bb"), row("CC", "cc")});

    clickRow(1);
    QTest::mouseClick(button("cmdCommandUp"), Qt::LeftButton);
    QCOMPARE(rows(), (Rows{row("BB", "bb"), row("AA", "aa"), row("CC", "cc")}));
    QVERIFY(list()->topLevelItem(0)->isSelected());
    QCOMPARE(editorButtons(), (QList<bool>{true, true, false, true}));
    // A click on a disabled button does nothing.
    QTest::mouseClick(button("cmdCommandUp"), Qt::LeftButton);
    QCOMPARE(rows(), (Rows{row("BB", "bb"), row("AA", "aa"), row("CC", "cc")}));

    clickRow(1);
    QTest::mouseClick(button("cmdCommandDown"), Qt::LeftButton);
    QCOMPARE(rows(), (Rows{row("BB", "bb"), row("CC", "cc"), row("AA", "aa")}));
    QVERIFY(list()->topLevelItem(2)->isSelected());
    QCOMPARE(editorButtons(), (QList<bool>{true, true, true, false}));
    QTest::mouseClick(button("cmdCommandDown"), Qt::LeftButton);
    QCOMPARE(rows(), (Rows{row("BB", "bb"), row("CC", "cc"), row("AA", "aa")}));
}

void ScriptEditorTest::deleteRows_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("deleted");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<int>("selected");

    QTest::newRow("only row") << 1 << 0 << QStringList{} << -1;
    QTest::newRow("last of three") << 3 << 2 << words("AA BB") << 1;
    QTest::newRow("middle of three") << 3 << 1 << words("AA CC") << 1;
    QTest::newRow("first of three") << 3 << 0 << words("BB CC") << 0;
}

void ScriptEditorTest::deleteRows() {
    QFETCH(int, count);
    QFETCH(int, deleted);
    QFETCH(QStringList, remaining);
    QFETCH(int, selected);
    m_editor->setLinkUsable(true);

    const Rows all{row("AA", "aa"), row("BB", "bb"), row("CC", "cc")};
    fill(all.mid(0, count));
    clickRow(deleted);
    QTest::mouseClick(button("cmdDeleteCommand"), Qt::LeftButton);

    QStringList commands;
    for (const QStringList& r : rows()) {
        commands.append(r.at(0));
        QCOMPARE(r.at(1), r.at(0).toLower());
    }
    QCOMPARE(commands, remaining);
    if (selected < 0) {
        QCOMPARE(editorButtons(), (QList<bool>{false, false, false, false}));
        return;
    }
    QCOMPARE(list()->currentItem(), list()->topLevelItem(selected));
    QVERIFY(list()->topLevelItem(selected)->isSelected());
    QVERIFY(button("cmdDeleteCommand")->isEnabled());
}

void ScriptEditorTest::buttonTable_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("clicked"); // -1: none clicked, -2: clicked row 0 then empty space
    QTest::addColumn<QList<bool>>("expected");

    using B = QList<bool>;
    QTest::newRow("empty") << 0 << -1 << B{false, false, false, false};
    QTest::newRow("one row, not selected") << 1 << -1 << B{true, false, false, false};
    QTest::newRow("one row, selected") << 1 << 0 << B{true, true, false, false};
    QTest::newRow("first of three") << 3 << 0 << B{true, true, false, true};
    QTest::newRow("middle of three") << 3 << 1 << B{true, true, true, true};
    QTest::newRow("last of three") << 3 << 2 << B{true, true, true, false};
    QTest::newRow("current but unselected") << 3 << -2 << B{true, false, false, false};
}

void ScriptEditorTest::buttonTable() {
    QFETCH(int, count);
    QFETCH(int, clicked);
    QFETCH(QList<bool>, expected);
    m_editor->setLinkUsable(true);

    Script script;
    for (int i = 0; i < count; ++i)
        script.append({QStringLiteral("C%1").arg(i), QString()});
    m_editor->setScript(script);
    if (clicked >= 0) {
        clickRow(clicked);
    } else if (clicked == -2) {
        clickRow(0);
        clickEmptySpace();
        QCOMPARE(list()->currentItem(), list()->topLevelItem(0));
        QVERIFY(!list()->topLevelItem(0)->isSelected());
    }
    QCOMPARE(editorButtons(), expected);
    QVERIFY(button("cmdCreateCommand2")->isEnabled());
    QVERIFY(button("cmdCreateManualCommand")->isEnabled());
}

void ScriptEditorTest::testButtonNeedsLink() {
    addManually(QStringLiteral("SM 1"));
    QVERIFY(!button("cmdCommandTest")->isEnabled());
    m_editor->setLinkUsable(true);
    QVERIFY(button("cmdCommandTest")->isEnabled());
    m_editor->setLinkUsable(false);
    QVERIFY(!button("cmdCommandTest")->isEnabled());
}

void ScriptEditorTest::buttonsRefreshOnFocusChanges() {
    m_editor->setLinkUsable(true);
    // Rows put in behind the editor's back are noticed when the list gains the focus...
    list()->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("AA")}));
    QVERIFY(!button("cmdCommandTest")->isEnabled());
    list()->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY_WITH_TIMEOUT(list()->hasFocus(), 10000);
    QVERIFY(button("cmdCommandTest")->isEnabled());

    // ... and when it loses it.
    delete list()->takeTopLevelItem(0);
    QVERIFY(button("cmdCommandTest")->isEnabled());
    m_window->ui().txtLabel->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY_WITH_TIMEOUT(!list()->hasFocus(), 10000);
    QVERIFY(!button("cmdCommandTest")->isEnabled());
}

void ScriptEditorTest::scriptRoundTrip() {
    const Script script{{QStringLiteral("SM 1"), QStringLiteral("<b>start</b>")},
                        {QStringLiteral("  "), QString()},
                        {QStringLiteral("SP 1 3"), QStringLiteral("Programm & mehr")}};
    m_editor->setScript(script);
    QCOMPARE(m_editor->script(), script);
    QCOMPARE(m_editor->rowCount(), 3);
    QCOMPARE(m_editor->lineAt(2), script.at(2));
    QCOMPARE(m_editor->lineAt(3), ScriptLine{});
    QCOMPARE(list()->topLevelItem(0)->text(1), QStringLiteral("<b>start</b>"));
    // A fetched script has a current row to insert at, but nothing selected.
    QCOMPARE(list()->currentItem(), list()->topLevelItem(0));
    QVERIFY(list()->selectedItems().isEmpty());
    addManually(QStringLiteral("N"));
    QCOMPARE(m_editor->lineAt(1).command, QStringLiteral("N"));

    m_editor->setLabel(QStringLiteral("Label"));
    m_editor->setNote(QStringLiteral("Note"));
    QCOMPARE(m_window->ui().txtLabel->text(), QStringLiteral("Label"));
    QCOMPARE(m_window->ui().txtNote->toPlainText(), QStringLiteral("Note"));
    QCOMPARE(m_editor->label(), QStringLiteral("Label"));
    QCOMPARE(m_editor->note(), QStringLiteral("Note"));
}

void ScriptEditorTest::labelTakesFortyCharacters() {
    QLineEdit* label = m_window->ui().txtLabel;
    label->setFocus();
    QTest::keyClicks(label, QString(45, QLatin1Char('x')));
    QCOMPARE(label->text(), QString(40, QLatin1Char('x')));
}

void ScriptEditorTest::noteRefusesLineBreaks() {
    QPlainTextEdit* note = m_window->ui().txtNote;
    QCOMPARE(note->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    note->setFocus();
    QTest::keyClicks(note, QStringLiteral("ab"));
    QTest::keyClick(note, Qt::Key_Return);
    QTest::keyClick(note, Qt::Key_Enter);
    QTest::keyClick(note, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(note, QStringLiteral("cd"));
    QCOMPARE(m_editor->note(), QStringLiteral("abcd"));

    // Pasted breaks become blanks, a CR LF pair one blank.
    QGuiApplication::clipboard()->setText(QStringLiteral("1\n2\r\n3\r4") + QChar(QChar::LineSeparator) +
                                          QStringLiteral("5") + QChar(QChar::ParagraphSeparator) +
                                          QStringLiteral("6"));
    QTest::keyClick(note, Qt::Key_Left);
    QTest::keyClick(note, Qt::Key_Left);
    QTest::keyClick(note, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_editor->note(), QStringLiteral("ab1 2 3 4 5 6cd"));
    QCOMPARE(note->document()->blockCount(), 1);
    // The paste and its repair are one step to undo.
    QTest::keyClick(note, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_editor->note(), QStringLiteral("abcd"));
}

void ScriptEditorTest::noteTakes128Characters() {
    QPlainTextEdit* note = m_window->ui().txtNote;
    note->setFocus();
    QTest::keyClicks(note, QString(130, QLatin1Char('a')));
    QCOMPARE(m_editor->note(), QString(128, QLatin1Char('a')));

    // A paste that does not fit loses its end, not the text around it.
    note->clear();
    QTest::keyClicks(note, QString(100, QLatin1Char('a')) + QStringLiteral("zz"));
    QTest::keyClick(note, Qt::Key_Left);
    QTest::keyClick(note, Qt::Key_Left);
    QGuiApplication::clipboard()->setText(QStringLiteral("0123456789") + QString(30, QLatin1Char('b')));
    QTest::keyClick(note, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_editor->note(), QString(100, QLatin1Char('a')) + QStringLiteral("0123456789") +
                                   QString(16, QLatin1Char('b')) + QStringLiteral("zz"));
    QCOMPARE(m_editor->note().size(), 128);
}

void ScriptEditorTest::noteSetFromSlotStaysWhole() {
    const QString longNote = QString(200, QLatin1Char('n'));
    m_editor->setNote(longNote);
    QCOMPARE(m_editor->note(), longNote);
    QPlainTextEdit* note = m_window->ui().txtNote;
    note->setFocus();
    note->moveCursor(QTextCursor::End);
    QTest::keyClicks(note, QStringLiteral("xy"));
    QCOMPARE(m_editor->note(), longNote);
    QTest::keyClick(note, Qt::Key_Backspace);
    QCOMPARE(m_editor->note(), longNote.left(199));
}

QTEST_MAIN(ScriptEditorTest)
#include "tst_scripteditor.moc"
