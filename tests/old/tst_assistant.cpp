// The command catalogue and the command assistant: the field splitter and what a record says about its
// parameters, then the real dialog driven by keys and clicks, with its message box and file dialog answered
// by a fake, and once through RunCommandAssistant and the main window's command line.

#include "testsupport.h"

#include "gui/MainWindow.h"
#include "core/files/Profile.h"
#include "core/texts/Texts.h"
#include "gui/AssistantDialog.h"
#include "core/catalogue/Catalogue.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

constexpr int English = 10000;
const QString Section = QStringLiteral("SETTINGS");
const QString CommandKey = QStringLiteral("Command");
const QString Comma = QStringLiteral(",");
const QString Hash = QStringLiteral("#");

// Entries of the catalogue, by their index in the assistant's list.
constexpr int Type0Sp = 3;
constexpr int Type0Ca = 4;
constexpr int Type0Uf = 6;
constexpr int Type0Un = 7;
constexpr int Type1Sna = 15;
constexpr int Type1Gm = 20;

template <class T> T* find(const QWidget* dialog, const char* name) {
    auto* widget = dialog->findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

struct Widgets {
    const QWidget* d;
    QLabel* labSelCommand = find<QLabel>(d, "labSelCommand");
    QComboBox* cboCommand = find<QComboBox>(d, "cboCommand");
    QLabel* labNote = find<QLabel>(d, "labNote");
    QLabel* labParameter = find<QLabel>(d, "labParameter");
    QLineEdit* txtText = find<QLineEdit>(d, "txtText");
    QSpinBox* cwnValue = find<QSpinBox>(d, "cwnValue");
    QPushButton* cmdSelectPath = find<QPushButton>(d, "cmdSelectPath");
    QLabel* labMaxTextLen = find<QLabel>(d, "labMaxTextLen");
    QPushButton* cmdHelp = find<QPushButton>(d, "cmdHelp");
    QPushButton* cmdNext = find<QPushButton>(d, "cmdNext");
    QPushButton* cmdCancel = find<QPushButton>(d, "cmdCancel");
};

// Replaces the spin box's text by what the user types.
void typeNumber(QSpinBox* box, const QString& digits) {
    box->selectAll();
    QTest::keyClicks(box, digits);
}

// Runs step inside the modal loop of the assistant once it is up. A step that fails leaves the dialog open,
// so it is rejected after a generous time and the test fails instead of hanging.
void whenAssistantOpens(std::function<void(AssistantDialog*)> step, int attempts = 1000) {
    QTimer::singleShot(0, qApp, [step, attempts] {
        auto* dialog = qobject_cast<AssistantDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QVERIFY2(attempts > 0, "the assistant did not open");
            whenAssistantOpens(step, attempts - 1);
            return;
        }
        QTimer::singleShot(20000, dialog, [dialog] { dialog->reject(); });
        step(dialog);
    });
}

} // namespace

class AssistantTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void getField_data();
    void getField();
    void parameterLimits_data();
    void parameterLimits();
    void recordFields();

    void entriesByDeviceTypeAndCaller_data();
    void entriesByDeviceTypeAndCaller();
    void commandKeyWrittenOnEveryClose_data();
    void commandKeyWrittenOnEveryClose();
    void twoNumbersThroughRunCommandAssistant();
    void numberRangeWithNegativeMinimumAndHelp();
    void recordOutsideTheGrammar();
    void restrictedTextIsFiltered();
    void newPickStartsOver();
    void englishOnSecondOpening();
    void fileDialog();
    void commandLineTakesTheCommand();

private:
    AssistantContext context(int deviceType, bool includeQueries);
    std::unique_ptr<AssistantDialog> open(const AssistantContext& c) {
        auto dialog = std::make_unique<AssistantDialog>(c);
        dialog->show();
        return dialog;
    }
    QString iniPath() const { return m_dir->filePath(QStringLiteral("Setup.ini")); }
    QString programFolder() const { return m_dir->filePath(QStringLiteral("program")); }
    void storeCommand(int index) {
        WriteProfileValue(Section, CommandKey, QString::number(index), iniPath());
    }
    QString storedCommand() const { return ReadProfileValue(Section, CommandKey, QString(), 100, iniPath()); }

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedDialogs m_dialogs;
    QList<QPair<QWidget*, int>> m_helpCalls;
};

void AssistantTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("program")));
    m_dialogs = ScriptedDialogs{};
    m_helpCalls.clear();
    SetLastAssistantPath(QString());
}

void AssistantTest::cleanup() {
    SetLanguageOffset(0);
}

AssistantContext AssistantTest::context(int deviceType, bool includeQueries) {
    AssistantContext c;
    c.deviceType = deviceType;
    c.includeQueries = includeQueries;
    c.setupIniPath = iniPath();
    c.programFolder = programFolder();
    c.dialogs = &m_dialogs;
    c.showHelp = [this](QWidget* owner, int topic) { m_helpCalls.append({owner, topic}); };
    return c;
}

void AssistantTest::getField_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("field");
    QTest::addColumn<bool>("digitsOnly");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("expected");

    const QString gm = QStringLiteral("Zustand des Messbetriebs abfragen (GM),,0,GM");
    QTest::newRow("description") << gm << 1 << false << Comma << gm.left(38);
    QTest::newRow("empty note") << gm << 2 << false << Comma << QString();
    QTest::newRow("command word") << gm << 4 << false << Comma << QStringLiteral("GM");
    QTest::newRow("past the last") << gm << 5 << false << Comma << QString();
    QTest::newRow("field 0") << gm << 0 << false << Comma << QString();
    QTest::newRow("digits only") << QStringLiteral("1 2a#x-3.5 ") << 2 << true << Hash
                                 << QStringLiteral("-3.5");
    QTest::newRow("not trimmed") << QStringLiteral("a , b") << 2 << false << Comma << QStringLiteral(" b");
    QTest::newRow("empty text") << QString() << 1 << false << Comma << QString();
    QTest::newRow("empty fields") << QStringLiteral(",,c") << 3 << false << Comma << QStringLiteral("c");
    // A separator of more than one character never matches: the whole text is field 1.
    QTest::newRow("long separator") << QStringLiteral("a,b") << 1 << false << QStringLiteral(",b")
                                    << QStringLiteral("a,b");
    // A text too long for the 16-bit position counter gives nothing.
    QTest::newRow("too long") << QStringLiteral("a,") + QString(32765, QLatin1Char('b')) << 1 << false
                              << Comma << QString();
}

void AssistantTest::getField() {
    QFETCH(QString, text);
    QFETCH(int, field);
    QFETCH(bool, digitsOnly);
    QFETCH(QString, separator);
    QFETCH(QString, expected);
    QCOMPARE(GetField(text, field, digitsOnly, separator), expected);
}

void AssistantTest::parameterLimits_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QString>("expected"); // "minimum..maximum" for "%d", else the length

    const QString d = QStringLiteral("%d");
    QTest::newRow("bounds") << d << QStringLiteral("-1#2147483646") << QStringLiteral("-1..2147483646");
    QTest::newRow("single number") << d << QStringLiteral("7") << QStringLiteral("7..1");
    QTest::newRow("empty limit") << d << QString() << QStringLiteral("0..1");
    QTest::newRow("letters dropped") << d << QStringLiteral(" 1 0 #2a0") << QStringLiteral("10..20");
    QTest::newRow("text") << QStringLiteral("%s") << QStringLiteral("20") << QStringLiteral("20");
    QTest::newRow("text not a number")
        << QStringLiteral("%s") << QStringLiteral("x") << QStringLiteral("100");
    QTest::newRow("text beyond 16 bits")
        << QStringLiteral("%r") << QStringLiteral("32768") << QStringLiteral("100");
    QTest::newRow("path not a number")
        << QStringLiteral("%p") << QStringLiteral("x") << QStringLiteral("256");
}

