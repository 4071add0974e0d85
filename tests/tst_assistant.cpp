// The command assistant as the user meets it: the real dialog, driven by keys and clicks, with its message
// box and file dialog answered by a fake, and once through RunCommandAssistant and the main window.

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/Profile.h"
#include "app/Texts.h"
#include "assistant/AssistantDialog.h"
#include "assistant/FilterTextInput.h"

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
#include <limits>
#include <memory>

namespace {

constexpr int English = 10000;
const QString Section = QStringLiteral("SETTINGS");
const QString CommandKey = QStringLiteral("Command");

// Entries of the German and English catalogues, by their index in the assistant's list.
constexpr int Type0SmQuit = 0;
constexpr int Type0Sp = 3;
constexpr int Type0Ca = 4;
constexpr int Type0Uf = 6;
constexpr int Type0Un = 7;
constexpr int Type0Gm = 10;
constexpr int Type1Sna = 15;
constexpr int Type1Gm = 20;

class FakeDialogs : public Dialogs {
public:
    struct Call {
        QWidget* parent = nullptr;
        QString title;
        QString text; // message text, or the initial folder of a file dialog
        QString filter;
    };

    void warning(QWidget* parent, const QString& title, const QString& text) override {
        warnings.append({parent, title, text, {}});
    }
    bool question(QWidget*, const QString&, const QString&) override {
        ++unexpected;
        return false;
    }
    std::optional<QString> inputText(QWidget*, const QString&, const QString&) override {
        ++unexpected;
        return std::nullopt;
    }
    std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) override {
        openFiles.append({parent, title, folder, filter});
        return openAnswers.isEmpty() ? std::nullopt : openAnswers.takeFirst();
    }
    std::optional<QString> saveFile(QWidget*, const QString&, const QString&, const QString&,
                                    const QString&) override {
        ++unexpected;
        return std::nullopt;
    }

    QList<Call> warnings;
    QList<Call> openFiles;
    QList<std::optional<QString>> openAnswers; // one per file dialog; nothing left means Cancel
    int unexpected = 0;
};

struct Widgets {
    explicit Widgets(QWidget* dialog)
        : labCommand(dialog->findChild<QLabel*>(QStringLiteral("labCommand")))
        , labSelCommand(dialog->findChild<QLabel*>(QStringLiteral("labSelCommand")))
        , cboCommand(dialog->findChild<QComboBox*>(QStringLiteral("cboCommand")))
        , labNote(dialog->findChild<QLabel*>(QStringLiteral("labNote")))
        , labParameter(dialog->findChild<QLabel*>(QStringLiteral("labParameter")))
        , txtText(dialog->findChild<QLineEdit*>(QStringLiteral("txtText")))
        , cwnValue(dialog->findChild<QSpinBox*>(QStringLiteral("cwnValue")))
        , cmdSelectPath(dialog->findChild<QPushButton*>(QStringLiteral("cmdSelectPath")))
        , labMaxTextLen(dialog->findChild<QLabel*>(QStringLiteral("labMaxTextLen")))
        , cmdHelp(dialog->findChild<QPushButton*>(QStringLiteral("cmdHelp")))
        , cmdNext(dialog->findChild<QPushButton*>(QStringLiteral("cmdNext")))
        , cmdCancel(dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel"))) {}

    bool complete() const {
        return labCommand && labSelCommand && cboCommand && labNote && labParameter && txtText && cwnValue &&
               cmdSelectPath && labMaxTextLen && cmdHelp && cmdNext && cmdCancel;
    }
    QList<QLabel*> labels() const {
        return {labCommand, labSelCommand, labNote, labParameter, labMaxTextLen};
    }

    QLabel* labCommand;
    QLabel* labSelCommand;
    QComboBox* cboCommand;
    QLabel* labNote;
    QLabel* labParameter;
    QLineEdit* txtText;
    QSpinBox* cwnValue;
    QPushButton* cmdSelectPath;
    QLabel* labMaxTextLen;
    QPushButton* cmdHelp;
    QPushButton* cmdNext;
    QPushButton* cmdCancel;
};

// Replaces the spin box's text by what the user types.
void typeNumber(QSpinBox* box, const QString& digits) {
    box->selectAll();
    QTest::keyClicks(box, digits);
}

// Types characters QTest::keyClicks cannot, those outside ASCII, one key press with its text each.
void typeUnicode(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
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

    void widgetsAndFixedTexts();
    void entriesByDeviceTypeAndCaller_data();
    void entriesByDeviceTypeAndCaller();
    void storedIndexSelectsEntry_data();
    void storedIndexSelectsEntry();

    void commandWithoutParametersAcceptsAtOnce_data();
    void commandWithoutParametersAcceptsAtOnce();
    void twoNumbersBuildTheCommand();
    void numberRangeWithNegativeMinimum();
    void emptyValueIsRefused_data();
    void emptyValueIsRefused();
    void restrictedTextIsFiltered();
    void filterTextInput_data();
    void filterTextInput();
    void newPickStartsOver();
    void recordsOutsideTheGrammar();

    void commandKeyWrittenOnEveryClose_data();
    void commandKeyWrittenOnEveryClose();
    void helpOpensTopic1800();
    void englishOnSecondOpening();

    void fileDialogTitleAndFilter_data();
    void fileDialogTitleAndFilter();
    void fileDialogFolders();
    void fileDialogAnswers_data();
    void fileDialogAnswers();

    void runCommandAssistantEndToEnd();
    void commandLineTakesTheCommand();

private:
    AssistantContext context(int deviceType, bool includeQueries);
    std::unique_ptr<AssistantDialog> open(const AssistantContext& context);
    QString iniPath() const { return m_dir->filePath(QStringLiteral("Setup.ini")); }
    QString programFolder() const { return m_dir->filePath(QStringLiteral("program")); }
    void storeCommand(const QString& value) {
        QVERIFY(WriteProfileValue(Section, CommandKey, value, iniPath()));
    }
    QString storedCommand() const {
        return ReadProfileValue(Section, CommandKey, QStringLiteral("<none>"), 100, iniPath());
    }
    QString makeFile(const QString& relativePath);
    void goToPathPage(AssistantDialog* dialog);

    std::unique_ptr<QTemporaryDir> m_dir;
    FakeDialogs m_dialogs;
    QList<QPair<QWidget*, int>> m_helpCalls;
};

void AssistantTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("program")));
    m_dialogs.warnings.clear();
    m_dialogs.openFiles.clear();
    m_dialogs.openAnswers.clear();
    m_dialogs.unexpected = 0;
    m_helpCalls.clear();
    SetLanguageOffset(0);
    SetLastAssistantPath(QString());
}

