// The configuration files through the main window: the load and save buttons with their dialogs and
// messages, what a loaded file shows on the slot buttons, and DefaultCommandSet.cfg at start-up and exit.
// The file format itself is covered by tst_quickdialconfig.

#include "testsupport.h"

#include "app/MainWindow.h"
#include "app/Profile.h"
#include "app/Texts.h"
#include "scripts/QuickDial.h"
#include "scripts/QuickDialConfig.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextDocument>
#include <QtTest>

#include <memory>

#include <unistd.h>

namespace {

const QString DefaultFile = QStringLiteral("DefaultCommandSet.cfg");

QString shownToolTip(const QString& tip) {
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

Script lines(std::initializer_list<const char*> commands) {
    Script script;
    for (const char* c : commands)
        script.append({QString::fromUtf8(c), QStringLiteral("zu ") + QString::fromUtf8(c)});
    return script;
}

QuickDialSlots sampleSlots() {
    QuickDialSlots memory;
    memory[0] = {QStringLiteral("Start"), QStringLiteral("Messbetrieb starten"), lines({"SM 1", "SP 1 3"})};
    memory[2] = {QStringLiteral("Produktion anhalten"), QStringLiteral("Pause & Abfrage"),
                 lines({"SM 2", "GM"})};
    memory[6] = {QStringLiteral("Abfrage"), QString(), lines({"GM"})};
    return memory;
}

} // namespace

class ConfigFilesTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadDialog_data();
    void loadDialog();
    void loadedFileShowsOnTheSlots();
    void loadOfAFileThatIsGoneChangesNothing();
    void unreadableFileKeepsTheSlots();
    void saveDialogWritesTheNameAsEntered_data();
    void saveDialogWritesTheNameAsEntered();
    void failedSaveNamesFileAndReason_data();
    void failedSaveNamesFileAndReason();
    void textTheFileCannotHoldIsNotSavedChanged_data();
    void textTheFileCannotHoldIsNotSavedChanged();

    void firstStartShowsEmptySlotsAndExitWritesEmptyKeys();
    void exitSavesTheQuickDialMemory();
    void failedExitSaveIsReported_data();
    void failedExitSaveIsReported();
    void longSlotSurvivesRestart();

private:
    void start(int language = 0);
    void quit();
    const MainWindowUi& ui() const { return m_window->ui(); }
    QString settingsFile(const QString& name) const { return m_folders->settings() + name; }
    // What the eight slots show: run caption, choice caption, choice tooltip, description box.
    QStringList shown() const;
    QList<ScriptedDialogs::Call> warnings() const;

    std::unique_ptr<TestFolders> m_folders;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<MainWindow> m_window;
};

void ConfigFilesTest::init() {
    m_folders = std::make_unique<TestFolders>();
    QVERIFY(m_folders->root.isValid());
    m_dialogs = ScriptedDialogs{};
    SetLanguageOffset(0);
}

void ConfigFilesTest::cleanup() {
    m_window.reset();
    m_folders.reset();
    SetLanguageOffset(0);
}

void ConfigFilesTest::start(int language) {
    const QString ini = settingsFile(QStringLiteral("Setup.ini"));
    QVERIFY(
        WriteProfileValue(QStringLiteral("SETTINGS"), QStringLiteral("Connect"), QStringLiteral("0"), ini));
    QVERIFY(
        WriteProfileValue(QStringLiteral("SETTINGS"), QStringLiteral("SelTab"), QStringLiteral("3"), ini));
    QVERIFY(WriteProfileValue(QStringLiteral("SETTINGS"), QStringLiteral("Language"),
                              QString::number(language), ini));
    m_window = std::make_unique<MainWindow>(
        MainWindowEnvironment{m_folders->settings(), m_folders->program(), &m_dialogs});
    m_window->show();
}

void ConfigFilesTest::quit() {
    QTest::mouseClick(ui().cmdQuit, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isVisible(), 10000);
    m_window.reset();
}

QStringList ConfigFilesTest::shown() const {
    QStringList texts;
    for (std::size_t i = 0; i < 8; ++i)
        texts << ui().cmdCommand[i]->text() << ui().cmdF[i]->text() << shownToolTip(ui().cmdF[i]->toolTip())
              << ui().txtCommandDescript[i]->toPlainText();
    return texts;
}

QList<ScriptedDialogs::Call> ConfigFilesTest::warnings() const {
    QList<ScriptedDialogs::Call> found;
    for (const ScriptedDialogs::Call& call : m_dialogs.calls) {
        if (call.kind == QLatin1String("warning"))
            found.append(call);
    }
    return found;
}

