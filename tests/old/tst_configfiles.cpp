// The configuration files through the main window: the load and save buttons with their dialogs and
// messages, what a loaded file shows on the slot buttons, and DefaultCommandSet.cfg at start-up and exit.
// The file format itself is covered by tst_quickdialconfig.

#include "testsupport.h"

#include "gui/MainWindow.h"
#include "core/files/Profile.h"
#include "core/texts/Texts.h"
#include "gui/QuickDial.h"
#include "core/scripts/QuickDialConfig.h"

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
const QString Empty = QStringLiteral("[Leer]");

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

    void dialogs_data();
    void dialogs();
    void loadShowsTheFileOrKeepsTheSlots();
    void failedSaveNamesFileAndReason_data();
    void failedSaveNamesFileAndReason();
    void textTheFileCannotHoldIsRefused_data();
    void textTheFileCannotHoldIsRefused();
    void firstStartShowsEmptySlotsAndExitWritesEmptyKeys();
    void longSlotSurvivesRestart();

private:
    void start(int language = 0);
    void quit();
    const MainWindowUi& ui() const { return m_window->ui(); }
    QString settingsFile(const QString& name) const { return m_folders->settings() + name; }
    // What the eight slots show: run caption, choice caption, choice tooltip, description box.
    QStringList shown() const;
    QList<ScriptedDialogs::Call> warnings() const;
    void verifyAllEmpty() const;

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
    const QString section = QStringLiteral("SETTINGS");
    QVERIFY(WriteProfileValue(section, QStringLiteral("Connect"), QStringLiteral("0"), ini));
    QVERIFY(WriteProfileValue(section, QStringLiteral("SelTab"), QStringLiteral("3"), ini));
    QVERIFY(WriteProfileValue(section, QStringLiteral("Language"), QString::number(language), ini));
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

void ConfigFilesTest::verifyAllEmpty() const {
    for (std::size_t i = 0; i < 8; ++i) {
        QCOMPARE(ui().cmdCommand[i]->text(), Empty);
        QCOMPARE(ui().cmdF[i]->text(), Empty);
        QCOMPARE(ui().cmdF[i]->toolTip(), QString());
    }
}

void ConfigFilesTest::dialogs_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("loadTitle");
    QTest::addColumn<QString>("saveTitle");
    QTest::addColumn<QString>("proposal");
    QTest::addColumn<QString>("filter");
    QTest::newRow("German") << 0 << QStringLiteral("Befehls-Konfigurationsdatei laden...")
                            << QStringLiteral("Befehls-Konfigurationsdatei speichern...")
                            << QStringLiteral("Benutzerdefiniert.cfg")
                            << QStringLiteral("Befehls-Konfigurationsdatei (*.cfg)|*.cfg");
    QTest::newRow("English") << 1 << QStringLiteral("Load command configuration file...")
                             << QStringLiteral("Save command configuration file...")
                             << QStringLiteral("User defined.cfg")
                             << QStringLiteral("Ccommand configuration file (*.cfg)|*.cfg");
}

