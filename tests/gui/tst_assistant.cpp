// The command assistant: the entries it offers and selects, the Command key written on every close, commands
// built page by page with the keys, the file dialog, and the assistant as the command line and the editor
// use it.

#include "support/GuiSupport.h"

#include "core/catalogue/Catalogue.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/texts/Texts.h"
#include "gui/AssistantDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

class AssistantTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void openAndClose_data();
    void openAndClose();
    void building_data();
    void building();
    void newPickStartsOver();
    void fileDialog();
    void fromTheWindow_data();
    void fromTheWindow();

private:
    // The dialog on a Setup.ini whose Command key holds stored; records replace the catalogue unless empty.
    std::unique_ptr<AssistantDialog> open(int deviceType, bool queries, const QString& stored,
                                          const QStringList& records = {}) {
        WriteProfileValue(Settings::Section, u"Command"_s, stored, m_folders->setupIni());
        AssistantContext context{
            nullptr,
            deviceType,
            queries,
            m_folders->setupIni(),
            m_folders->program(),
            &m_dialogs,
            [this](QWidget* owner, int topic) { m_help << owner->objectName() + QString::number(topic); },
            {}};
        if (!records.isEmpty())
            context.loadCatalogue = [records](int, bool) { return records; };
        auto dialog = std::make_unique<AssistantDialog>(context);
        dialog->show();
        return dialog;
    }
    template <typename W> W* child(const std::unique_ptr<AssistantDialog>& dialog, const char* name) {
        return dialog->findChild<W*>(QLatin1String(name));
    }
    // Types into the page's entry field and presses Enter, as the user does; returns the page's hint.
    QString enter(const std::unique_ptr<AssistantDialog>& dialog, const QString& value) {
        auto* number = child<QSpinBox>(dialog, "cwnValue");
        QWidget* field =
            number->isVisible() ? static_cast<QWidget*>(number) : child<QLineEdit>(dialog, "txtText");
        number->selectAll();
        for (const QChar c : value) // keyClicks takes ASCII only
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key(c.toUpper().unicode()), QString(c),
                                Qt::NoModifier);
        const QString hint = child<QLabel>(dialog, "labMaxTextLen")->text();
        QTest::keyClick(field, Qt::Key_Return);
        return hint;
    }

    std::unique_ptr<TestFolders> m_folders;
    ScriptedDialogs m_dialogs;
    QStringList m_help;
};

void AssistantTest::init() {
    m_folders = std::make_unique<TestFolders>();
    m_dialogs = ScriptedDialogs{};
    m_help.clear();
    SetLanguageOffset(0);
    SetLastAssistantPath(QString());
}

void AssistantTest::openAndClose_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<bool>("queries");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("close"); // by Enter on a command without parameters, Cancel or the close box
    QTest::addColumn<QString>("result");
    QTest::newRow("type 1 with queries, accepted")
        << 1 << true << u"19"_s << 34 << 19 << u"enter"_s << u"GM|Zustand des Messbetriebs abfragen (GM)"_s;
    QTest::newRow("type 1, cancelled") << 1 << false << u"18"_s << 20 << 18 << u"cancel"_s << u"|"_s;
    QTest::newRow("type 0 with queries, not a number, closed")
        << 0 << true << u"abc"_s << 11 << 0 << u"close"_s << u"|"_s;
    QTest::newRow("type 0, one past the last") << 0 << false << u"10"_s << 10 << 0 << u"cancel"_s << u"|"_s;
}

