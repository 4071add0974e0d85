// The script editor tab: where new rows go, moves and deletes and the buttons they enable, the caption and
// description boxes, and what a store refuses, with the focus on what to fix.

#include "support/GuiSupport.h"

#include "core/scripts/QuickDialMemory.h"
#include "gui/ScriptEditorPage.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// "A|a;B|b" -> two lines with their descriptions
Script lines(const QString& text) {
    Script script;
    for (const QString& row : text.split(u';', Qt::SkipEmptyParts))
        script.append({row.section(u'|', 0, 0), row.section(u'|', 1)});
    return script;
}

} // namespace

class EditorTest : public QObject {
    Q_OBJECT

private slots:
    void editing_data();
    void editing();
    void typing();
    void storeRefusals_data();
    void storeRefusals();
};

void EditorTest::editing_data() {
    QTest::addColumn<QString>("script");
    // Digits click a row, e a click below the rows, a the "above" box; n, b, c and z enter "N", a command
    // with blanks and markup, nothing (cancelled) and an empty text by hand; s and t take "S" and "TA" from
    // the assistant; u, d, x move up, move down, delete.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("state"); // current row, whether selected, test, delete, up and down enabled
    const QString abc = u"A|a;B|b;C|c"_s;
    QTest::newRow("into an empty list") << QString() << u"n"_s << u"N|"_s << u"0 0 1000"_s;
    QTest::newRow("into an empty list, above") << QString() << u"an"_s << u"N|"_s << u"0 0 1000"_s;
    QTest::newRow("as typed, or nothing")
        << QString() << u"czbst"_s << u" S 1  3#<b>x</b> |;TA|ta"_s << u"1 1 1110"_s;
    QTest::newRow("below a fresh script's first") << abc << u"n"_s << u"A|a;N|;B|b;C|c"_s << u"1 1 1111"_s;
    QTest::newRow("above the first") << abc << u"0an"_s << u"N|;A|a;B|b;C|c"_s << u"0 1 1101"_s;
    QTest::newRow("above the middle") << abc << u"1an"_s << u"A|a;N|;B|b;C|c"_s << u"1 1 1111"_s;
    QTest::newRow("below the last") << abc << u"2n"_s << u"A|a;B|b;C|c;N|"_s << u"3 1 1110"_s;
    QTest::newRow("below the current, unselected") << abc << u"1en"_s << u"A|a;B|b;N|;C|c"_s << u"2 1 1111"_s;
    QTest::newRow("up, with its description") << abc << u"1u"_s << u"B|b;A|a;C|c"_s << u"0 1 1101"_s;
    QTest::newRow("not above the top") << abc << u"0u"_s << abc << u"0 1 1101"_s;
    QTest::newRow("down to the bottom") << abc << u"0dd"_s << u"B|b;C|c;A|a"_s << u"2 1 1110"_s;
    QTest::newRow("no move unselected") << abc << u"1eud"_s << abc << u"1 0 1000"_s;
    QTest::newRow("delete the middle") << abc << u"1x"_s << u"A|a;C|c"_s << u"1 1 1110"_s;
    QTest::newRow("delete the last") << abc << u"2x"_s << u"A|a;B|b"_s << u"1 1 1110"_s;
    QTest::newRow("delete the only row") << u"A|a"_s << u"0x"_s << QString() << u"-1 0 0000"_s;
    QTest::newRow("one row, selected") << u"A|a"_s << u"0"_s << u"A|a"_s << u"0 1 1100"_s;
}