void AssistantTest::parameterLimits() {
    QFETCH(QString, type);
    QFETCH(QString, limit);
    QFETCH(QString, expected);
    const CatalogueParameter p{QStringLiteral("Value"), type, limit};
    QCOMPARE(p.type() == ParameterType::Number ? QStringLiteral("%1..%2").arg(p.minimum()).arg(p.maximum())
                                               : QString::number(p.maxLength()),
             expected);
}

void AssistantTest::recordFields() {
    const CatalogueRecord sp(GetText(1003));
    QCOMPARE(sp.note(), QStringLiteral("Nur m\u00f6glich w\u00e4hrend des Messbetriebs"));
    QCOMPARE(sp.parameterCount(), std::optional<int>(2));
    QCOMPARE(sp.parameter(1).name, QStringLiteral("Ger\u00e4teadresse"));
    QCOMPARE(sp.parameter(2).maximum(), 31);
    // Blanks are part of the text.
    QCOMPARE(CatalogueRecord(GetText(12004)).parameter(2).name, QStringLiteral("Manual component caption "));
    QVERIFY(!CatalogueRecord(QStringLiteral("Just a description")).parameterCount());
}

void AssistantTest::entriesByDeviceTypeAndCaller_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<bool>("includeQueries");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("firstId");
    QTest::addColumn<int>("lastId");
    QTest::addColumn<QString>("stored"); // the "Command" key
    QTest::addColumn<int>("selected");
    QTest::newRow("type 1, command line") << 1 << true << 34 << 2000 << 2213 << QStringLiteral("15") << 15;
    QTest::newRow("type 1, script editor") << 1 << false << 20 << 2000 << 2019 << QStringLiteral("19") << 19;
    QTest::newRow("type 0, command line") << 0 << true << 11 << 1000 << 1200 << QStringLiteral("abc") << 0;
    QTest::newRow("type 0, script editor") << 0 << false << 10 << 1000 << 1009 << QStringLiteral("15") << 0;
    QTest::newRow("one past the last") << 0 << false << 10 << 1000 << 1009 << QStringLiteral("10") << 0;
}

void AssistantTest::entriesByDeviceTypeAndCaller() {
    QFETCH(int, deviceType);
    QFETCH(bool, includeQueries);
    QFETCH(int, entries);
    QFETCH(int, firstId);
    QFETCH(int, lastId);
    QFETCH(QString, stored);
    QFETCH(int, selected);
    for (const int offset : {English, 0}) {
        SetLanguageOffset(offset);
        const QStringList records = LoadCommandCatalogue(deviceType, includeQueries);
        QCOMPARE(records.size(), entries);
        QCOMPARE(records.first(), GetText(firstId));
        QCOMPARE(records.last(), GetText(lastId));
    }
    WriteProfileValue(Section, CommandKey, stored, iniPath());
    auto dialog = open(context(deviceType, includeQueries));
    const Widgets w{dialog.get()};
    QCOMPARE(w.cboCommand->count(), entries);
    QCOMPARE(w.cboCommand->itemText(entries - 1), CatalogueRecord(GetText(lastId)).description());
    // The stored entry is selected when there is one; the dialog opens on its command page, focus in the
    // list.
    QCOMPARE(w.cboCommand->currentIndex(), selected);
    QCOMPARE(dialog->currentPage(), 1);
    QCOMPARE(w.labSelCommand->text(), dialog->records().at(selected).commandWord());
    QCOMPARE(dialog->focusWidget(), w.cboCommand);
}

void AssistantTest::commandKeyWrittenOnEveryClose_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("accept") << QStringLiteral("accept");
    QTest::newRow("cancel button") << QStringLiteral("cancel");
    QTest::newRow("close box") << QStringLiteral("close");
}

