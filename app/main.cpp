#include "common/ProgramOptions.h"
#include "core/files/TerminationSignals.h"
#include "gui/MainWindow.h"

#include <QApplication>

namespace {

const char* const HelpEpilogue = R"(Qt options:
  Qt's own -style NAME, -stylesheet FILE, -platform NAME, -platformtheme NAME,
  -platformpluginpath PATH, -plugin NAME, -display NAME, -geometry GEOMETRY,
  -qwindowgeometry GEOMETRY, -qwindowicon FILE, -qwindowtitle TITLE,
  -session ID, -widgetcount and -reverse are passed on to Qt (also as
  -style=NAME). Without -style or QT_STYLE_OVERRIDE the program uses Qt's
  Fusion style, which its fixed layout is measured for.

Exit status:
  0 after a normal end, 1 on wrong options.

Files:
  $XDG_DATA_HOME/Veltrix/Telvane/ (default ~/.local/share/Veltrix/Telvane/)
      The settings folder: Setup.ini (connection, device type, language,
      last tab) and the quick-dial memory DefaultCommandSet.cfg, both
      Windows-1252 INI files. Created on the first start from the templates.
  /usr/share/telvane/
      The templates setup.ini and DefaultCommandSet.cfg, and the help pages
      (the program shows its own compiled-in copy with its help button).
)";

} // namespace

int main(int argc, char** argv) {
    // Answered before the GUI application exists, which would need a display.
    ProgramOptions options(
        QStringLiteral("telvane"), QStringLiteral("[options]"),
        QStringLiteral("Drives the TCP control port of a measuring instrument's PC software: a command\n"
                       "line with a time-stamped message log, a command assistant, a script editor,\n"
                       "eight quick-dial scripts on F1..F8 and configuration files. German and English\n"
                       "user interface, switchable at run time."));
    QCommandLineParser& parser = options.parser();
    // Qt's options are single-dash words, read again by QApplication from the same command line.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QStringList flags{QStringLiteral("reverse"), QStringLiteral("widgetcount")};
    for (const char* name : {"style", "stylesheet", "platform", "platformtheme", "platformpluginpath",
                             "plugin", "display", "geometry", "qwindowgeometry", "qwindowicon",
                             "qwindowtitle", "session", "reverse", "widgetcount"}) {
        const bool flag = flags.contains(QLatin1String(name));
        QCommandLineOption qtOption(QLatin1String(name), QString(),
                                    flag ? QString() : QStringLiteral("value"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    options.setEpilogue(QLatin1String(HelpEpilogue));
    if (const std::optional<int> status = options.parse(argc, argv))
        return *status;
    // A style the user or the desktop picked (a high-contrast one, say) is theirs to have.
    const bool styleChosen =
        parser.isSet(QStringLiteral("style")) || !qEnvironmentVariableIsEmpty("QT_STYLE_OVERRIDE");

    // A save beyond a file-size limit then fails with its message instead of ending the program unsaved.
    TerminationSignals::ignoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Telvane"));
    QApplication::setOrganizationName(QStringLiteral("Veltrix"));
    QApplication::setApplicationVersion(telvaneVersion());
    // The fixed layout is measured against this style's margins; a desktop style with wider ones may clip
    // captions, so it is the default, not a rule.
    if (!styleChosen)
        QApplication::setStyle(QStringLiteral("Fusion"));
    // Taken before the window starts up, so a signal that comes meanwhile waits for the event loop.
    TerminationSignals termination;
    MainWindow window;
    // Logout, shutdown, Ctrl+C and kill close the window as Quit does, which saves the settings and the
    // quick-dial memory without waiting for anyone to read a failure; leaving every event loop also ends a
    // modal dialog that is open (a failure message of a Quit's exit included).
    QObject::connect(&termination, &TerminationSignals::received, &window, [&window] {
        window.closeUnattended();
        QApplication::exit(0);
    });
    window.show();
    return QApplication::exec();
}