void ConfigFilesTest::loadDialog_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("filter");
    QTest::newRow("German") << 0 << QStringLiteral("Befehls-Konfigurationsdatei laden...")
                            << QStringLiteral("Befehls-Konfigurationsdatei (*.cfg)|*.cfg");
    QTest::newRow("English") << 1 << QStringLiteral("Load command configuration file...")
                             << QStringLiteral("Ccommand configuration file (*.cfg)|*.cfg");
}

void ConfigFilesTest::loadDialog() {
    QFETCH(int, language);
    QFETCH(QString, title);
    QFETCH(QString, filter);
    QVERIFY(SaveQuickDialFile(settingsFile(DefaultFile), sampleSlots()));
    start(language);
    const QuickDialSlots before = m_window->quickDial()->allSlots();
    const QStringList shownBefore = shown();

    // Cancelled: nothing changes.
    QTest::mouseClick(ui().cmdLoadConfig, Qt::LeftButton);
    QCOMPARE(m_dialogs.calls.size(), 1);
    QCOMPARE(m_dialogs.calls.first().kind, QStringLiteral("open"));
    QCOMPARE(m_dialogs.calls.first().title, title);
    QCOMPARE(m_dialogs.calls.first().text, m_folders->settings() + QLatin1Char('|') + filter);
    QCOMPARE(m_window->quickDial()->allSlots(), before);
    QCOMPARE(shown(), shownBefore);
}

void ConfigFilesTest::loadedFileShowsOnTheSlots() {
    QVERIFY(SaveQuickDialFile(settingsFile(DefaultFile), sampleSlots()));
    start();
    QuickDialSlots other;
    other[1] = {QStringLiteral("Zweiter Platz"), QStringLiteral("zwei"), lines({"XC 1 a", "XC 1 b"})};
    other[4] = {QStringLiteral("Fünf"), QStringLiteral("fünf"), lines({"GM"})};
    const QString file = m_folders->root.filePath(QStringLiteral("elsewhere/Other.cfg"));
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QVERIFY(SaveQuickDialFile(file, other));
    // A slot with commands but no label, as another tool might write it.
    QVERIFY(WriteProfileValue(QStringLiteral("SETTINGS"), QStringLiteral("Command8"), QStringLiteral("SM 0"),
                              file));

    m_dialogs.openAnswers = {file};
    QTest::mouseClick(ui().cmdLoadConfig, Qt::LeftButton);
    QVERIFY(warnings().isEmpty());

    const QString empty = QStringLiteral("[Leer]");
    QStringList expected;
    for (int n = 1; n <= 8; ++n) {
        if (n == 2)
            expected << QStringLiteral("Zweiter Platz") << QStringLiteral("Zweiter Pl...")
                     << QStringLiteral("Bezeichnung: Zweiter Platz") << QStringLiteral("zwei");
        else if (n == 5)
            expected << QStringLiteral("Fünf") << QStringLiteral("Fünf...")
                     << QStringLiteral("Bezeichnung: Fünf") << QStringLiteral("fünf");
        else
            expected << empty << empty << QString() << QString();
    }
    QCOMPARE(shown(), expected);
    QCOMPARE(m_window->quickDial()->slotAt(2).lines, other[1].lines);
    QCOMPARE(m_window->quickDial()->slotAt(5).lines, other[4].lines);
    QCOMPARE(m_window->quickDial()->slotAt(8).lines, (Script{{QStringLiteral("SM 0"), QString()}}));
    QVERIFY(m_window->quickDial()->slotAt(1).lines.isEmpty());
}

void ConfigFilesTest::loadOfAFileThatIsGoneChangesNothing() {
    QVERIFY(SaveQuickDialFile(settingsFile(DefaultFile), sampleSlots()));
    start();
    const QStringList shownBefore = shown();
    m_dialogs.openAnswers = {settingsFile(QStringLiteral("gone.cfg"))};
    QTest::mouseClick(ui().cmdLoadConfig, Qt::LeftButton);
    QCOMPARE(m_window->quickDial()->allSlots()[0], sampleSlots()[0]);
    QCOMPARE(shown(), shownBefore);
    QVERIFY(warnings().isEmpty());
}

