// Builds the main window on a throw-away settings folder, once in German and once in English, and saves
// what it shows as PNG files: screenshot-de.png and screenshot-en.png (and one per tab with --all-tabs, the
// help window with --help-window, and Qt's own file dialog as the quick-dial tab opens it with
// --file-dialog).
// help window with --help-window, the command line with a log at work and a row's detail view with --log,
// and the window maximised with --maximized).

#include "core/files/Platform.h"
#include "core/files/Profile.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/texts/Texts.h"
#include "gui/Dialogs.h"
#include "gui/Help.h"
#include "gui/MainWindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

namespace {

bool saveShot(QWidget& window, const QString& path) {
    if (window.grab().save(path, "PNG")) {
        std::printf("%s\n", qPrintable(QDir::toNativeSeparators(path)));
        return true;
    }
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

// Cancels everything like CancellingDialogs, but really opens the open-file dialog when one is asked for, and
// saves it as a picture once its folder is listed.
class FileDialogShot : public CancellingDialogs {
public:
    static constexpr int DialogWidth = 760;
    QString path; // where the picture goes; empty: cancel at once
    bool saved = false;

    std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) override {
        if (path.isEmpty())
            return {};
        // The dialog runs its own event loop and lists the folder in the background; poll inside it.
        QTimer poll;
        poll.setInterval(50);
        int tries = 0;
        QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            const auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
            if ((!list || list->model()->rowCount(list->rootIndex()) == 0) && ++tries < 100)
                return;
            // Wide enough for the columns of the detail view; grabbed at the next tick, laid out anew.
            if (dialog->width() < DialogWidth) {
                dialog->resize(DialogWidth, dialog->height());
                if (auto* details = dialog->findChild<QTreeView*>(QStringLiteral("treeView")))
                    details->header()->resizeSections(QHeaderView::ResizeToContents);
                return;
            }
            poll.stop();
            saved = saveShot(*dialog, path);
            dialog->reject();
        });
        poll.start();
        return QtDialogs().openFile(parent, title, folder, filter);
    }
};