void EditorTest::editing() {
    QFETCH(QString, script);
    QFETCH(QString, steps);
    QFETCH(QString, rows);
    QFETCH(QString, state);
    WindowHarness h({{u"SelTab"_s, u"2"_s}});
    h.open();
    auto* page = h.window->findChild<ScriptEditorPage*>();
    page->setLinkUsable(true);
    page->setScript(lines(script));
    Script fromAssistant = lines(u"S|s;TA|ta"_s);
    page->setAssistant([&] { return fromAssistant.takeFirst(); });
    auto* list = h.find<QTreeWidget>("lstCommands");
    const QHash<QChar, const char*> buttons{{u'a', "chkAbove"},         {u'n', "cmdCreateManualCommand"},
                                            {u'u', "cmdCommandUp"},     {u'd', "cmdCommandDown"},
                                            {u'x', "cmdDeleteCommand"}, {u's', "cmdCreateCommand2"}};
    for (const QChar step : steps) {
        if (step.isDigit()) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->topLevelItem(step.digitValue())).center());
        } else if (step == u'e') {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              QPoint(5, list->visualItemRect(list->topLevelItem(2)).bottom() + 5));
        } else {
            h.dialogs.inputAnswers = {step == u'c'   ? std::nullopt
                                      : step == u'z' ? std::optional(QString())
                                      : step == u'b' ? std::optional(u" S 1  3#<b>x</b> "_s)
                                                     : std::optional(u"N"_s)};
            QTest::mouseClick(
                h.find<QAbstractButton>(buttons.value(step == u't' ? u's' : step, "cmdCreateManualCommand")),
                Qt::LeftButton);
        }
    }
    QStringList shown;
    for (const ScriptLine& line : page->script())
        shown << line.command + u'|' + line.description;
    QCOMPARE(shown.join(u';'), rows);
    QTreeWidgetItem* current = list->currentItem();
    QString enabled;
    for (const char* name : {"cmdCommandTest", "cmdDeleteCommand", "cmdCommandUp", "cmdCommandDown"})
        enabled += h.find<QPushButton>(name)->isEnabled() ? u'1' : u'0';
    QCOMPARE(u"%1 %2 "_s.arg(list->indexOfTopLevelItem(current)).arg(current && current->isSelected()) +
                 enabled,
             state);
    // Without a usable link there is no test run.
    page->setLinkUsable(false);
    QVERIFY(!h.find<QPushButton>("cmdCommandTest")->isEnabled());
}

