// The command assistant: the entries it offers and selects, the Command key written on every close, commands
// built page by page with the keys, and the file dialog.

#include "support/GuiSupport.h"

#include "core/catalogue/Catalogue.h"
#include "core/texts/Texts.h"
#include "gui/AssistantDialog.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

class AssistantTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void openAndClose_data();
    void openAndClose();
    void building_data();
    void building();
    void fileDialog();

private:
    // Opens the dialog on a Setup.ini whose Command key holds stored; a record replaces the catalogue.
    QComboBox* open(int deviceType, bool queries, const QString& stored, const QString& record = {}) {
        WriteProfileValue(Settings::Section, u"Command"_s, stored, m_folders->setupIni());
        AssistantContext context{
            nullptr,
            deviceType,
            queries,
            m_folders->setupIni(),
            m_folders->program(),
            &m_dialogs,
            [this](QWidget* owner, int topic) { m_help = owner->objectName() + QString::number(topic); },
            {}};
        if (!record.isEmpty())
            context.loadCatalogue = [record](int, bool) { return QStringList{record}; };
        m_dialog = std::make_unique<AssistantDialog>(context);
        m_dialog->show();
        return child<QComboBox>("cboCommand");
    }
    template <typename W> W* child(const char* name) { return m_dialog->findChild<W*>(QLatin1String(name)); }
    QString storedKey() {
        return ReadProfileValue(Settings::Section, u"Command"_s, {}, 9, m_folders->setupIni());
    }
    // Types a page's value as the user does and presses Enter; "^" picks the next entry, "=" the same one
    // again. Returns what the page said: the hint and the caption of its button.
    QString enter(const QString& value) {
        auto* list = child<QComboBox>("cboCommand");
        auto* number = child<QSpinBox>("cwnValue");
        QWidget* field = number->isVisible() ? static_cast<QWidget*>(number) : child<QLineEdit>("txtText");
        if (value == u"^"_s || value == u"="_s) {
            field = list;
            if (value == u"^"_s)
                QTest::keyClick(list, Qt::Key_Down);
            else
                emit list->activated(list->currentIndex());
        } else {
            number->selectAll();
            for (const QChar c : value) // keyClicks takes ASCII only
                QTest::sendKeyEvent(QTest::Click, field, Qt::Key(c.toUpper().unicode()), QString(c),
                                    Qt::NoModifier);
        }
        const QString said =
            child<QLabel>("labMaxTextLen")->text() + u'|' + child<QPushButton>("cmdNext")->text();
        QTest::keyClick(field, Qt::Key_Return);
        return said;
    }

    std::unique_ptr<TestFolders> m_folders;
    ScriptedDialogs m_dialogs;
    QString m_help;
    std::unique_ptr<AssistantDialog> m_dialog;
};

void AssistantTest::init() {
    m_folders = std::make_unique<TestFolders>();
    m_dialogs = ScriptedDialogs{};
    SetLanguageOffset(0);
    SetLastAssistantPath(QString());
}

void AssistantTest::openAndClose_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<bool>("queries");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("close"); // Enter on a command without parameters, Cancel or the close box
    QTest::addColumn<QString>("result");
    QTest::newRow("type 1 with queries, accepted")
        << 1 << true << u"19"_s << 34 << 19 << u"enter"_s << u"GM|Zustand des Messbetriebs abfragen (GM)"_s;
    QTest::newRow("type 1, cancelled") << 1 << false << u"18"_s << 20 << 18 << u"cancel"_s << u"|"_s;
    QTest::newRow("type 0 with queries, not a number")
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
    QComboBox* list = open(deviceType, queries, stored);
    // The catalogue's entries, the stored one selected when there is one, on the command page, focus in the
    // list.
    const QStringList catalogue = LoadCommandCatalogue(deviceType, queries);
    QCOMPARE(list->count(), entries);
    QCOMPARE(list->itemText(entries - 1), CatalogueRecord(catalogue.last()).description());
    QCOMPARE(u"%1 %2 "_s.arg(list->currentIndex()).arg(m_dialog->currentPage()) +
                 child<QLabel>("labSelCommand")->text(),
             u"%1 1 "_s.arg(selected) + CatalogueRecord(catalogue[selected]).commandWord());
    QCOMPARE(m_dialog->focusWidget(), list);

    // Every way of closing remembers the entry selected last.
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(storedKey(), stored);
    if (close == u"enter"_s)
        QTest::keyClick(list, Qt::Key_Return);
    else if (close == u"cancel"_s)
        QTest::mouseClick(child<QPushButton>("cmdCancel"), Qt::LeftButton);
    else
        m_dialog->close();
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(storedKey(), QString::number(selected + 1));
    QCOMPARE(m_dialog->assistantResult().command + u'|' + m_dialog->assistantResult().description, result);
}