void ConfigFilesTest::dialogs() {
    QFETCH(int, language);
    QFETCH(QString, loadTitle);
    QFETCH(QString, saveTitle);
    QFETCH(QString, proposal);
    QFETCH(QString, filter);
    QVERIFY(SaveQuickDialFile(settingsFile(DefaultFile), sampleSlots()));
    start(language);
    const QuickDialSlots before = m_window->quickDial()->allSlots();
    const QStringList shownBefore = shown();
    const QStringList filesBefore = QDir(m_folders->settings()).entryList(QDir::Files);

    // Both cancelled: nothing changes, no file.
    QTest::mouseClick(ui().cmdLoadConfig, Qt::LeftButton);
    QTest::mouseClick(ui().cmdSaveConfig, Qt::LeftButton);
    QCOMPARE(m_dialogs.calls.size(), 2);
    QCOMPARE(m_dialogs.calls[0].kind, QStringLiteral("open"));
    QCOMPARE(m_dialogs.calls[0].title, loadTitle);
    QCOMPARE(m_dialogs.calls[0].text, m_folders->settings() + QLatin1Char('|') + filter);
    QCOMPARE(m_dialogs.calls[1].kind, QStringLiteral("save"));
    QCOMPARE(m_dialogs.calls[1].title, saveTitle);
    QCOMPARE(m_dialogs.calls[1].text,
             m_folders->settings() + QLatin1Char('|') + proposal + QLatin1Char('|') + filter);
    QCOMPARE(m_window->quickDial()->allSlots(), before);
    QCOMPARE(shown(), shownBefore);
    QCOMPARE(QDir(m_folders->settings()).entryList(QDir::Files), filesBefore);

    // A name without extension is written as entered; the file reads back as the slots.
    const QString chosen = settingsFile(QStringLiteral("meine Befehle"));
    m_dialogs.saveAnswers = {chosen};
    QTest::mouseClick(ui().cmdSaveConfig, Qt::LeftButton);
    QVERIFY(warnings().isEmpty());
    QVERIFY(!QFileInfo::exists(chosen + QStringLiteral(".cfg")));
    QCOMPARE(LoadQuickDialFile(chosen), LoadQuickDialFile(settingsFile(DefaultFile)));
    QCOMPARE(LoadQuickDialFile(chosen)[2].caption, sampleSlots()[2].caption);
}

void ConfigFilesTest::loadShowsTheFileOrKeepsTheSlots() {
    QVERIFY(SaveQuickDialFile(settingsFile(DefaultFile), sampleSlots()));
    start();
    const QuickDialSlots before = m_window->quickDial()->allSlots();
    const QStringList shownBefore = shown();

    // Unreadable, or no configuration file (picked by mistake): reported, the slots stay.
    const QString folder = settingsFile(QStringLiteral("x.cfg"));
    QVERIFY(QDir().mkpath(folder));
    const QString notes = settingsFile(QStringLiteral("notes.txt"));
    QVERIFY(writeBytes(notes, "Notizen\r\n[SETTINGS]\r\nPort=6060\r\n"));
    m_dialogs.openAnswers = {folder, notes};
    QTest::mouseClick(ui().cmdLoadConfig, Qt::LeftButton);
    QTest::mouseClick(ui().cmdLoadConfig, Qt::LeftButton);
    QCOMPARE(warnings().size(), 2);
    QCOMPARE(warnings().at(0).title, QStringLiteral("Laden fehlgeschlagen"));
    QCOMPARE(warnings().at(0).text,
             QStringLiteral("Die Konfigurationsdatei \"") + QDir::cleanPath(folder) +
                 QStringLiteral("\" konnte nicht gelesen werden: Die Datei kann nicht gelesen werden."));
    QCOMPARE(warnings().at(1).title, QStringLiteral("Laden fehlgeschlagen"));
    QVERIFY(warnings().at(1).text.startsWith(QStringLiteral("Die Datei \"") + notes +
                                             QStringLiteral("\" ist keine Befehls-Konfigurationsdatei")));
    QCOMPARE(m_window->quickDial()->allSlots(), before);
    QCOMPARE(shown(), shownBefore);

    QuickDialSlots other;
    other[1] = {QStringLiteral("Zweiter Platz"), QStringLiteral("zwei"), lines({"XC 1 a", "XC 1 b"})};
    const QString file = m_folders->root.filePath(QStringLiteral("elsewhere/Other.cfg"));
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QVERIFY(SaveQuickDialFile(file, other));
    // A slot with commands but no label, as another tool might write it.
    QVERIFY(WriteProfileValue(QStringLiteral("SETTINGS"), QStringLiteral("Command8"), QStringLiteral("SM 0"),
                              file));
    m_dialogs.openAnswers = {file};
    QTest::mouseClick(ui().cmdLoadConfig, Qt::LeftButton);
    QCOMPARE(warnings().size(), 2);

    const QStringList slotTwo{QStringLiteral("Zweiter Platz"), QStringLiteral("Zweiter Pl..."),
                              QStringLiteral("Bezeichnung: Zweiter Platz"), QStringLiteral("zwei")};
    QStringList expected;
    for (int n = 1; n <= 8; ++n)
        expected << (n == 2 ? slotTwo : QStringList{Empty, Empty, QString(), QString()});
    QCOMPARE(shown(), expected);
    QCOMPARE(m_window->quickDial()->slotAt(2).lines, other[1].lines);
    QCOMPARE(m_window->quickDial()->slotAt(8).lines, (Script{{QStringLiteral("SM 0"), QString()}}));
}