void ConfigFilesTest::unreadableFileKeepsTheSlots() {
    QVERIFY(SaveQuickDialFile(settingsFile(DefaultFile), sampleSlots()));
    start();
    const QStringList shownBefore = shown();
    const QuickDialSlots before = m_window->quickDial()->allSlots();
    const QString folder = settingsFile(QStringLiteral("x.cfg"));
    QVERIFY(QDir().mkpath(folder));

    m_dialogs.openAnswers = {folder};
    QTest::mouseClick(ui().cmdLoadConfig, Qt::LeftButton);
    QCOMPARE(warnings().size(), 1);
    QCOMPARE(warnings().first().title, QStringLiteral("Laden fehlgeschlagen"));
    QCOMPARE(warnings().first().text,
             QStringLiteral("Die Konfigurationsdatei \"") + QDir::cleanPath(folder) +
                 QStringLiteral("\" konnte nicht gelesen werden: Die Datei kann nicht "
                                "gelesen werden."));
    QCOMPARE(m_window->quickDial()->allSlots(), before);
    QCOMPARE(shown(), shownBefore);
}

void ConfigFilesTest::saveDialogWritesTheNameAsEntered_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("proposal");
    QTest::addColumn<QString>("filter");
    QTest::newRow("German") << 0 << QStringLiteral("Befehls-Konfigurationsdatei speichern...")
                            << QStringLiteral("Benutzerdefiniert.cfg")
                            << QStringLiteral("Befehls-Konfigurationsdatei (*.cfg)|*.cfg");
    QTest::newRow("English") << 1 << QStringLiteral("Save command configuration file...")
                             << QStringLiteral("User defined.cfg")
                             << QStringLiteral("Ccommand configuration file (*.cfg)|*.cfg");
}

void ConfigFilesTest::saveDialogWritesTheNameAsEntered() {
    QFETCH(int, language);
    QFETCH(QString, title);
    QFETCH(QString, proposal);
    QFETCH(QString, filter);
    QVERIFY(SaveQuickDialFile(settingsFile(DefaultFile), sampleSlots()));
    start(language);
    const QStringList before = QDir(m_folders->settings()).entryList(QDir::Files);

    // Cancelled: no file.
    QTest::mouseClick(ui().cmdSaveConfig, Qt::LeftButton);
    QCOMPARE(m_dialogs.calls.size(), 1);
    QCOMPARE(m_dialogs.calls.first().kind, QStringLiteral("save"));
    QCOMPARE(m_dialogs.calls.first().title, title);
    QCOMPARE(m_dialogs.calls.first().text,
             m_folders->settings() + QLatin1Char('|') + proposal + QLatin1Char('|') + filter);
    QCOMPARE(QDir(m_folders->settings()).entryList(QDir::Files), before);

    // A name without extension is written as entered; the file reads back as the slots.
    const QString chosen = settingsFile(QStringLiteral("meine Befehle"));
    m_dialogs.saveAnswers = {chosen};
    QTest::mouseClick(ui().cmdSaveConfig, Qt::LeftButton);
    QVERIFY(warnings().isEmpty());
    QVERIFY(QFileInfo(chosen).isFile());
    QVERIFY(!QFileInfo::exists(chosen + QStringLiteral(".cfg")));
    bool readable = false;
    const QuickDialSlots written = LoadQuickDialFile(chosen, &readable);
    QVERIFY(readable);
    for (std::size_t i = 0; i < written.size(); ++i) {
        QCOMPARE(written[i].lines, m_window->quickDial()->allSlots()[i].lines);
        QCOMPARE(written[i].description, m_window->quickDial()->allSlots()[i].description);
    }
    QCOMPARE(written[2].caption, sampleSlots()[2].caption);
    // The program's own files are not touched by a save elsewhere.
    QCOMPARE(LoadQuickDialFile(settingsFile(DefaultFile)), sampleSlots());
}

void ConfigFilesTest::failedSaveNamesFileAndReason_data() {
    QTest::addColumn<QString>("situation");
    QTest::newRow("folder missing") << QStringLiteral("missing");
    QTest::newRow("name of a folder") << QStringLiteral("folder");
    QTest::newRow("existing file not readable") << QStringLiteral("unreadable");
    QTest::newRow("read-only folder") << QStringLiteral("readonly");
}

