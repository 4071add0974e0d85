// The script editor on the real main window: where new rows go, moves, delete, the enabling of test, delete,
// up and down from the current row and the selection, and the caption and description boxes.

#include "testsupport.h"

#include "gui/MainWindow.h"
#include "gui/ScriptEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

using Buttons = QList<bool>; // enabled: test, delete, up, down

// "A B C" -> {"A", "B", "C"}
QStringList words(const char* text) {
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class ScriptEditorTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void insertPositionRule_data();
    void insertPositionRule();
    void addingRows();
    void realAssistantOffersNoQueries();
    void movesCarryDescriptions();
    void deleteRows();
    void buttonTable_data();
    void buttonTable();
    void captionAndDescriptionLimits();

private:
    QTreeWidget* list() const { return m_window->ui().lstCommands; }
    // "command|description" of every row.
    QStringList rows() const {
        QStringList result;
        for (int r = 0; r < list()->topLevelItemCount(); ++r)
            result << list()->topLevelItem(r)->text(0) + QLatin1Char('|') + list()->topLevelItem(r)->text(1);
        return result;
    }
    void addManually(const QString& command) {
        m_dialogs.inputAnswers.append(command);
        QTest::mouseClick(m_window->ui().cmdCreateManualCommand, Qt::LeftButton);
    }
    // Adds a row through the assistant button, so it carries a description: the command in lower case.
    void addFromAssistant(const QString& command) {
        m_assistantResults.append({command, command.toLower()});
        QTest::mouseClick(m_window->ui().cmdCreateCommand2, Qt::LeftButton);
    }
    void clickRow(int r);
    void clickEmptySpace();
    Buttons editorButtons() const {
        const MainWindowUi& ui = m_window->ui();
        return {ui.cmdCommandTest->isEnabled(), ui.cmdDeleteCommand->isEnabled(),
                ui.cmdCommandUp->isEnabled(), ui.cmdCommandDown->isEnabled()};
    }

    std::unique_ptr<TestFolders> m_folders;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<MainWindow> m_window;
    ScriptEditor* m_editor = nullptr;
    QList<ScriptLine> m_assistantResults;
};

void ScriptEditorTest::init() {
    m_folders = std::make_unique<TestFolders>();
    m_dialogs = ScriptedDialogs{};
    m_window = std::make_unique<MainWindow>(
        MainWindowEnvironment{m_folders->settings(), m_folders->program(), &m_dialogs});
    m_editor = m_window->scriptEditor();
    m_editor->setAssistant(
        [this] { return m_assistantResults.isEmpty() ? ScriptLine{} : m_assistantResults.takeFirst(); });
    m_editor->setLinkUsable(true);
    m_window->ui().SSTab1->setCurrentIndex(2);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void ScriptEditorTest::cleanup() {
    m_window.reset();
    m_assistantResults.clear();
}

void ScriptEditorTest::clickRow(int r) {
    QTreeWidgetItem* item = list()->topLevelItem(r);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
    QVERIFY(item->isSelected());
    QCOMPARE(list()->currentItem(), item);
}

// Leaves the current row as it is but takes the selection away.
void ScriptEditorTest::clickEmptySpace() {
    const QTreeWidgetItem* last = list()->topLevelItem(list()->topLevelItemCount() - 1);
    const QPoint below(5, list()->visualItemRect(last).bottom() + 5);
    QVERIFY(below.y() < list()->viewport()->height());
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, below);
    QVERIFY(list()->selectedItems().isEmpty());
}

void ScriptEditorTest::insertPositionRule_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("clicked"); // -1: nothing, -2: row 1 made current, then the selection taken away
    QTest::addColumn<bool>("above");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty list, below") << 0 << -1 << false << words("NN");
    QTest::newRow("empty list, above") << 0 << -1 << true << words("NN");
    QTest::newRow("above the first") << 3 << 0 << true << words("NN AA BB CC");
    QTest::newRow("above the middle") << 3 << 1 << true << words("AA NN BB CC");
    QTest::newRow("below the middle") << 3 << 1 << false << words("AA BB NN CC");
    QTest::newRow("below the last") << 3 << 2 << false << words("AA BB CC NN");
    QTest::newRow("below the current, unselected row") << 3 << -2 << false << words("AA BB NN CC");
}