void AssistantTest::cleanup() {
    QCOMPARE(m_dialogs.unexpected, 0);
    SetLanguageOffset(0);
    SetLastAssistantPath(QString());
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

std::unique_ptr<AssistantDialog> AssistantTest::open(const AssistantContext& c) {
    auto dialog = std::make_unique<AssistantDialog>(c);
    dialog->show();
    return dialog;
}

QString AssistantTest::makeFile(const QString& relativePath) {
    const QString path = m_dir->filePath(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("x");
    return QFileInfo(path).absoluteFilePath();
}

void AssistantTest::goToPathPage(AssistantDialog* dialog) {
    const Widgets w(dialog);
    QVERIFY(w.complete());
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("UF"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->currentPage(), 3);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("UF 0"));
}

void AssistantTest::widgetsAndFixedTexts() {
    auto dialog = open(context(0, false));
    const Widgets w(dialog.get());
    QVERIFY(w.complete());
    QCOMPARE(dialog->objectName(), QStringLiteral("frmAssistant"));
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Befehl erstellen.."));
    QCOMPARE(w.labCommand->text(), QStringLiteral("Befehl:"));
    QCOMPARE(w.labParameter->text(), QStringLiteral("Parameter-Beschreibung:"));
    QCOMPARE(w.cmdCancel->text(), QStringLiteral("Abbrechen"));
    QVERIFY(w.cmdNext->isDefault());
    QVERIFY(!w.cboCommand->isEditable());
    QVERIFY(!w.cmdSelectPath->icon().isNull());
    QVERIFY(!w.cmdHelp->icon().isNull());
    QCOMPARE(dialog->focusWidget(), w.cboCommand);

    // The command page shows no parameter widgets.
    for (QWidget* hidden : {static_cast<QWidget*>(w.labParameter), static_cast<QWidget*>(w.txtText),
                            static_cast<QWidget*>(w.cwnValue), static_cast<QWidget*>(w.cmdSelectPath),
                            static_cast<QWidget*>(w.labMaxTextLen)})
        QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
    QVERIFY(w.labSelCommand->isVisible());
    QVERIFY(w.labNote->isVisible());

    // The spin box covers the whole 32-bit range until a parameter narrows it.
    QCOMPARE(w.cwnValue->minimum(), std::numeric_limits<int>::min());
    QCOMPARE(w.cwnValue->maximum(), std::numeric_limits<int>::max());

    // Record texts and paths are never read as markup.
    for (QLabel* label : w.labels())
        QCOMPARE(label->textFormat(), Qt::PlainText);

    // The hidden list and the description are data, not widgets.
    QVERIFY(!dialog->findChild<QWidget*>(QStringLiteral("cboCommandList")));
    QVERIFY(!dialog->findChild<QWidget*>(QStringLiteral("labDescription")));
}

void AssistantTest::entriesByDeviceTypeAndCaller_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<bool>("includeQueries");
    QTest::addColumn<int>("entries");
    QTest::newRow("type 1, command line") << 1 << true << 34;
    QTest::newRow("type 1, script editor") << 1 << false << 20;
    QTest::newRow("type 0, command line") << 0 << true << 11;
    QTest::newRow("type 0, script editor") << 0 << false << 10;
}

void AssistantTest::entriesByDeviceTypeAndCaller() {
    QFETCH(int, deviceType);
    QFETCH(bool, includeQueries);
    QFETCH(int, entries);
    auto dialog = open(context(deviceType, includeQueries));
    const Widgets w(dialog.get());
    QVERIFY(w.complete());
    QCOMPARE(w.cboCommand->count(), entries);
    QCOMPARE(dialog->records().size(), entries);
    const QStringList catalogue = LoadCommandCatalogue(deviceType, includeQueries);
    for (int i = 0; i < entries; ++i) {
        QCOMPARE(dialog->records().at(i).text(), catalogue.at(i));
        QCOMPARE(w.cboCommand->itemText(i), CatalogueRecord(catalogue.at(i)).description());
    }
}

void AssistantTest::storedIndexSelectsEntry_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<bool>("includeQueries");
    QTest::addColumn<int>("selected");
    QTest::newRow("15 of 34") << QStringLiteral("15") << 1 << true << 15;
    QTest::newRow("15 of 20") << QStringLiteral("15") << 1 << false << 15;
    QTest::newRow("15 of 11") << QStringLiteral("15") << 0 << true << 0;
    QTest::newRow("15 of 10") << QStringLiteral("15") << 0 << false << 0;
    QTest::newRow("last of 34") << QStringLiteral("33") << 1 << true << 33;
    QTest::newRow("one past the last") << QStringLiteral("34") << 1 << true << 0;
    QTest::newRow("negative") << QStringLiteral("-1") << 1 << true << 0;
    QTest::newRow("not a number") << QStringLiteral("abc") << 1 << true << 0;
    QTest::newRow("empty") << QString() << 1 << true << 0;
    QTest::newRow("blanks around") << QStringLiteral(" 7 ") << 0 << false << 7;
    // Only eight characters are read: 000000015 becomes 00000001.
    QTest::newRow("cut to eight characters") << QStringLiteral("000000015") << 1 << true << 1;
    QTest::newRow("no key at all") << QStringLiteral("<none>") << 1 << true << 0;
}

