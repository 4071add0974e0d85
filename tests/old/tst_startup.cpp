#include "gui/MainWindow.h"
#include "core/files/Platform.h"
#include "core/files/Profile.h"
#include "core/files/Settings.h"
#include "core/texts/Texts.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <csignal>

#include <sys/inotify.h>
#include <unistd.h>

class StartupTest : public QObject {
    Q_OBJECT

private:
    ScriptedDialogs m_dialogs;

    std::unique_ptr<MainWindow> start(const TestFolders& folders) {
        return std::make_unique<MainWindow>(
            MainWindowEnvironment{folders.settings(), folders.program(), &m_dialogs});
    }
    static QString setting(const TestFolders& folders, const char* key) {
        return ReadProfileValue(QStringLiteral("SETTINGS"), QLatin1String(key), QStringLiteral("<none>"), 100,
                                Settings::SetupIniPath(folders.settings()));
    }

private slots:
    void settingsFolderFollowsXdgDataHome() {
        qputenv("XDG_DATA_HOME", "/tmp/xdg-test-home");
        QCOMPARE(Settings::SettingsFolder(), QStringLiteral("/tmp/xdg-test-home/Veltrix/Telvane/"));
        qputenv("XDG_DATA_HOME", "relative/is/ignored");
        QCOMPARE(Settings::SettingsFolder(),
                 QDir::homePath() + QStringLiteral("/.local/share/Veltrix/Telvane/"));
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(Settings::SettingsFolder(),
                 QDir::homePath() + QStringLiteral("/.local/share/Veltrix/Telvane/"));
    }

    void firstStartCopiesTemplatesOnce() {
        TestFolders f;
        QVERIFY(writeBytes(f.program() + QStringLiteral("setup.ini"),
                           "[SETTINGS]\r\nPort=7000\r\nConnect=0\r\n"));
        QVERIFY(
            writeBytes(f.program() + QStringLiteral("DefaultCommandSet.cfg"), "[SETTINGS]\r\nLabel1=A\r\n"));
        QVERIFY(writeBytes(f.program() + QStringLiteral("Extra.CFG"), "extra"));
        QVERIFY(QDir().mkpath(f.program() + QStringLiteral("folder.cfg")));
        QDir(f.settings()).removeRecursively(); // a missing settings folder is created

        Settings::PrepareSettingsFolder(f.settings(), f.program());
        QCOMPARE(readBytes(Settings::SetupIniPath(f.settings())),
                 QByteArray("[SETTINGS]\r\nPort=7000\r\nConnect=0\r\n"));
        QCOMPARE(readBytes(f.settings() + QStringLiteral("DefaultCommandSet.cfg")),
                 QByteArray("[SETTINGS]\r\nLabel1=A\r\n"));
        QCOMPARE(readBytes(f.settings() + QStringLiteral("Extra.CFG")), QByteArray("extra"));
        QVERIFY(!QFileInfo::exists(f.settings() + QStringLiteral("folder.cfg")));

        // Changed templates and a user-edited file: nothing is copied over again.
        QVERIFY(writeBytes(f.program() + QStringLiteral("setup.ini"), "[SETTINGS]\r\nPort=1\r\n"));
        QVERIFY(writeBytes(f.program() + QStringLiteral("DefaultCommandSet.cfg"), "changed"));
        QVERIFY(writeBytes(f.settings() + QStringLiteral("Extra.CFG"), "user's own"));
        Settings::PrepareSettingsFolder(f.settings(), f.program());
        QCOMPARE(readBytes(Settings::SetupIniPath(f.settings())),
                 QByteArray("[SETTINGS]\r\nPort=7000\r\nConnect=0\r\n"));
        QCOMPARE(readBytes(f.settings() + QStringLiteral("DefaultCommandSet.cfg")),
                 QByteArray("[SETTINGS]\r\nLabel1=A\r\n"));
        QCOMPARE(readBytes(f.settings() + QStringLiteral("Extra.CFG")), QByteArray("user's own"));
    }