void ScriptEditorTest::insertPositionRule() {
    QFETCH(int, count);
    QFETCH(int, clicked);
    QFETCH(bool, above);
    QFETCH(QStringList, expected);
    for (const QString& command : words("AA BB CC").mid(0, count))
        addFromAssistant(command);
    if (clicked != -1)
        clickRow(clicked == -2 ? 1 : clicked);
    if (clicked == -2)
        clickEmptySpace();
    if (above)
        QTest::mouseClick(m_window->ui().chkAbove, Qt::LeftButton);
    QCOMPARE(m_window->ui().chkAbove->isChecked(), above);
    addFromAssistant(QStringLiteral("NN"));

    const int newRow = int(expected.indexOf(QStringLiteral("NN")));
    for (QString& row : expected)
        row += QLatin1Char('|') + row.toLower();
    QCOMPARE(rows(), expected);
    QCOMPARE(list()->currentItem(), list()->topLevelItem(newRow));
    // A row added to an empty list is current, but the editor does not select it.
    QCOMPARE(list()->selectedItems(),
             count ? QList<QTreeWidgetItem*>{list()->topLevelItem(newRow)} : QList<QTreeWidgetItem*>{});
}

void ScriptEditorTest::addingRows() {
    // Typed commands go in as typed; a cancelled or empty input adds nothing.
    m_dialogs.inputAnswers = {std::nullopt, QString(), QStringLiteral(" SP 1  3#<b>x</b> ")};
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(m_window->ui().cmdCreateManualCommand, Qt::LeftButton);
    QCOMPARE(rows(), QStringList{QStringLiteral(" SP 1  3#<b>x</b> |")});
    QCOMPARE(m_dialogs.calls.at(0).title, QStringLiteral("Befehl eingeben"));
    QCOMPARE(m_dialogs.calls.at(0).text, QStringLiteral("Bitte geben Sie einen kompletten Befehl ein!"));

    // From the assistant, a command needs two characters; a cancelled assistant gives none.
    addFromAssistant(QStringLiteral("S"));
    addFromAssistant(QString());
    addFromAssistant(QStringLiteral("SM"));
    QCOMPARE(rows(), (QStringList{QStringLiteral(" SP 1  3#<b>x</b> |"), QStringLiteral("SM|sm")}));
}

void ScriptEditorTest::realAssistantOffersNoQueries() {
    // A window of its own: init() replaced the assistant of the shared one.
    TestFolders folders;
    MainWindow window(MainWindowEnvironment{folders.settings(), folders.program(), &m_dialogs});
    window.show();
    int entries = -1;
    QTimer::singleShot(0, &window, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto* commands = dialog->findChild<QComboBox*>(QStringLiteral("cboCommand"));
        entries = commands->count();
        QTest::keyClick(commands, Qt::Key_Return);
        if (dialog->isVisible())
            dialog->reject();
    });
    QTest::mouseClick(window.ui().cmdCreateCommand2, Qt::LeftButton);
    // The ten commands of the first device type that set something; its queries are left out.
    QCOMPARE(entries, 10);
    QCOMPARE(window.scriptEditor()->script(),
             (Script{{QStringLiteral("SM 0"), QStringLiteral("Messbetrieb beenden (SM 0)")}}));
}

void ScriptEditorTest::movesCarryDescriptions() {
    addFromAssistant(QStringLiteral("SM 1"));
    addManually(QStringLiteral("typed")); // below the selected last row, without description
    addFromAssistant(QStringLiteral("QM 0"));

    // The typed command travels up past the assistant command, carrying its empty description.
    clickRow(1);
    QTest::mouseClick(m_window->ui().cmdCommandUp, Qt::LeftButton);
    const QStringList moved{QStringLiteral("typed|"), QStringLiteral("SM 1|sm 1"),
                            QStringLiteral("QM 0|qm 0")};
    QCOMPARE(rows(), moved);
    QVERIFY(list()->topLevelItem(0)->isSelected());
    // At the top, up is off and a click on it does nothing.
    QCOMPARE(editorButtons(), (Buttons{true, true, false, true}));
    QTest::mouseClick(m_window->ui().cmdCommandUp, Qt::LeftButton);
    QCOMPARE(rows(), moved);

    QTest::mouseClick(m_window->ui().cmdCommandDown, Qt::LeftButton);
    QTest::mouseClick(m_window->ui().cmdCommandDown, Qt::LeftButton);
    QCOMPARE(rows(), (QStringList{QStringLiteral("SM 1|sm 1"), QStringLiteral("QM 0|qm 0"),
                                  QStringLiteral("typed|")}));
    QCOMPARE(list()->currentItem(), list()->topLevelItem(2));
    QVERIFY(list()->topLevelItem(2)->isSelected());
    QCOMPARE(editorButtons(), (Buttons{true, true, true, false}));
}