void EditorTest::typing() {
    WindowHarness h({{u"SelTab"_s, u"2"_s}});
    h.open();
    auto* label = h.find<QLineEdit>("txtLabel");
    label->setFocus();
    QTest::keyClicks(label, QString(45, u'x'));
    QCOMPARE(label->text(), QString(40, u'x'));

    // The description takes no line break, typed or pasted: pasted breaks become blanks, CR LF one blank.
    auto* note = h.find<QPlainTextEdit>("txtNote");
    note->setFocus();
    QTest::keyClicks(note, u"ab"_s);
    QTest::keyClick(note, Qt::Key_Return);
    QTest::keyClick(note, Qt::Key_Enter);
    QTest::keyClicks(note, u"cd"_s);
    QApplication::clipboard()->setText(u"1\n2\r\n3\r4\u20285\u20296"_s);
    QTest::keyClick(note, Qt::Key_Left);
    QTest::keyClick(note, Qt::Key_Left);
    QTest::keyClick(note, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(note->toPlainText(), u"ab1 2 3 4 5 6cd"_s);
    QCOMPARE(note->document()->blockCount(), 1);
    // It stops at 128 characters, where the text was put in.
    note->clear();
    QTest::keyClicks(note, QString(126, u'a'));
    QTest::keyClick(note, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(note, u"bcd"_s);
    QCOMPARE(note->toPlainText(), u"bc"_s + QString(126, u'a'));

    // What a slot brings is kept whole, longer than typing allows or not.
    auto* page = h.window->findChild<ScriptEditorPage*>();
    page->fetchSlot({QString(50, u'L'), QString(200, u'n'), lines(u"GM"_s)});
    QCOMPARE(label->text(), QString(50, u'L'));
    QCOMPARE(note->toPlainText(), QString(200, u'n'));
}

void EditorTest::storeRefusals_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("late");    // a command typed after "Save", before the slot is chosen
    QTest::addColumn<QString>("refusal"); // title, a part of the message, the field to fix, its row
    const QString invalid = u"Invalid character"_s;
    QTest::newRow("no commands") << QString() << QString() << QString() << QString()
                                 << u"No command available|one command|lstCommands|-1"_s;
    QTest::newRow("no description") << u"GM"_s << QString() << QString() << QString()
                                    << u"Missing description text |description|txtNote|-1"_s;
    QTest::newRow("no caption") << u"GM"_s << QString() << u"n"_s << QString()
                                << u"Missing caption|caption|txtLabel|-1"_s;
    QTest::newRow("separator") << u"SM 1|start;SP 1|Nr. #3"_s << u"#1"_s << u"#2"_s << QString()
                               << invalid + u"|\"#\"|lstCommands|1"_s;
    QTest::newRow("command outside Windows-1252") << u"SM 1|€ ä;XC 1 Ω|"_s << u"L"_s << u"N"_s << QString()
                                                  << invalid + u"|Windows-1252|lstCommands|1"_s;
    QTest::newRow("caption outside") << u"GM"_s << u"Ω"_s << u"N"_s << QString()
                                     << invalid + u"|1252|txtLabel|-1"_s;
    QTest::newRow("description outside")
        << u"GM"_s << u"L"_s << u"Ω"_s << QString() << invalid + u"|1252|txtNote|-1"_s;
    QTest::newRow("typed after Save")
        << u"GM"_s << u"L"_s << u"N"_s << u"XC Ω"_s << invalid + u"|1252|lstCommands|1"_s;
    QTest::newRow("stored") << u"GM"_s << u"L"_s << u"N"_s << QString() << QString();
}

void EditorTest::storeRefusals() {
    QFETCH(QString, script);
    QFETCH(QString, caption);
    QFETCH(QString, note);
    QFETCH(QString, late);
    QFETCH(QString, refusal);
    WindowHarness h({{u"SelTab"_s, u"2"_s}});
    h.open();
    h.window->findChild<ScriptEditorPage*>()->setScript(lines(script));
    h.find<QLineEdit>("txtLabel")->setText(caption);
    h.find<QPlainTextEdit>("txtNote")->setPlainText(note);
    h.find<QPushButton>("cmdSave")->setFocus();
    QTest::mouseClick(h.find<QPushButton>("cmdSave"), Qt::LeftButton);
    if (!late.isEmpty()) {
        h.dialogs.inputAnswers = {late};
        QTest::mouseClick(h.find<QPushButton>("cmdCreateManualCommand"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(h.find<QPushButton>("cmdF2")->isEnabled(), Timeout);
        QTest::mouseClick(h.find<QPushButton>("cmdF2"), Qt::LeftButton);
    }
    QuickDialMemory* memory = h.window->memory();
    if (refusal.isEmpty()) {
        QVERIFY(h.dialogs.calls.isEmpty() && memory->StorePending());
        return;
    }
    const QStringList expected = refusal.split(u'|');
    QCOMPARE(h.dialogs.calls.last().kind + u'|' + h.dialogs.calls.last().title, u"warning|"_s + expected[0]);
    QVERIFY2(h.dialogs.calls.last().text.contains(expected[1]), qPrintable(h.dialogs.calls.last().text));
    QVERIFY(!memory->anyModePending() && memory->slotAt(2).lines.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget()->objectName(), expected[2], Timeout);
    auto* list = h.find<QTreeWidget>("lstCommands");
    if (expected[3] != u"-1"_s) {
        QCOMPARE(list->indexOfTopLevelItem(list->currentItem()), expected[3].toInt());
        QVERIFY(list->currentItem()->isSelected());
    }
}

QTEST_MAIN(EditorTest)
#include "tst_editor.moc"
