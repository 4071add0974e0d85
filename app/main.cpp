#include "app/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Telvane"));
    QApplication::setOrganizationName(QStringLiteral("Veltrix"));
    MainWindow window;
    window.show();
    return QApplication::exec();
}
