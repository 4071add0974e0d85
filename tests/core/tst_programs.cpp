// The built programs run as processes: what their command lines answer, and the end a termination signal
// brings.

#include "support/CoreSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <csignal>

class ProgramsTest : public QObject {
    Q_OBJECT

private slots:
    // Help, version and wrong options are answered before the GUI exists: no display needed.
    void commandLine_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line"); // on stdout after status 0, else on stderr; the other stays empty
        auto row = [](const char* command, int status, const char* line) {
            QTest::newRow(command) << QString::fromLatin1(command) << status << QString::fromLatin1(line);
        };
        row("telvane --help", 0, "Usage: telvane [options]");
        row("telvane -h", 0, "Usage: telvane [options]");
        row("telvane --version", 0, "telvane " TELVANE_VERSION);
        row("telvane -platform xcb -v", 0, "telvane " TELVANE_VERSION);
        row("telvane --colour", 1, "telvane: Unknown option 'colour'.");
        row("telvane -platform", 1, "Try 'telvane --help'."); // a Qt option without its value
        row("telvane file.cfg", 1, "telvane: unexpected argument 'file.cfg'");
        row("telvane-devsim -h", 0, "Usage: telvane-devsim [options]");
        row("telvane-devsim -v", 0, "telvane-devsim " TELVANE_VERSION);
        row("telvane-devsim --colour", 1, "Try 'telvane-devsim --help'.");
        row("telvane-devsim --port x", 1, "telvane-devsim: --port needs a number from 0 to 65535");
    }
    void commandLine() {
        QFETCH(QString, command);
        QFETCH(int, status);
        QFETCH(QString, line);
        QStringList arguments = command.split(u' ');
        const bool telvane = arguments.takeFirst() == QLatin1String("telvane");
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QLatin1String(name));
        process.setProcessEnvironment(environment);
        process.start(QLatin1String(telvane ? TELVANE_PROGRAM_PATH : TELVANE_DEVSIM_PATH), arguments);
        QVERIFY2(process.waitForFinished(60000), qPrintable(process.errorString()));
        const QByteArray output = process.readAllStandardOutput();
        const QByteArray errors = process.readAllStandardError();
        QVERIFY2(QString::fromLocal8Bit(status ? errors : output).split(u'\n').contains(line) &&
                     (status ? output : errors).isEmpty(),
                 QByteArray(output + errors).constData());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
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
        // Not connecting: nothing but the signal ends the program.
        QVERIFY(QDir().mkpath(folder) &&
                writeBytes(folder + QStringLiteral("Setup.ini"), "[SETTINGS]\r\nConnect=0\r\n"));
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TELVANE_PROGRAM_PATH), {});
        // The template is copied early in the start-up; a signal from then on waits for the event loop.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(folder + QStringLiteral("DefaultCommandSet.cfg")), 30000);
        QCOMPARE(::kill(pid_t(program.processId()), signalNumber), 0);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // Only the exit writes this key.
        QCOMPARE(ReadProfileValue(Settings::Section, QStringLiteral("SelTab"), {}, 9,
                                  folder + QStringLiteral("Setup.ini")),
                 QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(ProgramsTest)
#include "tst_programs.moc"
