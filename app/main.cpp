#include "core/files/TerminationSignals.h"
#include "gui/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Telvane"));
    QApplication::setOrganizationName(QStringLiteral("Veltrix"));
    // The fixed layout is measured against this style's margins; a desktop style with wider ones would clip
    // captions.
    QApplication::setStyle(QStringLiteral("Fusion"));
    // Taken before the window starts up, so a signal that comes meanwhile waits for the event loop.
    TerminationSignals termination;
    MainWindow window;
    // Logout, shutdown, Ctrl+C and kill close the window as Quit does, which saves the settings and the
    // quick-dial memory; leaving every event loop also ends a modal dialog that is open.
    QObject::connect(&termination, &TerminationSignals::received, &window, [&window] {
        window.close();
        QApplication::exit(0);
    });
    window.show();
    return QApplication::exec();
}