void AssistantTest::storedIndexSelectsEntry() {
    QFETCH(QString, stored);
    QFETCH(int, deviceType);
    QFETCH(bool, includeQueries);
    QFETCH(int, selected);
    if (stored != QStringLiteral("<none>"))
        storeCommand(stored);
    auto dialog = open(context(deviceType, includeQueries));
    const Widgets w(dialog.get());
    QVERIFY(w.complete());
    QCOMPARE(w.cboCommand->currentIndex(), selected);
    // The dialog opens on that entry's command page.
    QCOMPARE(dialog->currentPage(), 1);
    QCOMPARE(w.labSelCommand->text(), dialog->records().at(selected).commandWord());
    QCOMPARE(dialog->description(), dialog->records().at(selected).description());
    QCOMPARE(dialog->focusWidget(), w.cboCommand);
}

void AssistantTest::commandWithoutParametersAcceptsAtOnce_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<bool>("includeQueries");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("note");
    QTest::newRow("GM of type 1") << 1 << true << Type1Gm << QStringLiteral("GM")
                                  << QStringLiteral("Zustand des Messbetriebs abfragen (GM)") << QString();
    QTest::newRow("GM of type 0") << 0 << true << Type0Gm << QStringLiteral("GM")
                                  << QStringLiteral("Zustand des Messbetriebs abfragen (GM)") << QString();
    QTest::newRow("SM 0 with its note")
        << 0 << false << Type0SmQuit << QStringLiteral("SM 0") << QStringLiteral("Messbetrieb beenden (SM 0)")
        << QStringLiteral("Hinweis: Nur m\u00f6glich wenn Messbetrieb gestartet ist");
}

void AssistantTest::commandWithoutParametersAcceptsAtOnce() {
    QFETCH(int, deviceType);
    QFETCH(bool, includeQueries);
    QFETCH(int, index);
    QFETCH(QString, command);
    QFETCH(QString, description);
    QFETCH(QString, note);
    storeCommand(QString::number(index));
    auto dialog = open(context(deviceType, includeQueries));
    const Widgets w(dialog.get());
    QVERIFY(w.complete());
    QCOMPARE(w.cboCommand->currentText(), description);
    QCOMPARE(w.labSelCommand->text(), command);
    QCOMPARE(w.labNote->text(), note);
    QCOMPARE(w.cmdNext->text(), QStringLiteral("\u00dcbernehmen"));
    QVERIFY(w.cmdNext->isEnabled());

    // Enter in the command list presses the default button.
    QTest::keyClick(w.cboCommand, Qt::Key_Return);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->assistantResult().command, command);
    QCOMPARE(dialog->assistantResult().description, description);
}

void AssistantTest::twoNumbersBuildTheCommand() {
    storeCommand(QString::number(Type0Sp));
    auto dialog = open(context(0, false));
    const Widgets w(dialog.get());
    QVERIFY(w.complete());
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("SP"));
    QCOMPARE(w.labNote->text(), QStringLiteral("Hinweis: Nur m\u00f6glich w\u00e4hrend des Messbetriebs"));
    QCOMPARE(w.cmdNext->text(), QStringLiteral("Weiter..."));
    QCOMPARE(dialog->parameterCount(), 2);

    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->currentPage(), 2);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("SP"));
    QVERIFY(w.labParameter->isVisible());
    QCOMPARE(w.labParameter->text(), QStringLiteral("Ger\u00e4teadresse"));
    QVERIFY(w.cwnValue->isVisible());
    QVERIFY(!w.txtText->isVisible());
    QVERIFY(!w.cmdSelectPath->isVisible());
    QCOMPARE(dialog->focusWidget(), w.cwnValue);
    QCOMPARE(w.cwnValue->minimum(), 0);
    QCOMPARE(w.cwnValue->maximum(), 99);
    QCOMPARE(w.cwnValue->value(), 0);
    QVERIFY(w.labMaxTextLen->isVisible());
    QCOMPARE(w.labMaxTextLen->text(), QStringLiteral("M\u00f6glicher Wertebereich: 0 bis 99"));
    QCOMPARE(w.cmdNext->text(), QStringLiteral("Weiter..."));
    // The note stays on every page.
    QCOMPARE(w.labNote->text(), QStringLiteral("Hinweis: Nur m\u00f6glich w\u00e4hrend des Messbetriebs"));

    // Next on page 2 appends the value before page 3 shows.
    typeNumber(w.cwnValue, QStringLiteral("3"));
    QTest::keyClick(w.cwnValue, Qt::Key_Return);
    QCOMPARE(dialog->currentPage(), 3);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("SP 3"));
    QCOMPARE(w.labParameter->text(), QStringLiteral("Messprogrammnummer"));
    QCOMPARE(w.cwnValue->maximum(), 31);
    QCOMPARE(w.cwnValue->value(), 0);
    QCOMPARE(w.labMaxTextLen->text(), QStringLiteral("M\u00f6glicher Wertebereich: 0 bis 31"));
    QCOMPARE(w.cmdNext->text(), QStringLiteral("\u00dcbernehmen"));

    // A value above the maximum cannot be entered.
    typeNumber(w.cwnValue, QStringLiteral("35"));
    QVERIFY(w.cwnValue->value() <= 31);
    typeNumber(w.cwnValue, QStringLiteral("5"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(dialog->assistantResult().command, QStringLiteral("SP 3 5"));
    QCOMPARE(dialog->assistantResult().description, QStringLiteral("Messprogramm einstellen (SP)"));
}

void AssistantTest::numberRangeWithNegativeMinimum() {
    storeCommand(QString::number(Type1Sna));
    auto dialog = open(context(1, false));
    const Widgets w(dialog.get());
    QVERIFY(w.complete());
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("SNA"));
    QCOMPARE(w.cmdNext->text(), QStringLiteral("Weiter..."));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(w.labParameter->text(), QStringLiteral("Teile-Seriennummer"));
    QCOMPARE(w.cwnValue->minimum(), -1);
    QCOMPARE(w.cwnValue->maximum(), 2147483646);
    QCOMPARE(w.labMaxTextLen->text(), QStringLiteral("M\u00f6glicher Wertebereich: -1 bis 2147483646"));
    QCOMPARE(w.cmdNext->text(), QStringLiteral("\u00dcbernehmen"));

    typeNumber(w.cwnValue, QStringLiteral("-2"));
    QVERIFY(w.cwnValue->value() >= -1);
    typeNumber(w.cwnValue, QStringLiteral("-1"));
    QCOMPARE(w.cwnValue->value(), -1);
    QTest::keyClick(w.cwnValue, Qt::Key_Enter);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(dialog->assistantResult().command, QStringLiteral("SNA -1"));
}

