// telvane-devsim: plays the device software's control port, for trying Telvane and training without a plant,
// and as the peer of the end-to-end tests.

#include "DeviceServer.h"

#include "common/ProgramOptions.h"

#include <QCoreApplication>

#include <cstdio>
#include <optional>

namespace {

const char* const HelpEpilogue = R"(
Device types:
  0  Varnel 60 (MERAVIN 60, TOLVERIN 40): SM 0|1|2, SP, CA, CB, UF, UN, XC, RM; query GM
  1  Varnel 70 (MERAVIN 70): SM -1|1|2, SP, SC, SN, SP1, SP2, SB, SR, UF, LD, SO, SU,
     SCA, SNA, SP1A, SP2A, SBA, SRA; queries GM, GP, GC, GN, GP1, GP2, GB, GR,
     GCA, GBA, GNA, GP1A, GP2A, GRA

Commands:
  Text is 8 bit, Windows-1252. Each TCP read is one command, without terminator
  (the way Telvane sends). A read that holds CR or LF is split into lines and
  each non-blank line is one command (for nc or telnet). A command is its word
  (case matters) and its parameters separated by blanks; a text parameter
  (free text, restricted text or a path) is the last one and takes the rest of
  the line, blanks included. A path may be put in double quotes; the file is
  not read. Device addresses are 0..99 on type 0 and 0..255 on type 1.
  One read takes in at most 65536 bytes; a command longer than 32768
  characters is refused.

Replies:
  Every command gets exactly one reply of the form "<word>: <result>" followed
  by CR LF, where <result> is
    OK                 the command was carried out
    <value>            the answer to a query (may be empty)
    ERROR <reason>     the command was refused; nothing changed
  Examples:
    SM 1           ->  SM 1: OK
    GM             ->  GM: 1                   (type 0: 0 off, 1 running, 2 paused;
                                                type 1: -1 off, 1 running, 2 paused)
    SP 3 5         ->  SP: OK
    GP 3           ->  GP: 5
    SP 3           ->  SP: ERROR wrong parameter count
    SP 300 5       ->  SP: ERROR device address out of range 0..255
    SP 3 5         ->  SP: ERROR production mode is not running   (type 0, mode off)
    FOO            ->  FOO: ERROR unknown command
  Production mode: on type 0, SP, CA, CB, UN, XC and RM need it running; on both
  types UF (and LD) need it off, and SM 2 and quitting need it on.
  The state (production mode, and per address the program, captions, serial
  and part numbers, additional parameters, remark) is shared by all clients.
  A group setting (SCA, SNA, ...) sets the value of every address; a later
  setting of one address overrides it for that address. Before anything is
  set, numbers read 0 and texts are empty.

Trace:
  Standard output gets "listening on <address>:<port>" per address at start
  (IPv6 addresses in brackets) and a "ready: ..." line naming the device type
  and the fault modes; then one line per event with a UTC time stamp HH:MM:SS.mmm and the client's
  number: "#1 <- <command>", "#1 -> <reply>", connects and disconnects.
  Control characters are shown as \xNN. Set QT_LOGGING_RULES="telvane.devsim=true"
  for internal detail on standard error.

Exit status:
  0 after a normal end, 1 on wrong options, 2 when it cannot listen.
)";

std::optional<int> intValue(const QString& text, int min, int max) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

} // namespace