void ConfigFilesTest::failedSaveNamesFileAndReason_data() {
    QTest::addColumn<QString>("situation");
    QTest::newRow("name of a folder") << QStringLiteral("folder");
    QTest::newRow("read-only folder") << QStringLiteral("readonly");
    QTest::newRow("exit, DefaultCommandSet.cfg a folder from the start") << QStringLiteral("exitFolder");
}

void ConfigFilesTest::failedSaveNamesFileAndReason() {
    QFETCH(QString, situation);
    QString target = settingsFile(DefaultFile);
    const QString locked = m_folders->root.filePath(QStringLiteral("locked"));
    const QByteArray oldContent = "[SETTINGS]\r\nLabel1=old\r\n";
    const bool atExit = situation == QLatin1String("exitFolder");
    QVERIFY(atExit ? QDir().mkpath(target) : SaveQuickDialFile(target, sampleSlots()));
    if (situation == QLatin1String("folder")) {
        target = settingsFile(QStringLiteral("folder.cfg"));
        QVERIFY(QDir().mkpath(target));
    } else if (situation == QLatin1String("readonly")) {
        if (::geteuid() == 0)
            QSKIP("permissions do not hold for the superuser");
        QVERIFY(QDir().mkpath(locked));
        target = locked + QStringLiteral("/x.cfg");
        QVERIFY(writeBytes(target, oldContent));
        QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    start();

    if (atExit) {
        // Nothing can be read from it: eight empty slots, as for a missing file, and no message yet.
        verifyAllEmpty();
        QVERIFY(m_dialogs.calls.isEmpty());
        quit();
    } else {
        m_dialogs.saveAnswers = {target};
        QTest::mouseClick(ui().cmdSaveConfig, Qt::LeftButton);
    }
    QCOMPARE(warnings().size(), 1);
    QCOMPARE(warnings().first().title, QStringLiteral("Speichern fehlgeschlagen"));
    const QString prefix = QStringLiteral("Die Konfigurationsdatei \"") + target +
                           QStringLiteral("\" konnte nicht gespeichert werden: ");
    QVERIFY2(warnings().first().text.startsWith(prefix), qPrintable(warnings().first().text));
    QVERIFY2(warnings().first().text.size() > prefix.size(), "no reason given");
    // What was there stays.
    if (situation == QLatin1String("readonly")) {
        QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner));
        QCOMPARE(readBytes(target), oldContent);
    } else {
        QVERIFY(QFileInfo(target).isDir());
    }
}

void ConfigFilesTest::textTheFileCannotHoldIsRefused_data() {
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

void ConfigFilesTest::textTheFileCannotHoldIsRefused() {
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
}

void ConfigFilesTest::firstStartShowsEmptySlotsAndExitWritesEmptyKeys() {
    QVERIFY(!QFileInfo::exists(settingsFile(DefaultFile)));
    start();
    verifyAllEmpty();
    quit();
    QByteArray expected = "[SETTINGS]\r\n";
    for (int n = 1; n <= 8; ++n) {
        const QByteArray d = QByteArray::number(n);
        expected += "Command" + d + "=\r\nDescript" + d + "=\r\nLabel" + d + "=\r\nNote" + d + "=\r\n";
    }
    QCOMPARE(readBytes(settingsFile(DefaultFile)), expected);
    QVERIFY(warnings().isEmpty());
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

    for (int round = 0; round < 2; ++round) {
        start();
        QCOMPARE(m_window->quickDial()->slotAt(5), memory[4]);
        quit();
        // The exit save writes back byte for byte what was read.
        QCOMPARE(readBytes(settingsFile(DefaultFile)), original);
    }
    QVERIFY(warnings().isEmpty());
}

QTEST_MAIN(ConfigFilesTest)
#include "tst_configfiles.moc"