void AssistantTest::emptyValueIsRefused_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("accept");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::newRow("German") << 0 << QStringLiteral("Weiter...") << QStringLiteral("\u00dcbernehmen")
                            << QStringLiteral("Anwendername")
                            << QStringLiteral("Maximale Textl\u00e4nge: 20 Zeichen")
                            << QStringLiteral("Sie haben den Parameter ' Anwendername ' nicht eingeben!")
                            << QStringLiteral("Parameterfehler");
    QTest::newRow("English") << English << QStringLiteral("Next...") << QStringLiteral("Accept")
                             << QStringLiteral("User name")
                             << QStringLiteral("Maximum text length: 20 characters")
                             << QStringLiteral("You don't entered parameter ' User name ' !")
                             << QStringLiteral("Parameter error");
}

void AssistantTest::emptyValueIsRefused() {
    QFETCH(int, offset);
    QFETCH(QString, next);
    QFETCH(QString, accept);
    QFETCH(QString, name);
    QFETCH(QString, hint);
    QFETCH(QString, message);
    QFETCH(QString, title);
    SetLanguageOffset(offset);
    storeCommand(QString::number(Type0Un));
    auto dialog = open(context(0, false));
    const Widgets w(dialog.get());
    QVERIFY(w.complete());
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("UN"));
    QVERIFY(!w.labNote->text().isEmpty());
    QCOMPARE(w.cmdNext->text(), next);

    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(w.labParameter->text(), name);
    QVERIFY(w.txtText->isVisible());
    QVERIFY(!w.cwnValue->isVisible());
    QCOMPARE(w.txtText->text(), QString());
    QCOMPARE(w.txtText->maxLength(), 20);
    QCOMPARE(w.labMaxTextLen->text(), hint);
    QCOMPARE(w.cmdNext->text(), accept);
    QVERIFY(!dialog->restrictInput());

    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QCOMPARE(m_dialogs.warnings.first().parent, dialog.get());
    QCOMPARE(m_dialogs.warnings.first().title, title);
    QCOMPARE(m_dialogs.warnings.first().text, message);
    // The page stays as it was, with the focus in the empty field.
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->currentPage(), 2);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("UN"));
    QCOMPARE(dialog->focusWidget(), w.txtText);
    QCOMPARE(w.cmdNext->text(), accept);

    // Blanks count as a value and go in unchanged; the field stops at its length.
    QTest::keyClicks(w.txtText, QStringLiteral("   "));
    QTest::keyClick(w.txtText, Qt::Key_Return);
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(dialog->assistantResult().command, QStringLiteral("UN    "));
}