void ScriptEditorTest::deleteRows() {
    for (const QString& command : words("AA BB CC"))
        addFromAssistant(command);
    // The middle row, then the last: the row now at that place, or the new last row, is selected. The
    // descriptions go with their rows.
    for (const auto& [deleted, remaining] :
         {std::pair{1, QStringList{QStringLiteral("AA|aa"), QStringLiteral("CC|cc")}},
          std::pair{1, QStringList{QStringLiteral("AA|aa")}}}) {
        clickRow(deleted);
        QTest::mouseClick(m_window->ui().cmdDeleteCommand, Qt::LeftButton);
        QCOMPARE(rows(), remaining);
        QCOMPARE(list()->currentItem(), list()->topLevelItem(int(remaining.size()) - 1));
        QVERIFY(list()->currentItem()->isSelected());
    }
    // The only row: nothing left to act on.
    clickRow(0);
    QTest::mouseClick(m_window->ui().cmdDeleteCommand, Qt::LeftButton);
    QCOMPARE(rows(), QStringList{});
    QCOMPARE(editorButtons(), (Buttons{false, false, false, false}));
}

void ScriptEditorTest::buttonTable_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("clicked"); // -1: none clicked, -2: clicked row 0 then empty space
    QTest::addColumn<Buttons>("expected");
    QTest::newRow("empty") << 0 << -1 << Buttons{false, false, false, false};
    QTest::newRow("one row, not selected") << 1 << -1 << Buttons{true, false, false, false};
    QTest::newRow("one row, selected") << 1 << 0 << Buttons{true, true, false, false};
    QTest::newRow("first of three") << 3 << 0 << Buttons{true, true, false, true};
    QTest::newRow("middle of three") << 3 << 1 << Buttons{true, true, true, true};
    QTest::newRow("last of three") << 3 << 2 << Buttons{true, true, true, false};
    QTest::newRow("current but unselected") << 3 << -2 << Buttons{true, false, false, false};
}

void ScriptEditorTest::buttonTable() {
    QFETCH(int, count);
    QFETCH(int, clicked);
    QFETCH(Buttons, expected);
    Script script;
    for (int i = 0; i < count; ++i)
        script.append({QStringLiteral("C%1").arg(i), QString()});
    m_editor->setScript(script);
    if (clicked != -1)
        clickRow(std::max(clicked, 0));
    if (clicked == -2)
        clickEmptySpace();
    QCOMPARE(editorButtons(), expected);
    QVERIFY(m_window->ui().cmdCreateCommand2->isEnabled() &&
            m_window->ui().cmdCreateManualCommand->isEnabled());
    // Without a usable link the test button is off.
    m_editor->setLinkUsable(false);
    QVERIFY(!m_window->ui().cmdCommandTest->isEnabled());
}

void ScriptEditorTest::captionAndDescriptionLimits() {
    QLineEdit* label = m_window->ui().txtLabel;
    label->setFocus();
    QTest::keyClicks(label, QString(45, QLatin1Char('x')));
    QCOMPARE(label->text(), QString(40, QLatin1Char('x')));

    // The description takes no line break, typed or pasted: pasted breaks become blanks, CR LF one blank.
    QPlainTextEdit* note = m_window->ui().txtNote;
    note->setFocus();
    QTest::keyClicks(note, QStringLiteral("ab"));
    QTest::keyClick(note, Qt::Key_Return);
    QTest::keyClick(note, Qt::Key_Enter);
    QTest::keyClicks(note, QStringLiteral("cd"));
    QCOMPARE(m_editor->note(), QStringLiteral("abcd"));
    QGuiApplication::clipboard()->setText(QStringLiteral("1\n2\r\n3\r4") + QChar(QChar::LineSeparator) +
                                          QStringLiteral("5") + QChar(QChar::ParagraphSeparator) +
                                          QStringLiteral("6"));
    QTest::keyClick(note, Qt::Key_Left);
    QTest::keyClick(note, Qt::Key_Left);
    QTest::keyClick(note, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_editor->note(), QStringLiteral("ab1 2 3 4 5 6cd"));
    QCOMPARE(note->document()->blockCount(), 1);

    // It stops at 128 characters.
    note->clear();
    QTest::keyClicks(note, QString(130, QLatin1Char('a')));
    QCOMPARE(m_editor->note(), QString(128, QLatin1Char('a')));
}

QTEST_MAIN(ScriptEditorTest)
#include "tst_scripteditor.moc"
