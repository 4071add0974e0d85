#include "gui/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Telvane"));
    QApplication::setOrganizationName(QStringLiteral("Veltrix"));
    // The fixed layout is measured against this style's margins; a desktop style with wider ones would clip
    // captions.
    QApplication::setStyle(QStringLiteral("Fusion"));
    MainWindow window;
    window.show();
    return QApplication::exec();
}