void AssistantTest::restrictedTextIsFiltered() {
    storeCommand(QString::number(Type0Ca));
    auto dialog = open(context(0, false));
    const Widgets w(dialog.get());
    QVERIFY(w.complete());
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("CA"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QVERIFY(!dialog->restrictInput());
    typeNumber(w.cwnValue, QStringLiteral("12"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("CA 12"));
    QCOMPARE(w.labParameter->text(), QStringLiteral("Chargenbezeichnung"));
    QVERIFY(dialog->restrictInput());
    QCOMPARE(w.txtText->maxLength(), 63);
    QCOMPARE(w.labMaxTextLen->text(), QStringLiteral("Maximale Textl\u00e4nge: 63 Zeichen"));

    QTest::keyClicks(w.txtText, QStringLiteral("Ab-_ 9"));
    QCOMPARE(w.txtText->text(), QStringLiteral("Ab-_ 9"));

    // An umlaut or a comma leaves the field as it was, with the caret at the end.
    w.txtText->setCursorPosition(0);
    typeUnicode(w.txtText, QStringLiteral("\u00e4"));
    QCOMPARE(w.txtText->text(), QStringLiteral("Ab-_ 9"));
    QCOMPARE(w.txtText->cursorPosition(), 6);
    w.txtText->setCursorPosition(2);
    QTest::keyClicks(w.txtText, QStringLiteral(","));
    QCOMPARE(w.txtText->text(), QStringLiteral("Ab-_ 9"));
    QCOMPARE(w.txtText->cursorPosition(), 6);
    // A change from code is filtered the same way.
    w.txtText->setText(QStringLiteral("semi;colon"));
    QCOMPARE(w.txtText->text(), QStringLiteral("Ab-_ 9"));

    // Allowed characters are taken up to the length limit.
    w.txtText->end(false);
    QTest::keyClicks(w.txtText, QString(70, QLatin1Char('x')));
    QCOMPARE(w.txtText->text(), QStringLiteral("Ab-_ 9") + QString(57, QLatin1Char('x')));
    w.txtText->setText(QStringLiteral("Ab-_ 9"));

    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->assistantResult().command, QStringLiteral("CA 12 Ab-_ 9"));
    QCOMPARE(dialog->assistantResult().description, QStringLiteral("Chargenbezeichnung einstellen (CA)"));
}

void AssistantTest::filterTextInput_data() {
    QTest::addColumn<QString>("previous");
    QTest::addColumn<QString>("changed");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<bool>("kept");
    const QString all = QStringLiteral("AZaz09 -_");
    QTest::newRow("every allowed kind") << QString() << all << 20 << true;
    QTest::newRow("empty") << QStringLiteral("a") << QString() << 20 << true;
    QTest::newRow("exactly the length") << QStringLiteral("abcd") << QStringLiteral("abcde") << 5 << true;
    QTest::newRow("one past the length") << QStringLiteral("abcde") << QStringLiteral("abcdef") << 5 << false;
    QTest::newRow("umlaut") << QStringLiteral("ab") << QStringLiteral("ab\u00e4") << 20 << false;
    QTest::newRow("sharp s") << QStringLiteral("ab") << QStringLiteral("\u00dfab") << 20 << false;
    QTest::newRow("comma") << QStringLiteral("ab") << QStringLiteral("a,b") << 20 << false;
    QTest::newRow("tab") << QStringLiteral("ab") << QStringLiteral("a\tb") << 20 << false;
    QTest::newRow("dot") << QStringLiteral("ab") << QStringLiteral("a.b") << 20 << false;
    QTest::newRow("quote") << QStringLiteral("ab") << QStringLiteral("a\"b") << 20 << false;
    QTest::newRow("fullwidth letter") << QStringLiteral("ab") << QStringLiteral("a\uff21") << 20 << false;
    QTest::newRow("just past z") << QStringLiteral("ab") << QStringLiteral("a{") << 20 << false;
    QTest::newRow("just before A") << QStringLiteral("ab") << QStringLiteral("a@") << 20 << false;
}

void AssistantTest::filterTextInput() {
    QFETCH(QString, previous);
    QFETCH(QString, changed);
    QFETCH(int, maxLength);
    QFETCH(bool, kept);
    QCOMPARE(IsRestrictedText(changed), kept || changed.size() > maxLength);

    QLineEdit box;
    box.setText(changed);
    box.setCursorPosition(0);
    QString remembered = previous;
    FilterTextInput(&box, maxLength, remembered);
    if (kept) {
        QCOMPARE(box.text(), changed);
        QCOMPARE(remembered, changed);
    } else {
        QCOMPARE(box.text(), previous);
        QCOMPARE(remembered, previous);
        QCOMPARE(box.cursorPosition(), previous.size());
    }
}

void AssistantTest::newPickStartsOver() {
    storeCommand(QString::number(Type0Sp));
    auto dialog = open(context(0, false));
    const Widgets w(dialog.get());
    QVERIFY(w.complete());
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    typeNumber(w.cwnValue, QStringLiteral("3"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->currentPage(), 3);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("SP 3"));

    // Another entry, picked with the keyboard, starts at its command page with only its command word.
    QTest::keyClick(w.cboCommand, Qt::Key_Down);
    QCOMPARE(w.cboCommand->currentIndex(), Type0Ca);
    QCOMPARE(dialog->currentPage(), 1);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("CA"));
    QCOMPARE(dialog->description(), QStringLiteral("Chargenbezeichnung einstellen (CA)"));
    QVERIFY(!w.labParameter->isVisible());
    QVERIFY(!w.cwnValue->isVisible());
    QVERIFY(!w.txtText->isVisible());
    QVERIFY(!w.labMaxTextLen->isVisible());
    QCOMPARE(w.cmdNext->text(), QStringLiteral("Weiter..."));

    // Picking the entry that is already selected starts over too.
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->currentPage(), 2);
    emit w.cboCommand->activated(w.cboCommand->currentIndex());
    QCOMPARE(dialog->currentPage(), 1);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("CA"));

    // Back to SP: the values of the first attempt are gone.
    QTest::keyClick(w.cboCommand, Qt::Key_Up);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("SP"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(w.cwnValue->value(), 0);
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->assistantResult().command, QStringLiteral("SP 0 0"));
}

void AssistantTest::recordsOutsideTheGrammar() {
    AssistantContext c = context(0, false);
    c.loadCatalogue = [](int, bool) {
        return QStringList{
            QStringLiteral("Odd (ZZ),,3,ZZ,Alpha,%q,5,Beta,%d,1#3,Gamma,%s,4"),
            QStringLiteral("No count (NC),,x,NC,Alpha,%s,5"),
            QStringLiteral("Huge count (HC),,999,HC"),
            QStringLiteral("Short (SH),,3,SH,Alpha,%d,0#9"),
            QStringLiteral("<b>Bold</b> (B),<i>note</i>,0,<b>B</b>"),
        };
    };
    auto dialog = open(c);
    const Widgets w(dialog.get());
    QVERIFY(w.complete());
    QCOMPARE(w.cboCommand->count(), 5);

    // A third parameter and an unknown type: every page has an entry widget.
    QCOMPARE(w.cmdNext->text(), QStringLiteral("Weiter..."));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(w.labParameter->text(), QStringLiteral("Alpha"));
    QVERIFY(w.txtText->isVisible());
    QVERIFY(!w.cmdSelectPath->isVisible());
    QVERIFY(!dialog->restrictInput());
    QCOMPARE(w.txtText->maxLength(), 100);
    QCOMPARE(w.labMaxTextLen->text(), QStringLiteral("Maximale Textl\u00e4nge: 100 Zeichen"));
    QTest::keyClicks(w.txtText, QStringLiteral("x,y"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(w.labParameter->text(), QStringLiteral("Beta"));
    QVERIFY(w.cwnValue->isVisible());
    QCOMPARE(w.cwnValue->value(), 1);
    typeNumber(w.cwnValue, QStringLiteral("2"));
    QCOMPARE(w.cmdNext->text(), QStringLiteral("Weiter..."));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->currentPage(), 4);
    QCOMPARE(w.labParameter->text(), QStringLiteral("Gamma"));
    QCOMPARE(w.cmdNext->text(), QStringLiteral("\u00dcbernehmen"));
    QTest::keyClicks(w.txtText, QStringLiteral("abcdef"));
    QCOMPARE(w.txtText->text(), QStringLiteral("abcd"));
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("ZZ x,y 2"));

    // A count that is not a number offers the command word at once; the count before it stays.
    QTest::keyClick(w.cboCommand, Qt::Key_Down);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("NC"));
    QCOMPARE(w.cmdNext->text(), QStringLiteral("\u00dcbernehmen"));
    QVERIFY(w.cmdNext->isEnabled());
    QCOMPARE(dialog->parameterCount(), 3);
    QTest::keyClick(w.cboCommand, Qt::Key_Down);
    QCOMPARE(w.cmdNext->text(), QStringLiteral("\u00dcbernehmen"));

    // Parameters the record does not describe are free text.
    QTest::keyClick(w.cboCommand, Qt::Key_Down);
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->currentPage(), 3);
    QVERIFY(w.txtText->isVisible());
    QCOMPARE(w.labParameter->text(), QString());
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QCOMPARE(dialog->currentPage(), 3);
    QTest::keyClicks(w.txtText, QStringLiteral("a"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QTest::keyClicks(w.txtText, QStringLiteral("b"));
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("SH 0 a"));

    // Markup in a record is shown as it is written.
    QTest::keyClick(w.cboCommand, Qt::Key_Down);
    QCOMPARE(w.labSelCommand->text(), QStringLiteral("<b>B</b>"));
    QCOMPARE(w.labNote->text(), QStringLiteral("Hinweis: <i>note</i>"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->assistantResult().command, QStringLiteral("<b>B</b>"));
    QCOMPARE(dialog->assistantResult().description, QStringLiteral("<b>Bold</b> (B)"));
}

void AssistantTest::commandKeyWrittenOnEveryClose_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("accept") << QStringLiteral("accept");
    QTest::newRow("cancel button") << QStringLiteral("cancel");
    QTest::newRow("escape") << QStringLiteral("escape");
    QTest::newRow("close box") << QStringLiteral("close");
}

