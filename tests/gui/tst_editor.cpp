// The script editor tab: where new rows go, moves and deletes and the buttons they enable, the caption and
// description boxes, and what a store refuses, with the focus on what to fix.

#include "support/GuiSupport.h"

#include "core/scripts/QuickDialMemory.h"
#include "gui/ScriptEditorPage.h"

#include <QtTest>
#include <QtWidgets>

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
    QTest::addColumn<QString>("typed"); // the answers to "Enter command", in turn; Cancel after them
    // A digit clicks that row, e below the rows; a the "above" box, n manual entry, s the assistant (which
    // gives "S", then "TA"), u, d and x up, down and delete.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>(
        "rows"); // then the current row, whether selected, and test, delete, up, down on
    const QString abc = u"A|a;B|b;C|c"_s;
    QTest::newRow("into an empty list") << QString() << u"N"_s << u"an"_s << u"N| 0 0 1000"_s;
    QTest::newRow("as typed, or nothing")
        << QString() << u"| S 1  3#<b>x</b> "_s << u"nnnss"_s << u" S 1  3#<b>x</b> |;TA|ta 1 1 1110"_s;
    QTest::newRow("below a fresh script's first") << abc << u"N"_s << u"n"_s << u"A|a;N|;B|b;C|c 1 1 1111"_s;
    QTest::newRow("above the first") << abc << u"N"_s << u"0an"_s << u"N|;A|a;B|b;C|c 0 1 1101"_s;
    QTest::newRow("above the middle") << abc << u"N"_s << u"1an"_s << u"A|a;N|;B|b;C|c 1 1 1111"_s;
    QTest::newRow("below the last") << abc << u"N"_s << u"2n"_s << u"A|a;B|b;C|c;N| 3 1 1110"_s;
    QTest::newRow("below the current, unselected")
        << abc << u"N"_s << u"1en"_s << u"A|a;B|b;N|;C|c 2 1 1111"_s;
    QTest::newRow("up, with its description") << abc << QString() << u"1u"_s << u"B|b;A|a;C|c 0 1 1101"_s;
    QTest::newRow("down to the bottom") << abc << QString() << u"0dd"_s << u"B|b;C|c;A|a 2 1 1110"_s;
    QTest::newRow("no move unselected") << abc << QString() << u"1eud"_s << abc + u" 1 0 1000"_s;
    QTest::newRow("delete the middle") << abc << QString() << u"1x"_s << u"A|a;C|c 1 1 1110"_s;
    QTest::newRow("delete the last") << abc << QString() << u"2x"_s << u"A|a;B|b 1 1 1110"_s;
    QTest::newRow("delete the only row") << u"A|a"_s << QString() << u"0x"_s << u" -1 0 0000"_s;
    QTest::newRow("one row, selected") << u"A|a"_s << QString() << u"0"_s << u"A|a 0 1 1100"_s;
}

