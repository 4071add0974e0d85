#include "app/MainWindow.h"
#include "app/Platform.h"
#include "app/Profile.h"
#include "app/Settings.h"
#include "app/Texts.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

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
        QVERIFY(writeBytes(f.settings() + QStringLiteral("Setup.ini"),
                           "; kept\r\n[SETTINGS]\r\nConnect=0\r\nOther=keep me\r\n[MORE]\r\nX=1\r\n"));
        auto window = start(f);
        const MainWindowUi& ui = window->ui();
        ui.txtPort->setText(QStringLiteral("5000"));
        ui.txtPcName->setText(QStringLiteral("plant-pc"));
        ui.cboDevice->setCurrentIndex(1);
        ui.cboLanguage->setCurrentIndex(1);
        ui.SSTab1->setCurrentIndex(3);
        QTest::mouseClick(ui.cmdQuit, Qt::LeftButton);
        QVERIFY(!window->isVisible());
        QCOMPARE(setting(f, "Port"), QStringLiteral("5000"));
        QCOMPARE(setting(f, "Name"), QStringLiteral("plant-pc"));
        QCOMPARE(setting(f, "Device"), QStringLiteral("1"));
        QCOMPARE(setting(f, "Connect"), QStringLiteral("0"));
        QCOMPARE(setting(f, "Language"), QStringLiteral("1"));
        QCOMPARE(setting(f, "SelTab"), QStringLiteral("3"));
        QCOMPARE(setting(f, "Other"), QStringLiteral("keep me"));
        const QByteArray text = readBytes(Settings::SetupIniPath(f.settings()));
        QVERIFY(text.startsWith("; kept\r\n[SETTINGS]\r\nConnect=0\r\nOther=keep me\r\nPort=5000\r\n"));
        QVERIFY(text.endsWith("[MORE]\r\nX=1\r\n"));
    }

    // Help, version and wrong options are answered before the GUI exists: no display needed.
    void commandLine_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out"); // a line expected on stdout; "" for none at all
        QTest::addColumn<QString>("err"); // the same for stderr
        const QString telvane = QStringLiteral(TELVANE_PROGRAM_DIR "/telvane");
        const QString devsim = QStringLiteral(TELVANE_DEVSIM_PATH);
        const QString version = QStringLiteral("%1.%2.%3")
                                    .arg(TELVANE_VERSION_MAJOR)
                                    .arg(TELVANE_VERSION_MINOR)
                                    .arg(TELVANE_VERSION_PATCH);
        const QString usage = QStringLiteral("Usage: telvane [options]");
        const QString tryHelp = QStringLiteral("Try 'telvane --help'.");
        QTest::newRow("--help") << telvane << QStringList{QStringLiteral("--help")} << 0 << usage << "";
        QTest::newRow("-h") << telvane << QStringList{QStringLiteral("-h")} << 0 << usage << "";
        QTest::newRow("--version") << telvane << QStringList{QStringLiteral("--version")} << 0
                                   << QStringLiteral("telvane ") + version << "";
        QTest::newRow("-v after a Qt option")
            << telvane
            << QStringList{QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("-v")} << 0
            << QStringLiteral("telvane ") + version << "";
        QTest::newRow("unknown option") << telvane << QStringList{QStringLiteral("--colour")} << 1 << ""
                                        << QStringLiteral("telvane: Unknown option 'colour'.");
        QTest::newRow("Qt option without its value")
            << telvane << QStringList{QStringLiteral("-platform")} << 1 << "" << tryHelp;
        QTest::newRow("stray argument") << telvane << QStringList{QStringLiteral("file.cfg")} << 1 << ""
                                        << QStringLiteral("telvane: unexpected argument 'file.cfg'");
        QTest::newRow("simulator -h") << devsim << QStringList{QStringLiteral("-h")} << 0
                                      << QStringLiteral("Usage: telvane-devsim [options]") << "";
        QTest::newRow("simulator -v") << devsim << QStringList{QStringLiteral("-v")} << 0
                                      << QStringLiteral("telvane-devsim ") + version << "";
        QTest::newRow("simulator unknown option") << devsim << QStringList{QStringLiteral("--colour")} << 1
                                                  << "" << QStringLiteral("Try 'telvane-devsim --help'.");
        QTest::newRow("simulator bad value")
            << devsim << QStringList{QStringLiteral("--port"), QStringLiteral("x")} << 1 << ""
            << QStringLiteral("telvane-devsim: --port needs a number from 0 to 65535");
    }

    void commandLine() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QLatin1String(name));
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        QVERIFY2(process.waitForFinished(60000), qPrintable(process.errorString()));
        const QStringList outLines = QString::fromLocal8Bit(process.readAllStandardOutput()).split(u'\n');
        const QStringList errLines = QString::fromLocal8Bit(process.readAllStandardError()).split(u'\n');
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(out.isEmpty() ? outLines == QStringList{QString()} : outLines.contains(out),
                 qPrintable(outLines.join(u'\n')));
        QVERIFY2(err.isEmpty() ? errLines == QStringList{QString()} : errLines.contains(err),
                 qPrintable(errLines.join(u'\n')));
        QCOMPARE(process.exitCode(), status);
    }

    void settingsSurviveARestart() {
        TestFolders f;
        {
            auto window = start(f);
            window->ui().chkConnect->setCheckState(Qt::Unchecked);
            window->ui().SSTab1->setCurrentIndex(2);
            window->close();
        }
        auto again = start(f);
        QCOMPARE(again->ui().SSTab1->currentIndex(), 2);
        QCOMPARE(again->ui().chkConnect->checkState(), Qt::Unchecked);
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