int main(int argc, char** argv) {
    ProgramOptions programOptions(
        QStringLiteral("telvane-devsim"), QStringLiteral("[options]"),
        QStringLiteral("Plays the device software's TCP control port, so that Telvane can be tried and "
                       "trained\nwithout a plant, and tested against a real peer."));
    QCommandLineParser& parser = programOptions.parser();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("TCP port to listen on (default 6060; 0 picks a free one, "
                       "shown in the \"listening on\" lines)."),
        QStringLiteral("N"), QStringLiteral("6060"));
    const QCommandLineOption bindOption(
        QStringLiteral("bind"),
        QStringLiteral("Address to listen on; repeat for several. Default: 127.0.0.1, ::1 and the loopback "
                       "addresses of the local host name (127.0.1.1 on Debian)."),
        QStringLiteral("ADDR"));
    const QCommandLineOption deviceOption(QStringLiteral("device"),
                                          QStringLiteral("Device type: 0 Varnel 60 (default), 1 Varnel 70."),
                                          QStringLiteral("0|1"), QStringLiteral("0"));
    const QCommandLineOption delayOption(QStringLiteral("reply-delay"),
                                         QStringLiteral("Fault mode: send each reply MS milliseconds late."),
                                         QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption noColonOption(QStringLiteral("no-colon"),
                                           QStringLiteral("Fault mode: replies without any \":\"."));
    const QCommandLineOption splitOption(
        QStringLiteral("split"), QStringLiteral("Fault mode: send each reply in two writes, cut before its "
                                                "\":\", the second after the split pause."));
    const QCommandLineOption cutAfterOption(
        QStringLiteral("cut-after"),
        QStringLiteral("Fault mode: send each reply in two writes, the first of its first N bytes, the rest "
                       "after the split pause."),
        QStringLiteral("N"));
    const QCommandLineOption cutAfterColonOption(
        QStringLiteral("cut-after-colon"),
        QStringLiteral("Fault mode: send each reply in two writes, cut right after its \":\", the rest after "
                       "the split pause."));
    const QCommandLineOption splitPauseOption(
        QStringLiteral("split-pause"),
        QStringLiteral("Pause between the two parts of a split or cut reply (default 200)."),
        QStringLiteral("MS"), QStringLiteral("200"));
    const QCommandLineOption closeAfterOption(
        QStringLiteral("close-after"),
        QStringLiteral("Fault mode: close a client's connection after its N-th command (once replied)."),
        QStringLiteral("N"));
    const QCommandLineOption silentOption(
        QStringLiteral("silent"), QStringLiteral("Fault mode: never reply (commands are still carried "
                                                 "out and traced)."));
    parser.addOptions({portOption, bindOption, deviceOption, delayOption, noColonOption, splitOption,
                       cutAfterOption, cutAfterColonOption, splitPauseOption, closeAfterOption,
                       silentOption});
    programOptions.setEpilogue(QLatin1String(HelpEpilogue).mid(1));
    if (const std::optional<int> status = programOptions.parse(argc, argv))
        return *status;
    auto usageError = [&](const QString& message) { return programOptions.usageError(message); };

    ServerOptions options;
    const std::optional<int> port = intValue(parser.value(portOption), 0, 65535);
    if (!port)
        return usageError(QStringLiteral("--port needs a number from 0 to 65535"));
    options.port = static_cast<quint16>(*port);
    for (const QString& text : parser.values(bindOption)) {
        const QHostAddress address(text);
        if (address.isNull())
            return usageError(QLatin1String("--bind needs an IP address, not ") + text);
        if (!options.bindAddresses.contains(address))
            options.bindAddresses.append(address);
    }
    const std::optional<int> device = intValue(parser.value(deviceOption), 0, 1);
    if (!device)
        return usageError(QStringLiteral("--device needs 0 or 1"));
    options.deviceType = *device;
    const std::optional<int> delay = intValue(parser.value(delayOption), 0, 3600000);
    if (!delay)
        return usageError(QStringLiteral("--reply-delay needs milliseconds from 0 to 3600000"));
    options.replyDelayMs = *delay;
    const std::optional<int> pause = intValue(parser.value(splitPauseOption), 1, 60000);
    if (!pause)
        return usageError(QStringLiteral("--split-pause needs milliseconds from 1 to 60000"));
    options.splitPauseMs = *pause;
    if (parser.isSet(closeAfterOption)) {
        const std::optional<int> count = intValue(parser.value(closeAfterOption), 1, 1000000000);
        if (!count)
            return usageError(QStringLiteral("--close-after needs a number of at least 1"));
        options.closeAfter = *count;
    }
    if (parser.isSet(cutAfterOption)) {
        const std::optional<int> count = intValue(parser.value(cutAfterOption), 1, 1000000000);
        if (!count)
            return usageError(QStringLiteral("--cut-after needs a number of bytes of at least 1"));
        options.cutAfter = *count;
    }
    options.cutAfterColon = parser.isSet(cutAfterColonOption);
    if (int(parser.isSet(splitOption)) + int(parser.isSet(cutAfterOption)) + int(options.cutAfterColon) > 1)
        return usageError(QStringLiteral("--split, --cut-after and --cut-after-colon exclude each other"));
    options.noColon = parser.isSet(noColonOption);
    options.split = parser.isSet(splitOption);
    options.silent = parser.isSet(silentOption);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("telvane-devsim"));
    QCoreApplication::setApplicationVersion(telvaneVersion());
    DeviceServer server(options);
    QString error;
    if (!server.start(&error)) {
        const QByteArray bytes = (QStringLiteral("telvane-devsim: ") + error + u'\n').toLocal8Bit();
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
        return 2;
    }
    return QCoreApplication::exec();
}