void AssistantTest::commandKeyWrittenOnEveryClose() {
    QFETCH(QString, how);
    storeCommand(QString::number(Type1Gm - 1));
    auto dialog = open(context(1, true));
    const Widgets w(dialog.get());
    QVERIFY(w.complete());
    QTest::keyClick(w.cboCommand, Qt::Key_Down);
    QCOMPARE(w.cboCommand->currentIndex(), Type1Gm);
    QCOMPARE(storedCommand(), QString::number(Type1Gm - 1));

    if (how == QStringLiteral("accept"))
        QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    else if (how == QStringLiteral("cancel"))
        QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
    else if (how == QStringLiteral("escape"))
        QTest::keyClick(w.cboCommand, Qt::Key_Escape);
    else
        dialog->close();

    QVERIFY(!dialog->isVisible());
    QCOMPARE(storedCommand(), QString::number(Type1Gm));
    if (how == QStringLiteral("accept")) {
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(dialog->assistantResult().command, QStringLiteral("GM"));
    } else {
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(dialog->assistantResult().command, QString());
        QCOMPARE(dialog->assistantResult().description, QString());
    }

    // The next opening starts on the entry remembered.
    auto again = open(context(1, true));
    QCOMPARE(Widgets(again.get()).cboCommand->currentIndex(), Type1Gm);
}

void AssistantTest::helpOpensTopic1800() {
    storeCommand(QString::number(Type0Sp));
    auto dialog = open(context(0, false));
    const Widgets w(dialog.get());
    QVERIFY(w.complete());
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QTest::mouseClick(w.cmdHelp, Qt::LeftButton);
    QCOMPARE(m_helpCalls.size(), 1);
    QCOMPARE(m_helpCalls.first().first, dialog.get());
    QCOMPARE(m_helpCalls.first().second, 1800);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->currentPage(), 2);
}

void AssistantTest::englishOnSecondOpening() {
    storeCommand(QString::number(Type0Un));
    {
        auto german = open(context(0, false));
        const Widgets w(german.get());
        QVERIFY(w.complete());
        QCOMPARE(german->windowTitle(), QStringLiteral("Befehl erstellen.."));
        QCOMPARE(w.cmdNext->text(), QStringLiteral("Weiter..."));
        QCOMPARE(w.cboCommand->currentText(), QStringLiteral("Anwendername tempor\u00e4r einstellen (UN)"));
        german->reject();
    }

    SetLanguageOffset(English);
    auto dialog = open(context(0, false));
    const Widgets w(dialog.get());
    QVERIFY(w.complete());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Create command..."));
    QCOMPARE(w.labCommand->text(), QStringLiteral("Command:"));
    QCOMPARE(w.labParameter->text(), QStringLiteral("Command description:"));
    QCOMPARE(w.cmdCancel->text(), QStringLiteral("Cancel"));
    QCOMPARE(w.cboCommand->itemText(0), QStringLiteral("Quit production mode (SM 0)"));
    QCOMPARE(w.cboCommand->currentText(), QStringLiteral("Set temporary user name (UN)"));
    QCOMPARE(w.labNote->text(), QStringLiteral("Note: Only possible during production mode!"));
    QCOMPARE(w.cmdNext->text(), QStringLiteral("Next..."));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(w.cmdNext->text(), QStringLiteral("Accept"));
    QTest::keyClicks(w.txtText, QStringLiteral("Smith"));
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(dialog->assistantResult().command, QStringLiteral("UN Smith"));
    QCOMPARE(dialog->assistantResult().description, QStringLiteral("Set temporary user name (UN)"));
}

void AssistantTest::fileDialogTitleAndFilter_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("qtFilter");
    QTest::addColumn<QString>("hint");
    QTest::newRow("German") << 0 << QStringLiteral("Backupdatei w\u00e4hlen...")
                            << QStringLiteral(
                                   "Backupdateien (*.txt)|*.txt|Ger\u00e4teliste Dateien (*.inf)|*.inf")
                            << QStringLiteral("Backupdateien (*.txt);;Ger\u00e4teliste Dateien (*.inf)")
                            << QStringLiteral("Maximale Pfadl\u00e4nge: 256 Zeichen");
    // The English filter text names no pattern; it gets both of the German one's.
    QTest::newRow("English") << English << QStringLiteral("Select backup file...")
                             << QStringLiteral("Backup file|*.txt;*.inf")
                             << QStringLiteral("Backup file (*.txt *.inf)")
                             << QStringLiteral("Maximum path depth: 256 characters");
}