void AssistantTest::building_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("record");  // instead of the catalogue
    QTest::addColumn<QString>("values");  // page by page
    QTest::addColumn<QString>("said");    // by the last page
    QTest::addColumn<QString>("command"); // then the warning, if any
    QTest::newRow("two numbers, the entry picked again")
        << 0 << 0 << 3 << QString() << u"9|=|3|5"_s << u"Möglicher Wertebereich: 0 bis 31|Übernehmen"_s
        << u"SP 3 5"_s;
    QTest::newRow("negative minimum")
        << 0 << 1 << 15 << QString() << u"-1"_s << u"Möglicher Wertebereich: -1 bis 2147483646|Übernehmen"_s
        << u"SNA -1"_s;
    QTest::newRow("unknown type, free text")
        << 0 << 0 << 0 << u"Odd (OD),,3,OD,a,%d,0#9,b,%s,5,c,%x,"_s << u"0|txt|free"_s
        << u"Maximale Textlänge: 100 Zeichen|Übernehmen"_s << u"OD 0 txt free"_s;
    // Another pick starts over; a character outside the restricted set leaves the field as it was.
    QTest::newRow("restricted text after another pick")
        << 0 << 0 << 3 << QString() << u"3|^|12|Ab-_ ä,.{@ß9"_s + QString(70, u'x')
        << u"Maximale Textlänge: 63 Zeichen|Übernehmen"_s << u"CA 12 Ab-_ 9"_s + QString(57, u'x');
    QTest::newRow("empty text refused, English")
        << 1 << 0 << 7 << QString() << u"|Smith"_s << u"Maximum text length: 20 characters|Accept"_s
        << u"UN Smith|Parameter error|You don't entered parameter ' User name ' !"_s;
}

void AssistantTest::building() {
    QFETCH(int, language);
    QFETCH(int, deviceType);
    QFETCH(int, stored);
    QFETCH(QString, record);
    QFETCH(QString, values);
    QFETCH(QString, said);
    QFETCH(QString, command);
    SetLanguageOffset(language * EnglishOffset);
    QComboBox* list = open(deviceType, false, QString::number(stored), record);
    QTest::keyClick(list, Qt::Key_Return);
    // Help shows the assistant's topic, owned by the dialog, and leaves the page as it is.
    QTest::mouseClick(child<QPushButton>("cmdHelp"), Qt::LeftButton);
    QCOMPARE(m_help + QString::number(m_dialog->currentPage()), u"frmAssistant18002"_s);
    QString lastSaid;
    for (const QString& value : values.split(u'|'))
        lastSaid = enter(value);
    QCOMPARE(lastSaid, said);
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(m_dialog->assistantResult().description, list->currentText());
    QStringList told{m_dialog->assistantResult().command};
    for (const ScriptedDialogs::Call& call : m_dialogs.calls)
        told << call.title << call.text;
    QCOMPARE(told.join(u'|'), command);
}

void AssistantTest::fileDialog() {
    QCOMPARE(QtFileFilter(GetText(TextId::AssistantFileFilter)),
             u"Backupdateien (*.txt);;Geräteliste Dateien (*.inf)"_s);
    QCOMPARE(QtFileFilter(u"Backup file|*.txt;*.inf"_s), u"Backup file (*.txt *.inf)"_s);
    const QStringList files{m_folders->settings() + u"backup.txt"_s, m_folders->program() + u"list.inf"_s};
    QVERIFY(writeBytes(files[0], "x") && writeBytes(files[1], "x"));
    QTest::keyClick(open(0, false, u"6"_s), Qt::Key_Return);
    enter(u"0"_s);
    auto* text = child<QLineEdit>("txtText");
    QCOMPARE(text->maxLength(), 256);

    // Cancelled: a path typed before is gone, and the empty field is refused. The dialog opens in the program
    // folder, then where the last file was chosen.
    QTest::keyClicks(text, u"/typed/by/hand.txt"_s);
    m_dialogs.openAnswers = {std::nullopt, files[0], files[1]};
    QTest::mouseClick(child<QPushButton>("cmdSelectPath"), Qt::LeftButton);
    QCOMPARE(text->text(), QString());
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(m_dialog->currentPage(), 3);
    QTest::mouseClick(child<QPushButton>("cmdSelectPath"), Qt::LeftButton);
    QCOMPARE(text->text(), files[0]);
    QTest::mouseClick(child<QPushButton>("cmdSelectPath"), Qt::LeftButton);
    QStringList told;
    for (const ScriptedDialogs::Call& call : m_dialogs.calls)
        told << call.title + u'|' + call.text;
    QCOMPARE(
        told,
        (QStringList{
            u"Backupdatei wählen...|"_s + m_folders->program() + u'|' + GetText(TextId::AssistantFileFilter),
            u"Parameterfehler|Sie haben den Parameter ' kompletter Dateipfad ' nicht eingeben!"_s,
            u"Backupdatei wählen...|"_s + m_folders->program() + u'|' + GetText(TextId::AssistantFileFilter),
            u"Backupdatei wählen...|"_s + m_folders->settings() + u'|' +
                GetText(TextId::AssistantFileFilter)}));
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(m_dialog->assistantResult().command, u"UF 0 "_s + files[1]);
}

QTEST_MAIN(AssistantTest)
#include "tst_assistant.moc"