void AssistantTest::openAndClose() {
    QFETCH(int, deviceType);
    QFETCH(bool, queries);
    QFETCH(QString, stored);
    QFETCH(int, entries);
    QFETCH(int, selected);
    QFETCH(QString, close);
    QFETCH(QString, result);
    auto dialog = open(deviceType, queries, stored);
    auto* list = child<QComboBox>(dialog, "cboCommand");
    const QStringList catalogue = LoadCommandCatalogue(deviceType, queries);
    QCOMPARE(list->count(), entries);
    QCOMPARE(list->itemText(entries - 1), CatalogueRecord(catalogue.last()).description());
    // The stored entry is selected when there is one, on the command page, with the focus in the list.
    QCOMPARE(list->currentIndex(), selected);
    QCOMPARE(dialog->currentPage(), 1);
    QCOMPARE(child<QLabel>(dialog, "labSelCommand")->text(),
             CatalogueRecord(catalogue[selected]).commandWord());
    QCOMPARE(dialog->focusWidget(), list);

    // Every way of closing remembers the entry selected last.
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(ReadProfileValue(Settings::Section, u"Command"_s, {}, 9, m_folders->setupIni()), stored);
    if (close == u"enter"_s)
        QTest::keyClick(list, Qt::Key_Return);
    else if (close == u"cancel"_s)
        QTest::mouseClick(child<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
    else
        dialog->close();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(ReadProfileValue(Settings::Section, u"Command"_s, {}, 9, m_folders->setupIni()),
             QString::number(selected + 1));
    QCOMPARE(dialog->assistantResult().command + u'|' + dialog->assistantResult().description, result);
}

void AssistantTest::building_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("record"); // instead of the catalogue
    QTest::addColumn<QString>("values"); // typed page by page, each followed by Enter
    QTest::addColumn<QString>("hint");   // on the last page
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("warning");
    QTest::newRow("two numbers") << 0 << 0 << 3 << QString() << u"3|5"_s
                                 << u"Möglicher Wertebereich: 0 bis 31"_s << u"SP 3 5"_s << QString();
    QTest::newRow("negative minimum")
        << 0 << 1 << 15 << QString() << u"-1"_s << u"Möglicher Wertebereich: -1 bis 2147483646"_s
        << u"SNA -1"_s << QString();
    QTest::newRow("unknown type, free text")
        << 0 << 0 << 0 << u"Odd (OD),,3,OD,a,%d,0#9,b,%s,5,c,%x,"_s << u"0|txt|free"_s
        << u"Maximale Textlänge: 100 Zeichen"_s << u"OD 0 txt free"_s << QString();
    // A character outside the restricted set leaves the field as it was, the caret at its end.
    QTest::newRow("restricted text") << 0 << 0 << 4 << QString() << u"12|Ab-_ ä,.{@ß9"_s + QString(70, u'x')
                                     << u"Maximale Textlänge: 63 Zeichen"_s
                                     << u"CA 12 Ab-_ 9"_s + QString(57, u'x') << QString();
    QTest::newRow("empty text refused, English")
        << 1 << 0 << 7 << QString() << u"|Smith"_s << u"Maximum text length: 20 characters"_s << u"UN Smith"_s
        << u"Parameter error|You don't entered parameter ' User name ' !"_s;
}