void AssistantTest::fileDialogTitleAndFilter() {
    QFETCH(int, offset);
    QFETCH(QString, title);
    QFETCH(QString, filter);
    QFETCH(QString, qtFilter);
    QFETCH(QString, hint);
    SetLanguageOffset(offset);
    storeCommand(QString::number(Type0Uf));
    auto dialog = open(context(0, false));
    goToPathPage(dialog.get());
    QVERIFY(!QTest::currentTestFailed());
    const Widgets w(dialog.get());
    QVERIFY(w.txtText->isVisible());
    QVERIFY(w.cmdSelectPath->isVisible());
    QCOMPARE(w.txtText->maxLength(), 256);
    QCOMPARE(w.labMaxTextLen->text(), hint);

    QTest::mouseClick(w.cmdSelectPath, Qt::LeftButton);
    QCOMPARE(m_dialogs.openFiles.size(), 1);
    const FakeDialogs::Call& call = m_dialogs.openFiles.first();
    QCOMPARE(call.parent, dialog.get());
    QCOMPARE(call.title, title);
    QCOMPARE(call.filter, filter);
    QCOMPARE(QtFileFilter(call.filter), qtFilter);
}

void AssistantTest::fileDialogFolders() {
    const QString first = makeFile(QStringLiteral("files/a/backup.txt"));
    const QString second = makeFile(QStringLiteral("files/b/list.inf"));
    QVERIFY(!first.isEmpty() && !second.isEmpty());
    storeCommand(QString::number(Type0Uf));
    {
        auto dialog = open(context(0, false));
        goToPathPage(dialog.get());
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(!QTest::currentTestFailed());
        const Widgets w(dialog.get());
        QCOMPARE(LastAssistantPath(), QString());

        // The first file dialog of the run opens in the program's folder.
        m_dialogs.openAnswers = {first};
        QTest::mouseClick(w.cmdSelectPath, Qt::LeftButton);
        QCOMPARE(m_dialogs.openFiles.at(0).text, programFolder());
        QCOMPARE(w.txtText->text(), first);
        QCOMPARE(LastAssistantPath(), QFileInfo(first).absolutePath() + QLatin1Char('/'));

        // The next one opens where the last file was chosen.
        m_dialogs.openAnswers = {second};
        QTest::mouseClick(w.cmdSelectPath, Qt::LeftButton);
        QCOMPARE(m_dialogs.openFiles.at(1).text, QFileInfo(first).absolutePath() + QLatin1Char('/'));
        QCOMPARE(w.txtText->text(), second);
        QTest::keyClick(w.txtText, Qt::Key_Return);
        QCOMPARE(dialog->assistantResult().command, QStringLiteral("UF 0 ") + second);
    }

    // The folder outlives the dialog.
    auto dialog = open(context(0, false));
    goToPathPage(dialog.get());
    QVERIFY(!QTest::currentTestFailed());
    QTest::mouseClick(Widgets(dialog.get()).cmdSelectPath, Qt::LeftButton);
    QCOMPARE(m_dialogs.openFiles.at(2).text, QFileInfo(second).absolutePath() + QLatin1Char('/'));
}

void AssistantTest::fileDialogAnswers_data() {
    QTest::addColumn<QString>("answer"); // "<cancel>", or a path below the test folder ("" for no name)
    QTest::addColumn<bool>("create");
    QTest::addColumn<QString>("text");   // txtText afterwards: "<typed>" or "<chosen>" or empty
    QTest::addColumn<QString>("folder"); // LastAssistantPath afterwards: "<program>", "<before>" or empty
    QTest::newRow("cancelled") << QStringLiteral("<cancel>") << false << QString()
                               << QStringLiteral("<program>");
    QTest::newRow("no file name") << QString() << false << QStringLiteral("<typed>")
                                  << QStringLiteral("<program>");
    QTest::newRow("does not exist") << QStringLiteral("files/missing.txt") << false << QString() << QString();
    // Longer than the field's 256 characters: cutting it would name another file.
    QTest::newRow("too long for the field")
        << QStringLiteral("files/") + QString(250, QLatin1Char('n')) << true << QString() << QString();
    QTest::newRow("chosen") << QStringLiteral("files/a/backup.txt") << true << QStringLiteral("<chosen>")
                            << QStringLiteral("<chosen>");
}

void AssistantTest::fileDialogAnswers() {
    QFETCH(QString, answer);
    QFETCH(bool, create);
    QFETCH(QString, text);
    QFETCH(QString, folder);
    const QString path = create ? makeFile(answer) : answer.isEmpty() ? QString() : m_dir->filePath(answer);
    QCOMPARE(QFileInfo::exists(path), create);
    if (answer != QStringLiteral("<cancel>"))
        m_dialogs.openAnswers = {path};
    storeCommand(QString::number(Type0Uf));
    auto dialog = open(context(0, false));
    goToPathPage(dialog.get());
    QVERIFY(!QTest::currentTestFailed());
    const Widgets w(dialog.get());
    QTest::keyClicks(w.txtText, QStringLiteral("/typed/by/hand.txt"));

    QTest::mouseClick(w.cmdSelectPath, Qt::LeftButton);
    QCOMPARE(m_dialogs.openFiles.size(), 1);
    QCOMPARE(m_dialogs.openFiles.first().text, programFolder());
    const QString expectedText = text == QStringLiteral("<typed>")    ? QStringLiteral("/typed/by/hand.txt")
                                 : text == QStringLiteral("<chosen>") ? path
                                                                      : text;
    QCOMPARE(w.txtText->text(), expectedText);
    const QString expectedFolder = folder == QStringLiteral("<program>") ? programFolder()
                                   : folder == QStringLiteral("<chosen>")
                                       ? QFileInfo(path).absolutePath() + u'/'
                                       : folder;
    QCOMPARE(LastAssistantPath(), expectedFolder);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->currentPage(), 3);

    // An empty field is refused as any empty value; a dropped folder sends the next dialog to the program's.
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    if (expectedText.isEmpty()) {
        QCOMPARE(m_dialogs.warnings.size(), 1);
        QCOMPARE(m_dialogs.warnings.first().text,
                 QStringLiteral("Sie haben den Parameter ' kompletter Dateipfad ' nicht eingeben!"));
        QTest::mouseClick(w.cmdSelectPath, Qt::LeftButton);
        QCOMPARE(m_dialogs.openFiles.at(1).text, expectedFolder.isEmpty() ? programFolder() : expectedFolder);
    } else {
        QCOMPARE(dialog->assistantResult().command, QStringLiteral("UF 0 ") + expectedText);
    }
}

