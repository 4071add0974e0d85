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
    void openAndClose_data();
    void openAndClose();
    void building_data();
    void building();
    void fileDialog();

private:
    // Opens the dialog in a language on a Setup.ini whose Command key holds stored; a record replaces the
    // catalogue.
    QComboBox* open(int type, bool queries, const QString& stored, const QString& record = {}, int en = 0) {
        setLanguageOffset(en * EnglishOffset);
        setLastAssistantPath(QString());
        m_dialogs = ScriptedDialogs{};
        WriteProfileValue(Settings::Section, Key, stored, m_folders.setupIni());
        AssistantContext context{nullptr,    type, queries, m_folders.setupIni(), m_folders.program(),
                                 &m_dialogs, {},   {}};
        context.showHelp = [this](QWidget* w, int topic) {
            m_help = w->objectName() + QString::number(topic);
        };
        if (!record.isEmpty())
            context.loadCatalogue = [record](int, bool) { return QStringList{record}; };
        m_dialog = std::make_unique<AssistantDialog>(context);
        m_dialog->show();
        return child<QComboBox>("cboCommand");
    }
    template <typename W> W* child(const char* name) { return m_dialog->findChild<W*>(QLatin1String(name)); }
    QString storedKey() { return ReadProfileValue(Settings::Section, Key, {}, 9, m_folders.setupIni()); }
    // Types a page's value as the user does and presses Enter; "^" picks the next entry, "=" the same one
    // again. Returns what the page said: its hint and the caption of its button.
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
        }
        number->selectAll();
        // keyClicks takes ASCII only.
        for (const QChar c : field == list ? QString() : value)
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key(c.unicode()), QString(c), Qt::NoModifier);
        const QString said = child<QLabel>("labMaxTextLen")->text() + u'|' +
                             child<QWidget>("cmdNext")->property("text").toString();
        QTest::keyClick(field, Qt::Key_Return);
        return said;
    }

    const QString Key = u"Command"_s;
    TestFolders m_folders;
    ScriptedDialogs m_dialogs;
    QString m_help;
    std::unique_ptr<AssistantDialog> m_dialog;
};

void AssistantTest::openAndClose_data() {
    // Opened with a device type, with queries or not, on a Command key; closed by Enter on a command without
    // parameters, Cancel or the close box; then the entries, the one selected, the page and the command
    // word shown at opening, and the command and description built.
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("closed");
    QTest::addColumn<QString>("result");
    QTest::newRow("type 1 with queries, accepted")
        << u"1 1 19"_s << u"enter"_s << u"34 19 1 SRA|GM|Zustand des Messbetriebs abfragen (GM)"_s;
    QTest::newRow("type 1, cancelled") << u"1 0 18"_s << u"cancel"_s << u"20 18 1 SBA||"_s;
    QTest::newRow("type 0 with queries, not a number") << u"0 1 abc"_s << u"close"_s << u"11 0 1 SM 0||"_s;
    QTest::newRow("type 0, one past the last") << u"0 0 10"_s << u"cancel"_s << u"10 0 1 SM 0||"_s;
}

void AssistantTest::openAndClose() {
    QFETCH(QString, opened);
    QFETCH(QString, closed);
    QFETCH(QString, result);
    const QStringList setup = opened.split(u' ');
    QComboBox* list = open(setup[0].toInt(), setup[1] == u"1"_s, setup[2]);
    // The catalogue's entries, the stored one selected when there is one, on the command page, focus in the
    // list.
    const QString opening =
        u"%1 %2 %3 "_s.arg(list->count()).arg(list->currentIndex()).arg(m_dialog->currentPage()) +
        child<QLabel>("labSelCommand")->text();
    QCOMPARE(m_dialog->focusWidget(), list);

    // Every way of closing remembers the entry selected last.
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(storedKey(), setup[2]);
    if (closed == u"enter"_s)
        QTest::keyClick(list, Qt::Key_Return);
    else if (closed == u"cancel"_s)
        QTest::mouseClick(child<QPushButton>("cmdCancel"), Qt::LeftButton);
    else
        m_dialog->close();
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(storedKey(), QString::number(list->currentIndex()));
    QCOMPARE(opening + u'|' + m_dialog->assistantResult().command + u'|' +
                 m_dialog->assistantResult().description,
             result);
}