// The state line is written by the window's periodic tick; one tick makes it show the connection state.
void waitForStateTick(QWidget& window) {
    QEventLoop loop;
    if (auto* tick = window.findChild<QTimer*>(QStringLiteral("timTimer")))
        QObject::connect(tick, &QTimer::timeout, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    loop.exec();
}

// A short exchange with the device software: commands, replies with their latency, a multi-line reply, an
// error, and a command that could not be sent.
void fillLog(MainWindow& window) {
    MessageLog* log = window.session()->log();
    const QDateTime start(QDate(2024, 3, 31), QTime(9, 14, 2, 118), Qt::UTC);
    struct Row {
        int at;
        bool set;
        const char* bytes;
        int latency;
    };
    const Row rows[] = {{0, true, "GP 1", -1},
                        {12, false, "GP: 3\r\n", 12},
                        {1507, true, "SM 1", -1},
                        {1516, false, "SM 1: OK\r\n", 9},
                        {4210, true, "LL", -1},
                        {4238, false, "LL: 1 PLATE-A\r\n2 PLATE-B\r\n3 RING-12\r\n", 28},
                        {6022, true, "SC 2 Shift B", -1},
                        {6031, false, "SC: ERROR production mode is not running\r\n", 9},
                        {9154, true, "SM 0", -1}};
    for (const Row& row : rows)
        log->append(row.set ? MessageLog::Direction::Set : MessageLog::Direction::Get, start.addMSecs(row.at),
                    QByteArrayView(row.bytes), row.latency);
    log->markNotSent(log->size() - 1, GetText(TextId::NotSentNoConnection));
    log->flush();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Saves screenshots of the Telvane main window."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("Where the PNG files go."));
    const QCommandLineOption allTabs(QStringLiteral("all-tabs"),
                                     QStringLiteral("Also save every tab as screenshot-<lang>-tab<n>.png."));
    parser.addOption(allTabs);
    const QCommandLineOption help(QStringLiteral("help-window"),
                                  QStringLiteral("Also save the help window as help-<lang>.png."));
    parser.addOption(help);
    const QCommandLineOption fileDialog(
        QStringLiteral("file-dialog"),
        QStringLiteral("Also save the dialog of the quick-dial tab's Load as file-dialog-<lang>.png."));
    parser.addOption(fileDialog);
    const QCommandLineOption withLog(
        QStringLiteral("log"),
        QStringLiteral(
            "Also save the command line with a log at work as screenshot-<lang>-log.png and a row's "
            "detail view as logrow-<lang>.png."));
    parser.addOption(withLog);
    const QCommandLineOption maximized(
        QStringLiteral("maximized"),
        QStringLiteral("Also save the window maximised as screenshot-<lang>-max.png."));
    parser.addOption(maximized);
    parser.process(app);
    const QString folder = parser.positionalArguments().value(0, QStringLiteral("."));
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
        return 1;
    }

    FileDialogShot dialogs;
    const struct {
        const char* code;
        const char* languageIndex;
    } languages[] = {{"de", "0"}, {"en", "1"}};
    for (const auto& language : languages) {
        QTemporaryDir settings;
        if (!settings.isValid()) {
            std::fprintf(stderr, "no temporary folder\n");
            return 1;
        }
        // Fixed values, so the pictures show neither this machine's name nor a connection attempt.
        const QString ini = settings.filePath(QStringLiteral("Setup.ini"));
        const QString section = QStringLiteral("SETTINGS");
        WriteProfileValue(section, QStringLiteral("Port"), QStringLiteral("6060"), ini);
        WriteProfileValue(section, QStringLiteral("Name"), QStringLiteral("localhost"), ini);
        WriteProfileValue(section, QStringLiteral("Device"), QStringLiteral("0"), ini);
        WriteProfileValue(section, QStringLiteral("Connect"), QStringLiteral("0"), ini);
        WriteProfileValue(section, QStringLiteral("Language"), QLatin1String(language.languageIndex), ini);
        WriteProfileValue(section, QStringLiteral("SelTab"), QStringLiteral("0"), ini);

        MainWindowEnvironment environment;
        environment.settingsFolder = settings.path();
        environment.programFolder = QStringLiteral(TELVANE_TEMPLATES_DIR);
        environment.dialogs = &dialogs;
        MainWindow window(environment);
        window.show();
        waitForStateTick(window);

        const QString code = QLatin1String(language.code);
        if (!saveShot(window, QDir(folder).filePath(QStringLiteral("screenshot-%1.png").arg(code))))
            return 1;
        if (parser.isSet(allTabs)) {
            auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
            for (int tab = 0; tab < tabs->count(); ++tab) {
                tabs->setCurrentIndex(tab);
                const QString name = QStringLiteral("screenshot-%1-tab%2.png").arg(code).arg(tab);
                if (!saveShot(window, QDir(folder).filePath(name)))
                    return 1;
            }
        }
        if (parser.isSet(help)) {
            window.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(0);
            window.findChild<QPushButton*>(QStringLiteral("cmdHelp"))->click();
            HelpWindow* helpWindow = currentHelpWindow();
            QCoreApplication::processEvents();
            if (!helpWindow ||
                !saveShot(*helpWindow, QDir(folder).filePath(QStringLiteral("help-%1.png").arg(code))))
                return 1;
        }
        if (parser.isSet(fileDialog)) {
            dialogs.path = QDir(folder).filePath(QStringLiteral("file-dialog-%1.png").arg(code));
            dialogs.saved = false;
            window.findChild<QPushButton*>(QStringLiteral("cmdLoadConfig"))->click();
            dialogs.path.clear();
            if (!dialogs.saved)
                return 1;
        }
        if (parser.isSet(withLog)) {
            auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
            tabs->setCurrentIndex(1);
            fillLog(window);
            auto* view = window.findChild<QTableView*>(QStringLiteral("lsvMsg"));
            view->setCurrentIndex(view->model()->index(2, 0));
            window.findChild<QAction*>(QStringLiteral("actLatency"))->trigger();
            window.findChild<QAction*>(QStringLiteral("actFindInLog"))->trigger();
            window.findChild<QLineEdit*>(QStringLiteral("txtFind"))->setText(QStringLiteral("SM"));
            window.findChild<QLineEdit*>(QStringLiteral("txtSend"))->setText(QStringLiteral("SM 0"));
            // The find's count comes from a worker: the picture shows it counted.
            const auto* result = window.findChild<QLabel*>(QStringLiteral("labFindResult"));
            const QDeadlineTimer counted(5000);
            do
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            while (result && result->text() == GetText(TextId::FindCounting) && !counted.hasExpired());
            if (!saveShot(window, QDir(folder).filePath(QStringLiteral("screenshot-%1-log.png").arg(code))))
                return 1;
            view->setCurrentIndex(view->model()->index(5, 0));
            window.findChild<QAction*>(QStringLiteral("actShowRow"))->trigger();
            auto* detail = window.findChild<QWidget*>(QStringLiteral("frmLogRow"));
            QCoreApplication::processEvents();
            if (!detail ||
                !saveShot(*detail, QDir(folder).filePath(QStringLiteral("logrow-%1.png").arg(code))))
                return 1;
            detail->close();
        }
        if (parser.isSet(maximized)) {
            window.showMaximized();
            QCoreApplication::processEvents();
            if (!saveShot(window, QDir(folder).filePath(QStringLiteral("screenshot-%1-max.png").arg(code))))
                return 1;
            auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
            for (int tab = 0; parser.isSet(allTabs) && tab < tabs->count(); ++tab) {
                tabs->setCurrentIndex(tab);
                const QString name = QStringLiteral("screenshot-%1-max-tab%2.png").arg(code).arg(tab);
                if (!saveShot(window, QDir(folder).filePath(name)))
                    return 1;
            }
        }
        // The exit sequence writes into the temporary folder only.
        window.close();
    }
    return 0;
}