void AssistantTest::commandKeyWrittenOnEveryClose() {
    QFETCH(QString, how);
    storeCommand(Type1Gm - 1);
    auto dialog = open(context(1, true));
    const Widgets w{dialog.get()};
    QTest::keyClick(w.cboCommand, Qt::Key_Down);
    QCOMPARE(storedCommand(), QString::number(Type1Gm - 1));
    // GM takes no parameter: Accept is offered at once.
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("GM"));
    QCOMPARE(w.cmdNext->text(), QStringLiteral("\u00dcbernehmen"));

    if (how == QStringLiteral("accept"))
        QTest::keyClick(w.cboCommand, Qt::Key_Return);
    else if (how == QStringLiteral("cancel"))
        QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
    else
        dialog->close();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(storedCommand(), QString::number(Type1Gm));
    const bool accepted = how == QStringLiteral("accept");
    QCOMPARE(dialog->assistantResult().command, accepted ? QStringLiteral("GM") : QString());
    QCOMPARE(dialog->assistantResult().description,
             accepted ? QStringLiteral("Zustand des Messbetriebs abfragen (GM)") : QString());
}

void AssistantTest::twoNumbersThroughRunCommandAssistant() {
    storeCommand(Type0Sp);
    QWidget owner;
    owner.show();
    AssistantContext c = context(0, true);
    c.parent = &owner;

    // Keys only: Enter on each page, digits in the numeric field.
    whenAssistantOpens([&owner](AssistantDialog* dialog) {
        QVERIFY(dialog->isModal());
        QCOMPARE(dialog->parentWidget(), &owner);
        const Widgets w{dialog};
        QCOMPARE(w.cmdNext->text(), QStringLiteral("Weiter..."));
        QTest::keyClick(w.cboCommand, Qt::Key_Return);
        QCOMPARE(w.labMaxTextLen->text(), QStringLiteral("M\u00f6glicher Wertebereich: 0 bis 99"));
        typeNumber(w.cwnValue, QStringLiteral("3"));
        QTest::keyClick(w.cwnValue, Qt::Key_Return);
        // Next on page 2 appends the value before page 3 shows.
        QCOMPARE(dialog->currentPage(), 3);
        QCOMPARE(w.labSelCommand->text(), QStringLiteral("SP 3"));
        QCOMPARE(w.cwnValue->maximum(), 31);
        QCOMPARE(w.cmdNext->text(), QStringLiteral("\u00dcbernehmen"));
        typeNumber(w.cwnValue, QStringLiteral("5"));
        QTest::keyClick(w.cwnValue, Qt::Key_Return);
    });
    const AssistantResult built = RunCommandAssistant(c);
    QCOMPARE(built.command, QStringLiteral("SP 3 5"));
    QCOMPARE(built.description, QStringLiteral("Messprogramm einstellen (SP)"));
}