void AssistantTest::building_data() {
    // Opened in a language, with a device type, on a stored entry or a record instead of the catalogue; the
    // values page by page; the last page's hint and button, the command and the warnings.
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two numbers, the entry picked again")
        << u"0 0 3"_s << u"9|=|3|5"_s << u"Möglicher Wertebereich: 0 bis 31|Übernehmen|SP 3 5"_s;
    QTest::newRow("negative minimum")
        << u"0 1 15"_s << u"-1"_s << u"Möglicher Wertebereich: -1 bis 2147483646|Übernehmen|SNA -1"_s;
    // Another pick starts over; a character outside the restricted set leaves the field as it was.
    QTest::newRow("restricted text after another pick")
        << u"0 0 3"_s << u"3|^|12|Ab-_ ä,.{@ß9"_s + QString(70, u'x')
        << u"Maximale Textlänge: 63 Zeichen|Übernehmen|CA 12 Ab-_ 9"_s + QString(57, u'x');
    QTest::newRow("empty text refused, English")
        << u"1 0 7"_s << u"|Smith"_s
        << u"Maximum text length: 20 characters|Accept|UN Smith|Parameter error|You don't entered parameter ' User name ' !"_s;
}

void AssistantTest::building() {
    QFETCH(QString, opened);
    QFETCH(QString, values);
    QFETCH(QString, expected);
    const QStringList setup = opened.split(u' ');
    QComboBox* list = open(setup[1].toInt(), false, setup[2], opened.section(u' ', 3), setup[0].toInt());
    QTest::keyClick(list, Qt::Key_Return);
    // Help shows the assistant's topic, owned by the dialog, and leaves the page as it is.
    QTest::mouseClick(child<QPushButton>("cmdHelp"), Qt::LeftButton);
    QCOMPARE(m_help + QString::number(m_dialog->currentPage()), u"frmAssistant18002"_s);
    QString said;
    for (const QString& value : values.split(u'|'))
        said = enter(value);
    QStringList told{said, m_dialog->assistantResult().command};
    for (const ScriptedDialogs::Call& call : m_dialogs.calls)
        told << call.title << call.text;
    QCOMPARE(told.join(u'|'), expected);
    QCOMPARE(m_dialog->assistantResult().description, list->currentText());
}

void AssistantTest::fileDialog() {
    QTest::keyClick(open(0, false, u"6"_s), Qt::Key_Return);
    const QString filter = GetText(TextId::AssistantFileFilter);
    QCOMPARE(qtFileFilter(filter), u"Backupdateien (*.txt);;Geräteliste Dateien (*.inf)"_s);
    QCOMPARE(qtFileFilter(u"Backup file|*.txt;*.inf"_s), u"Backup file (*.txt *.inf)"_s);
    const QStringList files{m_folders.settings() + u"backup.txt"_s, m_folders.program() + u"list.inf"_s};
    QVERIFY(writeBytes(files[0], "x") && writeBytes(files[1], "x"));
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
    QTest::mouseClick(child<QPushButton>("cmdSelectPath"), Qt::LeftButton);
    QCOMPARE(text->text(), files[0]);
    QTest::mouseClick(child<QPushButton>("cmdSelectPath"), Qt::LeftButton);
    QStringList told;
    for (const ScriptedDialogs::Call& call : m_dialogs.calls)
        told << call.title + u'|' + call.text;
    const QString select = u"Backupdatei wählen...|"_s;
    QCOMPARE(told, (QStringList{
                       select + m_folders.program() + u'|' + filter,
                       u"Parameterfehler|Sie haben den Parameter ' kompletter Dateipfad ' nicht eingeben!"_s,
                       select + m_folders.program() + u'|' + filter,
                       select + m_folders.settings() + u'|' + filter}));
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(m_dialog->assistantResult().command, u"UF 0 "_s + files[1]);
}

QTEST_MAIN(AssistantTest)
#include "tst_assistant.moc"