void ConfigFilesTest::failedSaveNamesFileAndReason() {
    QFETCH(QString, situation);
    QVERIFY(SaveQuickDialFile(settingsFile(DefaultFile), sampleSlots()));
    QString target;
    QByteArray oldContent;
    if (situation == QLatin1String("missing")) {
        target = m_folders->root.filePath(QStringLiteral("no/such/folder/x.cfg"));
    } else if (situation == QLatin1String("folder")) {
        target = settingsFile(QStringLiteral("folder.cfg"));
        QVERIFY(QDir().mkpath(target));
    } else {
        const QString folder = m_folders->root.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(folder));
        target = folder + QStringLiteral("/x.cfg");
        oldContent = "[SETTINGS]\r\nLabel1=old\r\n";
        QVERIFY(writeBytes(target, oldContent));
        if (situation == QLatin1String("unreadable"))
            QVERIFY(QFile::setPermissions(target, QFileDevice::WriteOwner));
        else
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        if (::geteuid() == 0)
            QSKIP("permissions do not hold for the superuser");
    }
    start();

    m_dialogs.saveAnswers = {target};
    QTest::mouseClick(ui().cmdSaveConfig, Qt::LeftButton);
    QCOMPARE(warnings().size(), 1);
    QCOMPARE(warnings().first().title, QStringLiteral("Speichern fehlgeschlagen"));
    const QString prefix = QStringLiteral("Die Konfigurationsdatei \"") + target +
                           QStringLiteral("\" konnte nicht gespeichert werden: ");
    QVERIFY2(warnings().first().text.startsWith(prefix), qPrintable(warnings().first().text));
    QVERIFY2(warnings().first().text.size() > prefix.size(), "no reason given");
    if (!oldContent.isEmpty()) {
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(readBytes(target), oldContent);
    }
    QFile::setPermissions(m_folders->root.filePath(QStringLiteral("locked")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void ConfigFilesTest::textTheFileCannotHoldIsNotSavedChanged_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("note");
    const QString omega = QStringLiteral("\u03a9");
    QTest::newRow("command") << QStringLiteral("XC 1 ") + omega << QStringLiteral("Omega")
                             << QStringLiteral("n");
    QTest::newRow("caption") << QStringLiteral("GM") << omega + QStringLiteral("-Sensor")
                             << QStringLiteral("n");
    QTest::newRow("description") << QStringLiteral("GM") << QStringLiteral("Omega")
                                 << QStringLiteral("Sensor ") + omega;
}

void ConfigFilesTest::textTheFileCannotHoldIsNotSavedChanged() {
    QFETCH(QString, command);
    QFETCH(QString, caption);
    QFETCH(QString, note);
    QVERIFY(SaveQuickDialFile(settingsFile(DefaultFile), sampleSlots()));
    const QByteArray original = readBytes(settingsFile(DefaultFile));
    start();

    // Typed into the editor and stored into slot 2, as a user would.
    ui().SSTab1->setCurrentIndex(2);
    m_dialogs.inputAnswers = {command};
    QTest::mouseClick(ui().cmdCreateManualCommand, Qt::LeftButton);
    ui().txtLabel->setText(caption);
    ui().txtNote->setPlainText(note);
    // Refused when stored: the file would bring it back as '?', a different command.
    QTest::mouseClick(ui().cmdSave, Qt::LeftButton);
    QCOMPARE(warnings().size(), 1);
    QCOMPARE(warnings().first().title, QStringLiteral("Unzul\u00e4ssiges Zeichen"));
    QVERIFY(warnings().first().text.contains(QStringLiteral("Windows-1252")));
    QVERIFY(!m_window->quickDial()->storePending());
    QVERIFY(m_window->quickDial()->slotAt(2).lines.isEmpty());

    // The exit save writes the slots unchanged.
    quit();
    QCOMPARE(warnings().size(), 1);
    QCOMPARE(readBytes(settingsFile(DefaultFile)), original);

    // Should such a slot reach the file writer anyway, it refuses and names the slot.
    QuickDialSlots memory = sampleSlots();
    memory[1].lines = {{command, QString()}};
    memory[1].caption = caption;
    memory[1].description = note;
    QString reason;
    QVERIFY(!SaveQuickDialFile(settingsFile(DefaultFile), memory, &reason));
    QVERIFY(reason.contains(QStringLiteral("[F2]")));
    QCOMPARE(readBytes(settingsFile(DefaultFile)), original);
}

void ConfigFilesTest::firstStartShowsEmptySlotsAndExitWritesEmptyKeys() {
    QVERIFY(!QFileInfo::exists(settingsFile(DefaultFile)));
    start();
    for (std::size_t i = 0; i < 8; ++i) {
        QCOMPARE(ui().cmdCommand[i]->text(), QStringLiteral("[Leer]"));
        QCOMPARE(ui().cmdF[i]->text(), QStringLiteral("[Leer]"));
        QCOMPARE(ui().cmdF[i]->toolTip(), QString());
    }
    quit();
    QByteArray expected = "[SETTINGS]\r\n";
    for (int n = 1; n <= 8; ++n) {
        const QByteArray d = QByteArray::number(n);
        expected += "Command" + d + "=\r\nDescript" + d + "=\r\nLabel" + d + "=\r\nNote" + d + "=\r\n";
    }
    QCOMPARE(readBytes(settingsFile(DefaultFile)), expected);
    QVERIFY(warnings().isEmpty());
}

void ConfigFilesTest::exitSavesTheQuickDialMemory() {
    QVERIFY(SaveQuickDialFile(settingsFile(DefaultFile), sampleSlots()));
    start();
    // A file loaded during the session is what the exit save writes.
    QuickDialSlots other;
    other[3] = {QStringLiteral("Vier"), QStringLiteral("vier"), lines({"XC 4 a", "XC 4 b", "XC 4 c"})};
    const QString file = settingsFile(QStringLiteral("Vier.cfg"));
    QVERIFY(SaveQuickDialFile(file, other));
    m_dialogs.openAnswers = {file};
    QTest::mouseClick(ui().cmdLoadConfig, Qt::LeftButton);
    quit();
    QVERIFY(warnings().isEmpty());

    // Slots without a label come back with the "empty" text as their label; the commands are what counts.
    const QuickDialSlots saved = LoadQuickDialFile(settingsFile(DefaultFile));
    QCOMPARE(saved[3], other[3]);
    for (std::size_t i = 0; i < saved.size(); ++i) {
        if (i != 3)
            QVERIFY(saved[i].lines.isEmpty());
    }
}

void ConfigFilesTest::failedExitSaveIsReported_data() {
    QTest::addColumn<QString>("situation");
    QTest::newRow("settings folder gone") << QStringLiteral("gone");
    QTest::newRow("DefaultCommandSet.cfg became a folder") << QStringLiteral("folderLater");
    QTest::newRow("DefaultCommandSet.cfg a folder from the start") << QStringLiteral("folderAtStart");
}

void ConfigFilesTest::failedExitSaveIsReported() {
    QFETCH(QString, situation);
    const QString path = settingsFile(DefaultFile);
    if (situation == QLatin1String("folderAtStart"))
        QVERIFY(QDir().mkpath(path));
    else
        QVERIFY(SaveQuickDialFile(path, sampleSlots()));
    start();
    if (situation == QLatin1String("folderAtStart")) {
        // Nothing can be read from it: eight empty slots, as for a missing file, and no message yet.
        for (std::size_t i = 0; i < 8; ++i) {
            QCOMPARE(ui().cmdCommand[i]->text(), QStringLiteral("[Leer]"));
            QCOMPARE(ui().cmdF[i]->text(), QStringLiteral("[Leer]"));
        }
        QVERIFY(m_dialogs.calls.isEmpty());
    } else if (situation == QLatin1String("gone")) {
        QVERIFY(QDir(m_folders->settings()).removeRecursively());
    } else {
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path));
    }
    quit();
    QCOMPARE(warnings().size(), 1);
    QCOMPARE(warnings().first().title, QStringLiteral("Speichern fehlgeschlagen"));
    const QString prefix = QStringLiteral("Die Konfigurationsdatei \"") + path +
                           QStringLiteral("\" konnte nicht gespeichert werden: ");
    QVERIFY2(warnings().first().text.startsWith(prefix), qPrintable(warnings().first().text));
    QVERIFY2(warnings().first().text.size() > prefix.size(), "no reason given");
    QCOMPARE(QFileInfo(path).isDir(), situation != QLatin1String("gone"));
}

