// Files: the profile reader and writer on real file text, the Windows-1252 codec, the settings folder and
// Setup.ini, and the platform helpers.

#include "support/CoreSupport.h"

#include "core/scripts/QuickDialConfig.h"
#include "core/texts/Texts.h"

#include <QtTest>

#include <csignal>
#include <map>

#include <sys/stat.h>

#include <sys/inotify.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

// What a window read at start: the settings and the lines of their keys.
struct WindowRead {
    explicit WindowRead(const QString& ini) { settings = SetupSettings::read(ini, u"host"_s, &lines); }
    SetupSettings settings;
    ProfileLines lines;
};

} // namespace

class FilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void readValue_data() {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("fallback");
        auto row = [](const char* name, const QByteArray& content, int size, const char* expected,
                      const char* key = "Port", const char* fallback = "dflt") {
            QTest::newRow(name) << content << size << QString::fromUtf8(expected) << QString::fromLatin1(key)
                                << QString::fromLatin1(fallback);
        };
        row("names case-insensitive and trimmed", "[settings]\r\nPORT=1\r\n", 7, "1", " port ");
        row("blanks around key and value", "[SETTINGS]\r\n \t Port \t=  6061 \t\r\n", 7, "6061");
        row("double quotes off, inner blanks kept", "[SETTINGS]\nPort=\" a b \"\n", 20, " a b ");
        row("single quotes off", "[SETTINGS]\nPort='x'\n", 20, "x");
        row("mismatched quotes kept", "[SETTINGS]\nPort=\"x'\n", 20, "\"x'");
        row("lone quote kept", "[SETTINGS]\nPort=\"\n", 20, "\"");
        row("first key wins", "[SETTINGS]\nPort=1\nPort=2\n", 7, "1");
        row("only the first section of a name", "[SETTINGS]\nName=a\n[SETTINGS]\nPort=2\n", 7, "dflt");
        row("key before any section", "Port=9\n[SETTINGS]\n", 7, "dflt");
        row("comment lines", "[SETTINGS]\n;Port=1\n  ; Port=3\nPort=2\n", 7, "2");
        row("hash is no comment", "[SETTINGS]\n#Port=1\nPort=2\n", 7, "1", "#Port");
        row("semicolon in a value is data", "[SETTINGS]\nPort=;x\n", 7, ";x");
        row("split at the first equals sign", "[SETTINGS]\nPort=a=b\n", 7, "a=b");
        row("CR only", "[SETTINGS]\rName=x\rPort=5\r", 7, "5");
        row("no final line break", "[SETTINGS]\r\nPort=77", 7, "77");
        row("blanks inside brackets", "[ SETTINGS ]\nPort=4\n", 7, "4");
        row("rest after the bracket ignored", "[SETTINGS] junk\nPort=4\n", 7, "4");
        row("header without closing bracket", "[SETTINGS\nPort=4\n", 7, "4");
        row("closing bracket alone is no header", "[SETTINGS]\nOTHER]\nPort=4\n", 7, "4");
        row("line without equals sign", "[SETTINGS]\nPort\nPort=8\n", 7, "8");
        row("cut to size - 1", "[SETTINGS]\nPort=1234567\n", 7, "123456");
        row("size 1 gives nothing", "[SETTINGS]\nPort=12\n", 1, "");
        row("empty value is not the default", "[SETTINGS]\nPort=\n", 7, "");
        row("missing key", "[SETTINGS]\nName=x\n", 7, "dflt");
        row("default cut to size - 1", QByteArray(), 4, "dfl");
        row("default: trailing blanks cut, others kept", QByteArray(), 10, " d\t", "Port", " d\t  ");
        row("Windows-1252", "[SETTINGS]\nPort=Gr\xFC\xDF \x80\x9F\x81\n", 20,
            "Gr\u00fc\u00df \u20ac\u0178\u0081");
    }
    void readValue() {
        QFETCH(QByteArray, content);
        QFETCH(int, size);
        QFETCH(QString, expected);
        QFETCH(QString, key);
        QFETCH(QString, fallback);
        const QString path = file(QTest::currentDataTag());
        QVERIFY(content.isNull() || writeBytes(path, content));
        int length = -1;
        QCOMPARE(ReadProfileValue(QStringLiteral(" Settings "), key, fallback, size, path, &length),
                 expected);
        QCOMPARE(length, expected.size());
    }

    void write_data() {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        auto row = [](const char* name, const QByteArray& before, const char* key, const char* value,
                      const QByteArray& after) {
            QTest::newRow(name) << before << QString::fromLatin1(key) << QString::fromUtf8(value) << after;
        };
        row("replaced in place, the file's spelling and the neighbours kept",
            "; head\n[settings]\nA=1\n  port = 1 \nB=2\n", "PORT", "2",
            "; head\n[settings]\nA=1\nport=2\r\nB=2\n");
        row("new key after the last key, not after comments",
            "[SETTINGS]\r\nA=1\r\n; note\r\n\r\n[OTHER]\r\n", "B", "2",
            "[SETTINGS]\r\nA=1\r\nB=2\r\n; note\r\n\r\n[OTHER]\r\n");
        row("new key after a header that ends the file", "[SETTINGS]", "K", "v", "[SETTINGS]\r\nK=v\r\n");
        row("new section after a last line without line end", "[OTHER]\nX=1", "K", "v",
            "[OTHER]\nX=1\r\n[SETTINGS]\r\nK=v\r\n");
        row("value written as given", QByteArray(), "K", "  \"q\" ; # ", "[SETTINGS]\r\nK=  \"q\" ; # \r\n");
        row("line breaks become blanks, so no key is injected", QByteArray(), "K", "a\r\nb\nc\rInjected=1",
            "[SETTINGS]\r\nK=a b c Injected=1\r\n");
        row("bytes before the first section kept", "\xEF\xBB\xBFjunk\n[SETTINGS]\nK=1\n", "K", "2",
            "\xEF\xBB\xBFjunk\n[SETTINGS]\nK=2\r\n");
        row("one byte per character", QByteArray(), "K", "\u00c4\u20ac\u4e2d",
            "[SETTINGS]\r\nK=\xC4\x80?\r\n");
    }
    void write() {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QString path = file(QTest::currentDataTag());
        QVERIFY(before.isNull() || writeBytes(path, before));
        QString error;
        QVERIFY2(WriteProfileValue(Settings::Section, key, value, path, &error), qPrintable(error));
        QTEST(readBytes(path), "after");
    }

    // A write the system refuses half way (here: a file size limit, which holds for the superuser too).
    // (A file that cannot be made, or is refused on reading: refusedFiles.)
    void failedWriteKeepsWhatWasThere() {
        const QString s = QStringLiteral("S");
        const QString path = file("limited.ini");
        QVERIFY(writeBytes(path, "[S]\r\nK=old\r\n"));
        rlimit before{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &before) == 0);
        rlimit limited = before;
        limited.rlim_cur = 64;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
        const bool written = WriteProfileValue(s, s, QString(200, QLatin1Char('x')), path);
        ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!written);
        QCOMPARE(readBytes(path), QByteArray("[S]\r\nK=old\r\n"));
    }

    void bigFileIsParsedOnce() {
        // A value of megabytes among the keys of a configuration file: reading and writing every key costs
        // less than half a load, because the keys are found by an index, not by parsing again.
        QByteArray text = "[SETTINGS]\r\nCommand1=" + QByteArray(4 << 20, 'x') + "\r\n";
        for (int n = 1; n <= 8; ++n)
            text += "Label" + QByteArray::number(n) + "=L\r\nNote" + QByteArray::number(n) + "=N\r\n";
        QVERIFY(writeBytes(file("big.ini"), text));
        qint64 load = std::numeric_limits<qint64>::max();
        qint64 keys = load;
        for (int round = 0; round < 5; ++round) { // the fastest of five, so a busy machine does not count
            QElapsedTimer timer;
            timer.start();
            ProfileFile profile = ProfileFile::load(file("big.ini"));
            const qint64 loaded = timer.nsecsElapsed();
            for (int n = 1; n <= 32; ++n) {
                const QString key = QStringLiteral("Label%1").arg(n % 8 + 1);
                profile.setValue(Settings::Section, key, *profile.value(QStringLiteral("settings"), key));
            }
            load = std::min(load, loaded);
            keys = std::min(keys, timer.nsecsElapsed() - loaded);
        }
        QVERIFY2(2 * keys < load, qPrintable(QStringLiteral("%1 times the load").arg(double(keys) / load)));
    }

    void settingsFolderWithoutAnAbsoluteXdgDataHome() {
        const QString home = QDir::homePath() + u"/.local/share/Veltrix/Telvane/"_s;
        qputenv("XDG_DATA_HOME", "relative/is/ignored");
        QCOMPARE(Settings::SettingsFolder(), home);
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(Settings::SettingsFolder(), home);
    }

    void firstStartThenWindowsOnTheFolder() {
        TestFolders f;
        // The first start makes the settings folder and copies the program's templates into it.
        for (const char* name : {"setup.ini", "DefaultCommandSet.cfg", "Extra.CFG", "notes.txt"})
            QVERIFY(writeBytes(f.program() + QLatin1String(name), name));
        QVERIFY(QDir().mkpath(f.program() + u"folder.cfg"_s));
        const QString settings = f.root.filePath(u"new/settings/"_s); // created when missing
        Settings::PrepareSettingsFolder(settings, f.program());
        QCOMPARE(QDir(settings).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name).join(u' '),
                 u"DefaultCommandSet.cfg Extra.CFG Setup.ini"_s);
        QCOMPARE(readBytes(settings + u"Setup.ini"_s), QByteArray("setup.ini"));

        // Files already there, under any case of their names, are never replaced.
        QVERIFY(QFile::rename(settings + u"Setup.ini"_s, settings + u"SETUP.INI"_s));
        QVERIFY(QFile::rename(settings + u"Extra.CFG"_s, settings + u"extra.cfg"_s));
        QVERIFY(writeBytes(f.program() + u"DefaultCommandSet.cfg"_s, "changed"));
        Settings::PrepareSettingsFolder(settings, f.program());
        QCOMPARE(QDir(settings).entryList(QDir::Files).size(), 3);
        QCOMPARE(Settings::setupIniPath(settings), settings + u"SETUP.INI"_s);
        QCOMPARE(readBytes(settings + u"DefaultCommandSet.cfg"_s), QByteArray("DefaultCommandSet.cfg"));

        // A marker left behind by a window that crashed: its process is gone, so it does not count.
        QProcess crashed;
        crashed.start(u"true"_s, {});
        QVERIFY(crashed.waitForStarted(Timeout));
        const qint64 pid = crashed.processId();
        QVERIFY(crashed.waitForFinished(Timeout));
        const QString marker = settings + u".telvane-window-0.lock"_s;
        QByteArray contents;
        {
            QLockFile own(marker); // a real marker's contents, with the dead process's number
            QVERIFY(own.tryLock(0));
            contents = readBytes(marker);
        }
        QVERIFY(writeBytes(marker, QByteArray::number(pid) + contents.mid(contents.indexOf('\n'))));
        auto first = std::make_unique<Settings::WindowMarker>(settings);
        QVERIFY(!first->otherWindowRunning());
        const Settings::WindowMarker second(settings);
        QVERIFY(second.otherWindowRunning());
        // The second still runs when the first has gone: a third window is told too.
        first.reset();
        QVERIFY(Settings::WindowMarker(settings).otherWindowRunning());
    }

    void readSetup_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("desktop");  // the desktop's locale, for a first start; "" for a later one
        QTest::addColumn<QString>("expected"); // port|name|device|connect|language|selTab|window place
        auto row = [](const char* name, const QByteArray& ini, const char* desktop, const char* expected) {
            QTest::newRow(name) << ini << QString::fromLatin1(desktop) << QString::fromLatin1(expected);
        };
        const QByteArray s = "[SETTINGS]\r\n";
        row("not numbers", s + "Device=x\r\nConnect=x\r\nLanguage=y\r\nSelTab=z", "", "6060|host|0|0|0|0|-");
        row("numbers beyond the widgets", s + "Device=7\r\nConnect=5\r\nLanguage=300\r\nSelTab=-1\r\n", "",
            "6060|host|0|1|0|0|-");
        row("cut before the number is taken", s + "SelTab=31\r\nDevice=10", "", "6060|host|1|1|0|3|-");
        // The window's place is taken only whole, with a size of at least one pixel each way.
        const QByteArray place = s + "WindowLeft=-5\r\nWindowTop=6\r\n";
        row("window place", place + "WindowWidth=700\r\nWindowHeight= 500 ", "",
            "6060|host|0|1|0|0|-5 6 700x500");
        row("window width 0", place + "WindowWidth=0\r\nWindowHeight=500", "", "6060|host|0|1|0|0|-");
        row("window height 0", place + "WindowWidth=700\r\nWindowHeight=0", "", "6060|host|0|1|0|0|-");
        row("window size not a number", place + "WindowWidth=7x\r\nWindowHeight=500", "",
            "6060|host|0|1|0|0|-");
        row("window place not whole", s + "WindowWidth=700\r\nWindowHeight=500", "", "6060|host|0|1|0|0|-");
        // A first start without a stored language speaks the desktop's; a stored one wins.
        row("first start, French desktop", QByteArray(), "fr_FR", "6060|host|0|1|1|0|-");
        row("first start, Austrian desktop", QByteArray(), "de_AT", "6060|host|0|1|0|0|-");
        row("template names German", s + "Language=0", "en_US", "6060|host|0|1|0|0|-");
        row("later start without the key", s + "Port=1", "", "1|host|0|1|0|0|-");
    }
    void readSetup() {
        QFETCH(QByteArray, ini);
        QFETCH(QString, desktop);
        const QString path = file(QTest::currentDataTag());
        QVERIFY(ini.isNull() || writeBytes(path, ini));
        const int language = desktop.isEmpty() ? 0 : SetupSettings::languageForLocale(QLocale(desktop));
        const SetupSettings s = SetupSettings::read(path, u"host"_s, nullptr, nullptr, language);
        const QString place = s.window ? u"%1 %2 %3x%4"_s.arg(s.window->left())
                                             .arg(s.window->top())
                                             .arg(s.window->width())
                                             .arg(s.window->height())
                                       : u"-"_s;
        QTEST(u"%1|%2|%3|%4|%5|%6|%7"_s.arg(s.port, s.name)
                  .arg(s.device)
                  .arg(s.connect)
                  .arg(s.language)
                  .arg(s.selTab)
                  .arg(place),
              "expected");
    }

    void writeSetup_data() {
        QTest::addColumn<QByteArray>("ini"); // null: no file
        QTest::addColumn<int>("connect");
        QTest::newRow("other keys and sections kept")
            << QByteArray("; kept\r\n[settings]\r\nconnect=1\r\nOther=keep me\r\n[MORE]\r\nX=1") << 0;
        QTest::newRow("no file, greyed connect") << QByteArray() << 2;
    }
    void writeSetup() {
        QFETCH(QByteArray, ini);
        QFETCH(int, connect);
        const QString path = file(QTest::currentDataTag());
        const QString expected = path + u".expected"_s;
        QVERIFY(ini.isNull() || (writeBytes(path, ini) && writeBytes(expected, ini)));
        // Longer than the 63 characters a host name from the system has; a PC name can be any host name.
        SetupSettings s{u"5000"_s, u"messplatz-"_s + QString(72, u'x'), 1, connect, 1, 3};
        s.logFollow = connect != 0;
        s.logLatencyColumn = connect == 0;
        s.captureEnabled = true;
        s.captureFolder = u"/var/log/telvane"_s;
        s.captureFileMb = 5;
        s.captureFiles = 3;
        // One replace with the bytes of one profile write per key, so a kill during the exit leaves a whole
        // file.
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(inotify_add_watch(watch, QFile::encodeName(m_dir.path()).constData(),
                                  IN_CREATE | IN_MOVED_TO) >= 0);
        QVERIFY(s.write(path));
        char events[4096];
        const QByteArray arrived(events, std::max<qsizetype>(0, ::read(watch, events, sizeof events)));
        ::close(watch);
        QCOMPARE(arrived.count(QByteArray(QFile::encodeName(QFileInfo(path).fileName()) + '\0')), 1);
        // The keys, in the order a new file has them.
        QList<QPair<QString, QString>> keys;
        const QString texts =
            u"Port=5000 Name=%1 Device=1 Connect=%2 Language=1 SelTab=3 ReplyTimeout=0 ErrorText= "
            u"LogFollow=%3 LogLatencyColumn=%4 CaptureLog=1 CaptureFolder=/var/log/telvane "
            u"CaptureFileMB=5 CaptureFiles=3"_s;
        const int follow = connect != 0;
        for (const QString& key : texts.arg(s.name).arg(connect).arg(follow).arg(1 - follow).split(u' '))
            keys.append({key.section(u'=', 0, 0), key.section(u'=', 1)});
        for (const auto& [key, value] : keys)
            QVERIFY(WriteProfileValue(Settings::Section, key, value, expected));
        QCOMPARE(readBytes(path), readBytes(expected));
        QCOMPARE(SetupSettings::read(path, u"host"_s).keyTexts(), keys);
        // A window alone on its folder: the exit save that looks for others' changes writes the same bytes.
        const QString alone = path + u".alone"_s;
        QVERIFY(ini.isNull() || writeBytes(alone, ini));
        const WindowRead atStart(alone);
        QVERIFY(s.writeChanges(alone, atStart.settings, atStart.lines));
        QCOMPARE(readBytes(alone), readBytes(path));
    }

    void exitSaveKeepsOthersChanges_data() {
        QTest::addColumn<QString>("changes");  // window:key=value, applied in order; "hand" edits the file
        QTest::addColumn<QString>("exits");    // the windows in the order they close
        QTest::addColumn<QString>("expected"); // Port|Language|ErrorText afterwards
        QTest::addColumn<QByteArray>("port");  // in the file when the windows start
        auto row = [](const char* name, const char* changes, const char* exits, const char* expected,
                      const char* port = "6060") {
            QTest::newRow(name) << QString::fromLatin1(changes) << QString::fromLatin1(exits)
                                << QString::fromLatin1(expected) << QByteArray(port);
        };
        row("different keys, A closes first", "A:Port=7000 B:Language=1", "AB", "7000|1|");
        row("different keys, B closes first", "A:Port=7000 B:Language=1", "BA", "7000|1|");
        row("same key: the later exit wins", "A:Port=7000 B:Port=8000", "AB", "8000|0|");
        row("same key, the other order", "A:Port=7000 B:Port=8000", "BA", "7000|0|");
        row("edited by hand, another key changed", "A:Port=7000 hand:ErrorText=ERR", "A", "7000|0|ERR");
        row("edited by hand, the same key changed", "A:Port=7000 hand:Port=9", "A", "7000|0|");
        row("edited by hand, nothing changed", "hand:Port=9 hand:Language=1", "A", "9|1|");
        // A value the window normalised on reading counts as changed, unless someone else wrote it since.
        row("normalised value written", "", "A", "123456|0|", "1234567");
        row("normalised value, another's change kept", "hand:Port=5", "A", "5|0|", "1234567");
    }
    void exitSaveKeepsOthersChanges() {
        QFETCH(QString, changes);
        QFETCH(QString, exits);
        QFETCH(QByteArray, port);
        const QString ini = file(QTest::currentDataTag());
        QVERIFY(writeBytes(ini, "; kept\r\n[SETTINGS]\r\nPort=" + port +
                                    "\r\nLanguage=0\r\nErrorText=\r\n[OTHER]\r\nX=1\r\n"));
        std::map<QChar, WindowRead> read;
        std::map<QChar, SetupSettings> now;
        for (const QChar w : {u'A', u'B'}) {
            read.emplace(w, WindowRead(ini));
            now.emplace(w, read.at(w).settings);
        }
        for (const QString& step : changes.split(u' ', Qt::SkipEmptyParts)) {
            const QString key = step.section(u':', 1).section(u'=', 0, 0);
            const QString value = step.section(u'=', 1);
            if (step.startsWith(u"hand:"_s)) {
                QVERIFY(WriteProfileValue(Settings::Section, key, value, ini));
            } else {
                SetupSettings& s = now.at(step.at(0));
                if (key == u"Port"_s)
                    s.port = value;
                else
                    s.language = value.toInt();
            }
        }
        for (const QChar w : exits) {
            QString error;
            QVERIFY2(now.at(w).writeChanges(ini, read.at(w).settings, read.at(w).lines, &error),
                     qPrintable(error));
        }
        const SetupSettings after = SetupSettings::read(ini, u"host"_s);
        QTEST(u"%1|%2|%3"_s.arg(after.port).arg(after.language).arg(after.errorText), "expected");
        // The keys the file lacked are written, the port as read back (a normalised one too, which a read
        // would cut anyway); what is not ours stays.
        const QByteArray bytes = readBytes(ini);
        QVERIFY2(bytes.startsWith("; kept\r\n[SETTINGS]\r\n") && bytes.contains("SelTab=0\r\n") &&
                     bytes.contains(QByteArray("\nPort=" + after.port.toLatin1() + "\r\n")) &&
                     bytes.endsWith("[OTHER]\r\nX=1\r\n"),
                 bytes.constData());
    }

    void refusedFiles_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"folder", "pipe", "endless device", "oversized", "folder gone"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void refusedFiles() {
        QFETCH(QString, kind);
        TestFolders f;
        const QString ini = f.setupIni();
        const QByteArray start = "[SETTINGS]\r\nPort=1\r\n";
        if (kind == u"folder"_s)
            QVERIFY(QDir().mkpath(ini));
        else if (kind == u"pipe"_s)
            QVERIFY(::mkfifo(QFile::encodeName(ini).constData(), 0600) == 0);
        else if (kind == u"endless device"_s)
            QVERIFY(QFile::link(u"/dev/zero"_s, ini));
        else if (kind == u"oversized"_s)
            QVERIFY(writeBytes(ini, start) && QFile(ini).resize(ProfileFile::MaxBytes + 1)); // sparse
        else
            QVERIFY(QDir(f.settings()).removeRecursively());
        const bool gone = kind == u"folder gone"_s;
        // Read without waiting for a writer or reading an endless device: the defaults, and why.
        ProfileLines lines;
        QString refusal;
        const SetupSettings s = SetupSettings::read(ini, u"host"_s, &lines, &refusal);
        QCOMPARE(s.port, u"6060"_s);
        QCOMPARE(refusal.isEmpty(), gone);
        QVERIFY2(gone || refusal == (kind == u"oversized"_s ? filledText(TextId::FileTooLarge, {u"64"_s})
                                                            : GetText(TextId::NotARegularFile)),
                 qPrintable(refusal));
        QuickDialFileRead configRead;
        QuickDialFileState state = QuickDialFileState::Loaded;
        loadQuickDialFile(ini, &state, &configRead);
        QCOMPARE(state, gone ? QuickDialFileState::Missing : QuickDialFileState::Unreadable);
        QCOMPARE(configRead.refusal, refusal);
        // The exit save says why it failed and leaves what is there as it was.
        QString error;
        QVERIFY(!s.writeChanges(ini, s, lines, &error));
        QVERIFY2(!error.isEmpty() && error.contains(refusal), qPrintable(error));
        const QFileInfo after(ini);
        QCOMPARE(after.exists(), !gone);
        QVERIFY(gone || kind == u"oversized"_s ? !after.isDir() : !after.isFile());
        QVERIFY(kind != u"oversized"_s ||
                (after.size() == ProfileFile::MaxBytes + 1 && readBytes(ini).startsWith(start)));
    }

    void platformHelpers() {
        QVERIFY(!Platform::localHostName().isEmpty() && Platform::localHostName().size() <= 63);
        QVERIFY(writeBytes(file("x.cfg"), "x"));
        QCOMPARE(Platform::GetShortPath(QDir::current().relativeFilePath(file("x.cfg"))), file("x.cfg"));
        QCOMPARE(Platform::GetShortPath(file("none.cfg")), QString());
        QCOMPARE(Platform::GetFolderOfPath(u"/a/b\\c.cfg"_s), u"/a/b\\"_s);
        QCOMPARE(Platform::GetFolderOfPath(u"C:\\Daten\\x/y.cfg"_s), u"C:\\Daten\\x/"_s);
        QCOMPARE(Platform::GetFolderOfPath(u"c.cfg"_s), QString());
        // The log's times: UTC, from the real clock unless the session is given another.
        const QDateTime now = UtcClock::system().now();
        QVERIFY(now.timeSpec() == Qt::UTC && qAbs(now.secsTo(QDateTime::currentDateTimeUtc())) < 60);
    }
};

QTEST_GUILESS_MAIN(FilesTest)
#include "tst_files.moc"