    void settingsFileNameIsCaseInsensitive() {
        TestFolders f;
        QVERIFY(writeBytes(f.program() + QStringLiteral("setup.ini"), "[SETTINGS]\r\nPort=1111\r\n"));
        QVERIFY(writeBytes(f.settings() + QStringLiteral("SETUP.INI"),
                           "[SETTINGS]\r\nPort=2222\r\nConnect=0\r\n"));
        auto window = start(f);
        QCOMPARE(window->ui().txtPort->text(), QStringLiteral("2222"));
        QCOMPARE(
            QDir(f.settings()).entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::IgnoreCase).size(), 1);
        window->close();
        QCOMPARE(QDir(f.settings()).entryList({QStringLiteral("*.ini")}, QDir::Files).size(), 1);
        QCOMPARE(setting(f, "Port"), QStringLiteral("2222"));
    }

    void defaultsWithoutSettingsFile() {
        TestFolders f;
        auto window = start(f);
        const MainWindowUi& ui = window->ui();
        QCOMPARE(ui.txtPort->text(), QStringLiteral("6060"));
        QCOMPARE(ui.txtPcName->text(), Platform::LocalHostName());
        QCOMPARE(ui.cboDevice->currentIndex(), 0);
        QCOMPARE(ui.chkConnect->checkState(), Qt::Checked);
        QCOMPARE(ui.cboLanguage->currentIndex(), 0);
        QCOMPARE(ui.SSTab1->currentIndex(), 0);
        QCOMPARE(window->windowTitle(), QStringLiteral("Telvane"));
        QCOMPARE(ui.cmdQuit->text(), QStringLiteral("Beenden"));
    }

    void storedValues_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("device");
        QTest::addColumn<int>("connect"); // as Qt::CheckState: greyed (1) still asks for a connection
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("tab");

        QTest::newRow("seven-digit port shows six")
            << QByteArray("[SETTINGS]\r\nPort=1234567\r\nConnect=0\r\n") << "123456" << 0 << 0 << 0 << 0;
        QTest::newRow("all set")
            << QByteArray("[SETTINGS]\r\nPort=7\r\nDevice=1\r\nConnect=1\r\nLanguage=1\r\nSelTab=2\r\n")
            << "7" << 1 << 2 << 1 << 2;
        QTest::newRow("not numbers")
            << QByteArray("[SETTINGS]\r\nDevice=x\r\nConnect=x\r\nLanguage=y\r\nSelTab=z\r\n") << "6060" << 0
            << 0 << 0 << 0;
        QTest::newRow("greyed connect counts as checked")
            << QByteArray("[SETTINGS]\r\nConnect=2\r\n") << "6060" << 0 << 1 << 0 << 0;
        QTest::newRow("numbers beyond the widgets fall back to the first row")
            << QByteArray("[SETTINGS]\r\nDevice=7\r\nConnect=0\r\nLanguage=300\r\nSelTab=9\r\n") << "6060"
            << 0 << 0 << 0 << 0;
        QTest::newRow("read size cuts before the number is taken")
            << QByteArray("[SETTINGS]\r\nSelTab=31\r\nConnect=0\r\n") << "6060" << 0 << 0 << 0 << 3;
    }

    void storedValues() {
        QFETCH(QByteArray, ini);
        QFETCH(QString, port);
        QFETCH(int, device);
        QFETCH(int, connect);
        QFETCH(int, language);
        QFETCH(int, tab);
        TestFolders f;
        QVERIFY(writeBytes(f.settings() + QStringLiteral("Setup.ini"), ini));
        auto window = start(f);
        const MainWindowUi& ui = window->ui();
        QCOMPARE(ui.txtPort->text(), port);
        QCOMPARE(ui.cboDevice->currentIndex(), device);
        QCOMPARE(ui.chkConnect->checkState(), static_cast<Qt::CheckState>(connect));
        QCOMPARE(ui.cboLanguage->currentIndex(), language);
        QCOMPARE(ui.SSTab1->currentIndex(), tab);
        QCOMPARE(ui.cmdQuit->text(), language == 1 ? QStringLiteral("Quit") : QStringLiteral("Beenden"));
    }

    void exitWritesTheSixKeys() {
        TestFolders f;
        // Neither file ends with a line end: every key written behind the last line still gets its own line.
        const QByteArray ini =
            "; kept\r\n[MORE]\r\nX=1\r\n[SETTINGS]\r\nConnect=0\r\nOther=keep me\r\nSelTab=2";
        QVERIFY(writeBytes(f.settings() + QStringLiteral("Setup.ini"), ini));
        QVERIFY(writeBytes(f.settings() + QStringLiteral("DefaultCommandSet.cfg"), "[SETTINGS]"));
        auto window = start(f);
        const MainWindowUi& ui = window->ui();
        ui.txtPort->setText(QStringLiteral("5000"));
        ui.txtPcName->setText(QStringLiteral("plant-pc"));
        ui.cboDevice->setCurrentIndex(1);
        ui.cboLanguage->setCurrentIndex(1);
        ui.SSTab1->setCurrentIndex(3);
        // Each time the file is replaced, the folder sees it arrive under its name.
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(inotify_add_watch(watch, QFile::encodeName(f.settings()).constData(),
                                  IN_CREATE | IN_MOVED_TO) >= 0);
        QTest::mouseClick(ui.cmdQuit, Qt::LeftButton);
        QVERIFY(!window->isVisible());
        QList<QByteArray> arrived;
        alignas(inotify_event) char events[16384];
        for (ssize_t size = read(watch, events, sizeof events), at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            arrived.append(QByteArray(event->name));
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
        close(watch);
        // One replace with the bytes of six profile writes, so a kill during the exit leaves a whole file.
        QCOMPARE(arrived.count("Setup.ini"), 1);
        const QString expected = f.root.filePath(QStringLiteral("expected.ini"));
        QVERIFY(writeBytes(expected, ini));
        const QString written =
            QStringLiteral("Port=5000 Name=plant-pc Device=1 Connect=0 Language=1 SelTab=3");
        for (const QString& pair : written.split(QLatin1Char(' ')))
            QVERIFY(WriteProfileValue(QStringLiteral("SETTINGS"), pair.section(QLatin1Char('='), 0, 0),
                                      pair.section(QLatin1Char('='), 1), expected));
        QCOMPARE(readBytes(Settings::SetupIniPath(f.settings())), readBytes(expected));
        QCOMPARE(setting(f, "Port"), QStringLiteral("5000"));
        QCOMPARE(setting(f, "SelTab"), QStringLiteral("3"));
        QCOMPARE(setting(f, "Other"), QStringLiteral("keep me"));
        const QByteArray cfg = readBytes(f.settings() + QStringLiteral("DefaultCommandSet.cfg"));
        QVERIFY(cfg.startsWith("[SETTINGS]\r\nCommand1=\r\n") && cfg.count("=\r\n") == 32);
    }

    void settingsSurviveTwoRestarts_data() {
        QTest::addColumn<QByteArray>("connect"); // as stored before the first start
        QTest::addColumn<int>("clicks");         // on chkConnect in the first session
        QTest::addColumn<int>("state");          // Qt::CheckState at every later start
        QTest::addColumn<QString>("stored");
        QTest::newRow("unticked") << QByteArray("0") << 0 << int(Qt::Unchecked) << "0";
        QTest::newRow("ticked") << QByteArray("1") << 0 << int(Qt::Checked) << "1";
        QTest::newRow("greyed") << QByteArray("2") << 0 << int(Qt::PartiallyChecked) << "2";
        // A click ticks or unticks; only a stored 2 greys the box.
        QTest::newRow("unticked, clicked") << QByteArray("0") << 1 << int(Qt::Checked) << "1";
        QTest::newRow("greyed, clicked") << QByteArray("2") << 1 << int(Qt::Unchecked) << "0";
    }

    void settingsSurviveTwoRestarts() {
        QFETCH(QByteArray, connect);
        QFETCH(int, clicks);
        QFETCH(int, state);
        QFETCH(QString, stored);
        TestFolders f;
        QVERIFY(writeBytes(f.settings() + QStringLiteral("Setup.ini"), "[SETTINGS]\r\nConnect=" + connect));
        // Longer than the 63 characters a host name from the system has; a PC name can be any host name.
        const QString name = QStringLiteral("messplatz-") + QString(72, QLatin1Char('x'));
        for (int session = 0; session < 3; ++session) {
            auto window = start(f);
            const MainWindowUi& ui = window->ui();
            if (session == 0) {
                for (int i = 0; i < clicks; ++i)
                    ui.chkConnect->click();
                ui.txtPcName->setText(name);
                ui.SSTab1->setCurrentIndex(2);
            } else {
                QCOMPARE(ui.chkConnect->checkState(), Qt::CheckState(state));
                QCOMPARE(ui.txtPcName->text(), name);
                QCOMPARE(ui.SSTab1->currentIndex(), 2);
            }
            window->close();
            QCOMPARE(setting(f, "Connect"), stored);
        }
    }

    void terminationSignalRunsTheExit_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void terminationSignalRunsTheExit() {
        QFETCH(int, signalNumber);
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("Veltrix/Telvane/"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeBytes(folder + QStringLiteral("Setup.ini"), "[SETTINGS]\r\nConnect=0\r\n"));
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TELVANE_PROGRAM_DIR "/telvane"), {});
        // The template is copied early in the start-up; a signal from then on waits for the event loop.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(folder + QStringLiteral("DefaultCommandSet.cfg")), 30000);
        QCOMPARE(::kill(pid_t(program.processId()), signalNumber), 0);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // Only the exit writes these.
        QCOMPARE(ReadProfileValue(QStringLiteral("SETTINGS"), QStringLiteral("SelTab"), {}, 9,
                                  folder + QStringLiteral("Setup.ini")),
                 QStringLiteral("0"));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