void AssistantTest::runCommandAssistantEndToEnd() {
    storeCommand(QString::number(Type0Sp));
    QWidget owner;
    owner.show();
    AssistantContext c = context(0, true);
    c.parent = &owner;

    // Keys only: Enter on each page, digits in the numeric field.
    whenAssistantOpens([&owner](AssistantDialog* dialog) {
        QVERIFY(dialog->isModal());
        QCOMPARE(dialog->parentWidget(), &owner);
        const Widgets w(dialog);
        QVERIFY(w.complete());
        QCOMPARE(w.cboCommand->count(), 11);
        QTest::keyClick(w.cboCommand, Qt::Key_Return);
        typeNumber(w.cwnValue, QStringLiteral("3"));
        QTest::keyClick(w.cwnValue, Qt::Key_Return);
        QCOMPARE(w.labSelCommand->text(), QStringLiteral("SP 3"));
        typeNumber(w.cwnValue, QStringLiteral("5"));
        QTest::keyClick(w.cwnValue, Qt::Key_Return);
    });
    const AssistantResult built = RunCommandAssistant(c);
    QCOMPARE(built.command, QStringLiteral("SP 3 5"));
    QCOMPARE(built.description, QStringLiteral("Messprogramm einstellen (SP)"));
    QCOMPARE(storedCommand(), QString::number(Type0Sp));

    // Esc on a parameter page: nothing comes back, the entry is still remembered.
    whenAssistantOpens([](AssistantDialog* dialog) {
        const Widgets w(dialog);
        QTest::keyClick(w.cboCommand, Qt::Key_Down);
        QTest::keyClick(w.cboCommand, Qt::Key_Return);
        QCOMPARE(dialog->currentPage(), 2);
        QTest::keyClick(w.cwnValue, Qt::Key_Escape);
    });
    const AssistantResult cancelled = RunCommandAssistant(c);
    QCOMPARE(cancelled.command, QString());
    QCOMPARE(cancelled.description, QString());
    QCOMPARE(storedCommand(), QString::number(Type0Ca));
}

void AssistantTest::commandLineTakesTheCommand() {
    const QString settingsFolder = m_dir->filePath(QStringLiteral("settings"));
    QVERIFY(QDir().mkpath(settingsFolder));
    MainWindowEnvironment environment;
    environment.settingsFolder = settingsFolder;
    environment.programFolder = programFolder();
    environment.dialogs = &m_dialogs;
    MainWindow window(environment);
    const MainWindowUi& ui = window.ui();
    QVERIFY(WriteProfileValue(Section, CommandKey, QString::number(Type1Gm), window.setupIniPath()));
    ui.SSTab1->setCurrentIndex(1);
    window.show();
    ui.cboDevice->setCurrentIndex(1);
    ui.txtSend->setText(QStringLiteral("old text"));
    ui.labCommandScriptCompleted->show();
    QSignalSpy sendClicks(ui.cmdSend, &QPushButton::clicked);
    const int loggedRows = ui.lsvMsg->model() ? ui.lsvMsg->model()->rowCount() : 0;

    whenAssistantOpens([&window, &ui](AssistantDialog* dialog) {
        QCOMPARE(dialog->parentWidget(), &window);
        QVERIFY(ui.labCommandScriptCompleted->isHidden());
        const Widgets w(dialog);
        QCOMPARE(w.cboCommand->count(), 34);
        QCOMPARE(w.labSelCommand->text(), QStringLiteral("GM"));
        QTest::keyClick(w.cboCommand, Qt::Key_Return);
    });
    QTest::mouseClick(ui.cmdCreateCommand1, Qt::LeftButton);
    QCOMPARE(ui.txtSend->text(), QStringLiteral("GM"));
    QCOMPARE(sendClicks.size(), 0);
    QCOMPARE(ui.lsvMsg->model() ? ui.lsvMsg->model()->rowCount() : 0, loggedRows);

    // A cancelled assistant leaves the command line alone.
    whenAssistantOpens(
        [](AssistantDialog* dialog) { QTest::mouseClick(Widgets(dialog).cmdCancel, Qt::LeftButton); });
    QTest::mouseClick(ui.cmdCreateCommand1, Qt::LeftButton);
    QCOMPARE(ui.txtSend->text(), QStringLiteral("GM"));

    // The script editor's way in: no queries, and the first device row is type 0.
    ui.cboDevice->setCurrentIndex(0);
    whenAssistantOpens([](AssistantDialog* dialog) {
        const Widgets w(dialog);
        QCOMPARE(w.cboCommand->count(), 10);
        QCOMPARE(w.cboCommand->currentIndex(), 0);
        QTest::keyClick(w.cboCommand, Qt::Key_Return);
    });
    const AssistantResult result = window.runAssistant(false);
    QCOMPARE(result.command, QStringLiteral("SM 0"));
    QCOMPARE(result.description, QStringLiteral("Messbetrieb beenden (SM 0)"));
    QCOMPARE(ui.txtSend->text(), QStringLiteral("GM"));
    QCOMPARE(sendClicks.size(), 0);
}

QTEST_MAIN(AssistantTest)
#include "tst_assistant.moc"