void AssistantTest::building() {
    QFETCH(int, language);
    QFETCH(int, deviceType);
    QFETCH(int, stored);
    QFETCH(QString, record);
    QFETCH(QString, values);
    QFETCH(QString, hint);
    QFETCH(QString, result);
    QFETCH(QString, warning);
    SetLanguageOffset(language * EnglishOffset);
    auto dialog = open(deviceType, false, QString::number(stored),
                       record.isEmpty() ? QStringList() : QStringList{record});
    auto* list = child<QComboBox>(dialog, "cboCommand");
    QTest::keyClick(list, Qt::Key_Return);
    // Help shows the assistant's topic, owned by the dialog, and leaves the page as it is.
    QTest::mouseClick(child<QPushButton>(dialog, "cmdHelp"), Qt::LeftButton);
    QCOMPARE(m_help, QStringList{u"frmAssistant1800"_s});
    QString lastHint;
    for (const QString& value : values.split(u'|'))
        lastHint = enter(dialog, value);
    QCOMPARE(lastHint, hint);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(dialog->assistantResult().command, result);
    QCOMPARE(dialog->assistantResult().description, list->currentText());
    // The empty field is refused with the parameter's name, the page kept.
    QCOMPARE(m_dialogs.calls.size(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty())
        QCOMPARE(m_dialogs.calls[0].title + u'|' + m_dialogs.calls[0].text, warning);
}

void AssistantTest::newPickStartsOver() {
    auto dialog = open(0, false, u"3"_s);
    auto* list = child<QComboBox>(dialog, "cboCommand");
    auto* command = child<QLabel>(dialog, "labSelCommand");
    QTest::keyClick(list, Qt::Key_Return);
    enter(dialog, u"3"_s);
    QCOMPARE(dialog->currentPage(), 3);
    QCOMPARE(command->text(), u"SP 3"_s);
    // Another entry, picked on a parameter page, starts at its command page with only its command word.
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(dialog->currentPage(), 1);
    QCOMPARE(command->text(), u"CA"_s);
    QVERIFY(!child<QLabel>(dialog, "labParameter")->isVisible() &&
            !child<QSpinBox>(dialog, "cwnValue")->isVisible());
    QCOMPARE(child<QPushButton>(dialog, "cmdNext")->text(), u"Weiter..."_s);
    // So does picking the entry already selected.
    QTest::keyClick(list, Qt::Key_Return);
    emit list->activated(list->currentIndex());
    QCOMPARE(dialog->currentPage(), 1);
}

void AssistantTest::fileDialog() {
    QCOMPARE(QtFileFilter(GetText(TextId::AssistantFileFilter)),
             u"Backupdateien (*.txt);;Geräteliste Dateien (*.inf)"_s);
    QCOMPARE(QtFileFilter(u"Backup file|*.txt;*.inf"_s), u"Backup file (*.txt *.inf)"_s);
    const QStringList files{m_folders->settings() + u"backup.txt"_s, m_folders->program() + u"list.inf"_s};
    QVERIFY(writeBytes(files[0], "x") && writeBytes(files[1], "x"));
    auto dialog = open(0, false, u"6"_s);
    auto* text = child<QLineEdit>(dialog, "txtText");
    QTest::keyClick(child<QComboBox>(dialog, "cboCommand"), Qt::Key_Return);
    enter(dialog, u"0"_s);
    QCOMPARE(text->maxLength(), 256);

    // Cancelled: a path typed before is gone, and the empty field is refused.
    QTest::keyClicks(text, u"/typed/by/hand.txt"_s);
    auto* select = child<QPushButton>(dialog, "cmdSelectPath");
    QTest::mouseClick(select, Qt::LeftButton);
    QCOMPARE(m_dialogs.calls[0].title + u'|' + m_dialogs.calls[0].text,
             u"Backupdatei wählen...|"_s + m_folders->program() + u'|' +
                 GetText(TextId::AssistantFileFilter));
    QCOMPARE(text->text(), QString());
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(m_dialogs.calls[1].text, u"Sie haben den Parameter ' kompletter Dateipfad ' nicht eingeben!"_s);
    QCOMPARE(dialog->currentPage(), 3);

    // The next dialog opens where the last file was chosen.
    m_dialogs.openAnswers = {files[0], files[1]};
    QTest::mouseClick(select, Qt::LeftButton);
    QCOMPARE(text->text(), files[0]);
    QTest::mouseClick(select, Qt::LeftButton);
    QVERIFY(m_dialogs.calls[3].text.startsWith(m_folders->settings() + u'|'));
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(dialog->assistantResult().command, u"UF 0 "_s + files[1]);
}

void AssistantTest::fromTheWindow_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("shown"); // the command line and the log's size, or the editor's row
    // The command line takes the command to send it later; the editor offers no queries.
    QTest::newRow("command line") << 1 << u"1"_s << u"20"_s << 34 << u"GM|0"_s;
    QTest::newRow("editor") << 2 << u"0"_s << u"0"_s << 10 << u"SM 0|Quit production mode (SM 0)"_s;
}

void AssistantTest::fromTheWindow() {
    QFETCH(int, tab);
    QFETCH(QString, device);
    QFETCH(QString, stored);
    QFETCH(int, entries);
    QFETCH(QString, shown);
    WindowHarness h({{u"SelTab"_s, QString::number(tab)}, {u"Device"_s, device}, {u"Command"_s, stored}});
    h.open();
    auto* notice = h.find<QLabel>("labCommandScriptCompleted");
    notice->show();
    QStringList seen;
    ModalHandler handler([&](QWidget* dialog) {
        auto* list = dialog->findChild<QComboBox*>(u"cboCommand"_s);
        seen << QString::number(list->count()) << QString::number(notice->isHidden())
             << QString::number(dialog->parentWidget() == h.window.get());
        QTest::keyClick(list, Qt::Key_Return);
    });
    QTest::mouseClick(h.find<QPushButton>(tab == 1 ? "cmdCreateCommand1" : "cmdCreateCommand2"),
                      Qt::LeftButton);
    QCOMPARE(seen, (QStringList{QString::number(entries), u"1"_s, u"1"_s}));
    auto* row = h.find<QTreeWidget>("lstCommands")->topLevelItem(0);
    QCOMPARE(tab == 1 ? h.find<QLineEdit>("txtSend")->text() + u'|' +
                            QString::number(h.window->session()->log()->size())
                      : row->text(0) + u'|' + row->text(1),
             shown);
}

QTEST_MAIN(AssistantTest)
#include "tst_assistant.moc"