void ConfigFilesTest::longSlotSurvivesRestart() {
    QuickDialSlots memory = sampleSlots();
    Script many;
    for (int i = 0; i < 3000; ++i)
        many.append(
            {QStringLiteral("SP %1 %2").arg(i % 100).arg(i % 32), QStringLiteral("Schritt %1").arg(i)});
    memory[4] = {QString(40, QLatin1Char('L')), QStringLiteral("3000 Befehle"), many};
    QVERIFY(SaveQuickDialFile(settingsFile(DefaultFile), memory));
    const QByteArray original = readBytes(settingsFile(DefaultFile));
    QVERIFY(original.size() > 50000);

    start();
    QCOMPARE(m_window->quickDial()->slotAt(5), memory[4]);
    quit();
    QVERIFY(warnings().isEmpty());
    // Slots without commands are written empty; slot 5 and the others with commands come back as they were.
    start();
    for (int n = 1; n <= 8; ++n) {
        const QuickDialSlot& expected = memory[static_cast<std::size_t>(n - 1)];
        QCOMPARE(m_window->quickDial()->slotAt(n).lines, expected.lines);
        if (!expected.lines.isEmpty())
            QCOMPARE(m_window->quickDial()->slotAt(n), expected);
    }
    quit();
    QCOMPARE(readBytes(settingsFile(DefaultFile)), original);
}

QTEST_MAIN(ConfigFilesTest)
#include "tst_configfiles.moc"