void EditorTest::editing() {
    QFETCH(QString, script);
    QFETCH(QString, typed);
    QFETCH(QString, steps);
    QFETCH(QString, rows);
    WindowHarness h({{u"SelTab"_s, u"2"_s}});
    h.open();
    auto* page = h.window->findChild<ScriptEditorPage*>();
    page->setLinkUsable(true);
    page->setScript(lines(script));
    Script fromAssistant = lines(u"S|s;TA|ta"_s);
    page->setAssistant([&] { return fromAssistant.takeFirst(); });
    for (const QString& answer : typed.split(u'|'))
        h.dialogs.inputAnswers << answer;
    auto* list = h.find<QTreeWidget>("lstCommands");
    const QHash<QChar, const char*> buttons{{u'a', "chkAbove"},          {u'n', "cmdCreateManualCommand"},
                                            {u's', "cmdCreateCommand2"}, {u'u', "cmdCommandUp"},
                                            {u'd', "cmdCommandDown"},    {u'x', "cmdDeleteCommand"}};
    for (const QChar step : steps) {
        const QRect last = list->visualItemRect(list->topLevelItem(list->topLevelItemCount() - 1));
        if (step.isDigit() || step == u'e')
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              step == u'e'
                                  ? QPoint(5, last.bottom() + 5)
                                  : list->visualItemRect(list->topLevelItem(step.digitValue())).center());
        else
            h.click(buttons.value(step));
    }
    QStringList shown;
    for (const ScriptLine& line : page->script())
        shown << line.command + u'|' + line.description;
    QString state = u" %1 %2 "_s.arg(list->indexOfTopLevelItem(list->currentItem()))
                        .arg(list->currentItem() && list->currentItem()->isSelected());
    for (const char* name : {"cmdCommandTest", "cmdDeleteCommand", "cmdCommandUp", "cmdCommandDown"})
        state += h.find<QPushButton>(name)->isEnabled() ? u'1' : u'0';
    QCOMPARE(shown.join(u';') + state, rows);
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

    // The description takes no line break, typed or pasted: pasted breaks become blanks, CR LF one blank. It
    // stops at 128 characters, where the text was put in.
    auto* note = h.find<QPlainTextEdit>("txtNote");
    note->setFocus();
    QTest::keyClicks(note, u"ab"_s + QString(122, u'z') + u"cd"_s);
    QTest::keyClick(note, Qt::Key_Return);
    QTest::keyClick(note, Qt::Key_Enter);
    QApplication::clipboard()->setText(u"1\n2\r\n3\r4\u20285\u20296"_s);
    QTest::keyClick(note, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(note, Qt::Key_Right);
    QTest::keyClick(note, Qt::Key_Right);
    QTest::keyClick(note, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(note->toPlainText(), u"ab1 "_s + QString(122, u'z') + u"cd"_s);
    QApplication::clipboard()->setText(u"1\n2\r\n3\r4\u20285\u20296"_s);
    note->clear();
    QTest::keyClick(note, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(note->toPlainText(), u"1 2 3 4 5 6"_s);
    QCOMPARE(note->document()->blockCount(), 1);

    // What a slot brings is kept whole, longer than typing allows or not.
    h.window->findChild<ScriptEditorPage*>()->fetchSlot(
        {QString(50, u'L'), QString(200, u'n'), lines(u"GM"_s)});
    QCOMPARE(label->text() + note->toPlainText(), QString(50, u'L') + QString(200, u'n'));
}

void EditorTest::storeRefusals_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("late");    // a command typed after "Save", before the slot is chosen
    QTest::addColumn<QString>("refusal"); // title, part of the message, the field to fix, its row
    QTest::newRow("no description") << u"GM"_s << QString() << QString() << QString()
                                    << u"Missing description text |description|txtNote|-1"_s;
    QTest::newRow("no caption") << u"GM"_s << QString() << u"n"_s << QString()
                                << u"Missing caption|caption|txtLabel|-1"_s;
    QTest::newRow("separator") << u"SM 1|start;SP 1|Nr. #3"_s << u"#1"_s << u"#2"_s << QString()
                               << u"Invalid character|\"#\"|lstCommands|1"_s;
    QTest::newRow("typed after Save")
        << u"GM"_s << u"L"_s << u"N"_s << u"XC 1 Ω"_s << u"Invalid character|Windows-1252|lstCommands|1"_s;
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
    h.click("cmdSave");
    if (!late.isEmpty()) {
        h.dialogs.inputAnswers = {late};
        h.click("cmdCreateManualCommand");
        QTRY_VERIFY_WITH_TIMEOUT(h.find<QPushButton>("cmdF2")->isEnabled(), Timeout);
        h.click("cmdF2");
    }
    const QStringList expected = refusal.split(u'|');
    const ScriptedDialogs::Call& told = h.dialogs.calls.last();
    QCOMPARE(told.kind + u'|' + told.title, u"warning|"_s + expected[0]);
    QVERIFY2(told.text.contains(expected[1]), qPrintable(told.text));
    QVERIFY(!h.window->memory()->anyModePending() && h.window->memory()->slotAt(2).lines.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget()->objectName(), expected[2], Timeout);
    auto* list = h.find<QTreeWidget>("lstCommands");
    QCOMPARE(list->currentItem() && list->currentItem()->isSelected()
                 ? list->indexOfTopLevelItem(list->currentItem())
                 : -1,
             expected[3].toInt());
}

QTEST_MAIN(EditorTest)
#include "tst_editor.moc"