void AssistantTest::numberRangeWithNegativeMinimumAndHelp() {
    storeCommand(Type1Sna);
    auto dialog = open(context(1, false));
    const Widgets w{dialog.get()};
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("SNA"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(w.cwnValue->minimum(), -1);
    QCOMPARE(w.cwnValue->maximum(), 2147483646);
    QCOMPARE(w.labMaxTextLen->text(), QStringLiteral("M\u00f6glicher Wertebereich: -1 bis 2147483646"));
    // Help opens the assistant's topic, owned by the dialog, and leaves the page as it is.
    QTest::mouseClick(w.cmdHelp, Qt::LeftButton);
    QCOMPARE(m_helpCalls, (QList<QPair<QWidget*, int>>{{dialog.get(), 1800}}));
    QCOMPARE(dialog->currentPage(), 2);
    typeNumber(w.cwnValue, QStringLiteral("-1"));
    QTest::keyClick(w.cwnValue, Qt::Key_Enter);
    QCOMPARE(dialog->assistantResult().command, QStringLiteral("SNA -1"));
}

void AssistantTest::recordOutsideTheGrammar() {
    // Three parameters, the last of an unknown type: every page is shown, unknown types take free text.
    AssistantContext c = context(0, false);
    c.loadCatalogue = [](int, bool) {
        return QStringList{QStringLiteral("Odd (OD),,3,OD,a,%d,0#9,b,%s,5,c,%x,")};
    };
    auto dialog = open(c);
    const Widgets w{dialog.get()};
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QTest::keyClicks(w.txtText, QStringLiteral("txt"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(w.labParameter->text(), QStringLiteral("c"));
    QVERIFY(w.txtText->isVisible());
    QCOMPARE(w.txtText->maxLength(), 100);
    QCOMPARE(w.cmdNext->text(), QStringLiteral("\u00dcbernehmen"));
    QTest::keyClicks(w.txtText, QStringLiteral("free"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->assistantResult().command, QStringLiteral("OD 0 txt free"));
}

void AssistantTest::restrictedTextIsFiltered() {
    storeCommand(Type0Ca);
    auto dialog = open(context(0, false));
    const Widgets w{dialog.get()};
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    typeNumber(w.cwnValue, QStringLiteral("12"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("CA 12"));
    QVERIFY(dialog->restrictInput());
    QCOMPARE(w.labMaxTextLen->text(), QStringLiteral("Maximale Textl\u00e4nge: 63 Zeichen"));
    QTest::keyClicks(w.txtText, QStringLiteral("Ab-_ 9"));
    QCOMPARE(w.txtText->text(), QStringLiteral("Ab-_ 9"));

    // A character outside the set leaves the field as it was, with the caret at the end.
    for (const QChar c : QStringLiteral("\u00e4,.{@\u00df")) {
        w.txtText->setCursorPosition(2);
        QTest::sendKeyEvent(QTest::Click, w.txtText, Qt::Key(c.toUpper().unicode()), QString(c),
                            Qt::NoModifier);
        QCOMPARE(w.txtText->text(), QStringLiteral("Ab-_ 9"));
        QCOMPARE(w.txtText->cursorPosition(), 6);
    }
    // Allowed characters are taken up to the length limit.
    w.txtText->end(false);
    QTest::keyClicks(w.txtText, QString(70, QLatin1Char('x')));
    QCOMPARE(w.txtText->text(), QStringLiteral("Ab-_ 9") + QString(57, QLatin1Char('x')));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->assistantResult().command,
             QStringLiteral("CA 12 Ab-_ 9") + QString(57, QLatin1Char('x')));
}

void AssistantTest::newPickStartsOver() {
    storeCommand(Type0Sp);
    auto dialog = open(context(0, false));
    const Widgets w{dialog.get()};
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    typeNumber(w.cwnValue, QStringLiteral("3"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("SP 3"));

    // Another entry, picked on page 3, starts at its command page with only its command word.
    QTest::keyClick(w.cboCommand, Qt::Key_Down);
    QCOMPARE(dialog->currentPage(), 1);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("CA"));
    QVERIFY(!w.labParameter->isVisible());
    QVERIFY(!w.cwnValue->isVisible());
    QCOMPARE(w.cmdNext->text(), QStringLiteral("Weiter..."));

    // Picking the entry that is already selected starts over too.
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    emit w.cboCommand->activated(w.cboCommand->currentIndex());
    QCOMPARE(dialog->currentPage(), 1);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("CA"));
}

void AssistantTest::englishOnSecondOpening() {
    storeCommand(Type0Un);
    open(context(0, false))->reject();
    SetLanguageOffset(English);
    auto dialog = open(context(0, false));
    const Widgets w{dialog.get()};
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Create command..."));
    QCOMPARE(w.cboCommand->currentText(), QStringLiteral("Set temporary user name (UN)"));
    QCOMPARE(w.labNote->text(), QStringLiteral("Note: Only possible during production mode!"));
    QCOMPARE(w.cmdNext->text(), QStringLiteral("Next..."));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(w.cmdNext->text(), QStringLiteral("Accept"));
    QCOMPARE(w.labMaxTextLen->text(), QStringLiteral("Maximum text length: 20 characters"));

    // An empty value is refused with the parameter's name; the page stays as it was.
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(m_dialogs.calls.size(), 1);
    QCOMPARE(m_dialogs.calls.at(0).title, QStringLiteral("Parameter error"));
    QCOMPARE(m_dialogs.calls.at(0).text, QStringLiteral("You don't entered parameter ' User name ' !"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->currentPage(), 2);
    QCOMPARE(dialog->focusWidget(), w.txtText);
    QTest::keyClicks(w.txtText, QStringLiteral("Smith"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->assistantResult().command, QStringLiteral("UN Smith"));
    QCOMPARE(dialog->assistantResult().description, QStringLiteral("Set temporary user name (UN)"));
}

void AssistantTest::fileDialog() {
    QCOMPARE(QtFileFilter(GetText(3207)),
             QStringLiteral("Backupdateien (*.txt);;Ger\u00e4teliste Dateien (*.inf)"));
    QCOMPARE(QtFileFilter(QStringLiteral("Backup file|*.txt;*.inf")),
             QStringLiteral("Backup file (*.txt *.inf)"));
    QStringList files;
    for (const QString& name : {QStringLiteral("a/backup.txt"), QStringLiteral("b/list.inf")}) {
        files.append(m_dir->filePath(name));
        QVERIFY(QDir().mkpath(QFileInfo(files.last()).path()) && writeBytes(files.last(), "x"));
    }
    storeCommand(Type0Uf);
    auto dialog = open(context(0, false));
    const Widgets w{dialog.get()};
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("UF 0"));
    QCOMPARE(w.txtText->maxLength(), 256);

    // Cancelled: a path typed before is gone, and the empty field is refused.
    QTest::keyClicks(w.txtText, QStringLiteral("/typed/by/hand.txt"));
    QTest::mouseClick(w.cmdSelectPath, Qt::LeftButton);
    QCOMPARE(m_dialogs.calls.at(0).title, QStringLiteral("Backupdatei w\u00e4hlen..."));
    QCOMPARE(m_dialogs.calls.at(0).text, programFolder() + QLatin1Char('|') + GetText(3207));
    QCOMPARE(w.txtText->text(), QString());
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(m_dialogs.calls.at(1).text,
             QStringLiteral("Sie haben den Parameter ' kompletter Dateipfad ' nicht eingeben!"));
    QCOMPARE(dialog->currentPage(), 3);

    // The next dialog opens where the last file was chosen.
    m_dialogs.openAnswers = {files.at(0), files.at(1)};
    QTest::mouseClick(w.cmdSelectPath, Qt::LeftButton);
    QCOMPARE(w.txtText->text(), files.at(0));
    QTest::mouseClick(w.cmdSelectPath, Qt::LeftButton);
    QVERIFY(
        m_dialogs.calls.at(3).text.startsWith(QFileInfo(files.at(0)).absolutePath() + QStringLiteral("/|")));
    QTest::keyClick(w.txtText, Qt::Key_Return);
    QCOMPARE(dialog->assistantResult().command, QStringLiteral("UF 0 ") + files.at(1));
}

void AssistantTest::commandLineTakesTheCommand() {
    TestFolders folders;
    MainWindow window(MainWindowEnvironment{folders.settings(), programFolder(), &m_dialogs});
    const MainWindowUi& ui = window.ui();
    WriteProfileValue(Section, CommandKey, QString::number(Type1Gm), window.setupIniPath());
    ui.SSTab1->setCurrentIndex(1);
    window.show();
    ui.cboDevice->setCurrentIndex(1);
    ui.txtSend->setText(QStringLiteral("old text"));
    ui.labCommandScriptCompleted->show();
    QSignalSpy sendClicks(ui.cmdSend, &QPushButton::clicked);

    whenAssistantOpens([&window, &ui](AssistantDialog* dialog) {
        QCOMPARE(dialog->parentWidget(), &window);
        QVERIFY(ui.labCommandScriptCompleted->isHidden());
        const Widgets w{dialog};
        QCOMPARE(w.cboCommand->count(), 34);
        QTest::keyClick(w.cboCommand, Qt::Key_Return);
    });
    QTest::mouseClick(ui.cmdCreateCommand1, Qt::LeftButton);
    QCOMPARE(ui.txtSend->text(), QStringLiteral("GM"));
    QCOMPARE(sendClicks.size(), 0);
    QCOMPARE(ui.lsvMsg->model()->rowCount(), 0);
}

QTEST_MAIN(AssistantTest)
#include "tst_assistant.moc"
