// The message log under a flood, as a device delivers it: each arrival in an event-loop pass of its own,
// through the receive path into the main window's log, with the log shown and following the newest row.
// Beside it, in the same run and the same window, a log built on QTableWidget doing the same. Then a flood of
// binary data, for what the rows cost in memory. Then the long work on a log of 1M and 10M rows (save as CSV
// and JSON Lines, copy all rows, find a text that is not there, build a filter) while a device goes on
// sending, an arrival a millisecond: the time each takes and the longest the window's thread was kept from
// its event loop meanwhile; and the log's memory per row beyond the text.
//
// usage: bench_log [rows=1000000] [arrivals per pass=1] [seconds allowed for QTableWidget=120] [flood MB=200]
//                  [long-work sizes=1000000,10000000]

#include "core/link/LogExport.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/texts/Texts.h"
#include "gui/Dialogs.h"
#include "gui/MainWindow.h"
#include "gui/log/LogFilterModel.h"
#include "gui/log/LogTools.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTime>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <malloc.h>
#include <memory>

namespace {

constexpr int Window = 100000; // rows per measured stretch

// Bytes of heap in use, mmapped blocks included: what the rows cost, without page-granular noise.
double heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

// What a device answers: a few characters and a line break.
QByteArray arrival(int i) {
    return QByteArrayLiteral("SM:") + QByteArray::number(i % 10000) + QByteArrayLiteral(" OK\r\n");
}

// The main window on a throw-away settings folder, not connecting, the command-line tab shown.
struct Program {
    QTemporaryDir folder;
    CancellingDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    Program() {
        const QString ini = folder.filePath(QStringLiteral("Setup.ini"));
        QFile file(ini);
        if (file.open(QIODevice::WriteOnly))
            file.write("[SETTINGS]\r\nConnect=0\r\nSelTab=1\r\nLanguage=1\r\n");
        file.close();
        window = std::make_unique<MainWindow>(MainWindowEnvironment{folder.path(), folder.path(), &dialogs});
        window->show();
        QApplication::processEvents();
    }
    QTableView* logView() const { return window->findChild<QTableView*>(QStringLiteral("lsvMsg")); }
};

struct Run {
    int rows = 0;
    double seconds = 0;
    double bytesPerRow = 0;
    double secondsAt = 0;   // time taken to reach the other log's row count
    double firstWindow = 0; // seconds for the first Window rows
    double lastWindow = 0;  // seconds for the last Window rows
    double rowsPerSecond() const { return seconds > 0 ? rows / seconds : 0; }
};

// Feeds arrivals from a zero timer, so each batch of perPass arrivals is one pass of the real event loop,
// until all are in or the time allowed is over. step(i) delivers arrival i.
Run drive(int rows, int perPass, double budgetSeconds, int markRows, const std::function<void(int)>& step,
          const std::function<bool()>& drained) {
    Run run;
    const double heapBefore = heapInUse();
    QElapsedTimer clock;
    QList<qint64> marks; // ns at every Window rows
    // A loop of its own: quitting the application's would close the window.
    QEventLoop loop;
    QTimer feeder;
    feeder.setInterval(0);
    int next = 0;
    QObject::connect(&feeder, &QTimer::timeout, &feeder, [&] {
        for (int k = 0; k < perPass && next < rows; ++k) {
            step(next++);
            if (next % Window == 0)
                marks.append(clock.nsecsElapsed());
            if (next == markRows)
                run.secondsAt = clock.nsecsElapsed() / 1e9;
        }
        if (next >= rows || clock.elapsed() > budgetSeconds * 1000) {
            feeder.stop();
            loop.quit();
        }
    });
    clock.start();
    feeder.start();
    loop.exec();
    while (!drained())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.rows = next;
    run.bytesPerRow = (heapInUse() - heapBefore) / run.rows;
    if (!marks.isEmpty()) {
        run.firstWindow = marks.first() / 1e9;
        run.lastWindow =
            marks.size() > 1 ? (marks.last() - marks.at(marks.size() - 2)) / 1e9 : run.firstWindow;
    }
    return run;
}

// The straightforward log: one QTableWidget row of three items per arrival, selected and scrolled to.
Run runTableWidget(int rows, int perPass, double budgetSeconds) {
    Program program;
    QTableView* lsvMsg = program.logView();
    auto* table = new QTableWidget(0, 3, lsvMsg->parentWidget());
    table->setGeometry(lsvMsg->geometry());
    lsvMsg->hide();
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Time"), QStringLiteral("Mode"), QStringLiteral("Parameter")});
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(lsvMsg->verticalHeader()->defaultSectionSize());
    table->horizontalHeader()->setStretchLastSection(true);
    table->show();
    QApplication::processEvents();

    const Run run = drive(
        rows, perPass, budgetSeconds, -1,
        [table](int i) {
            const QByteArray bytes = arrival(i);
            const int row = table->rowCount();
            table->insertRow(row);
            table->setItem(
                row, 0, new QTableWidgetItem(QTime::currentTime().toString(QStringLiteral("hh:mm:ss:zzz"))));
            table->setItem(row, 1, new QTableWidgetItem(QStringLiteral("Get")));
            auto* text = new QTableWidgetItem(QString::fromLatin1(bytes));
            table->setItem(row, 2, text);
            table->selectRow(row);
            table->scrollToItem(text);
        },
        [] { return true; });
    if (table->currentRow() != run.rows - 1)
        std::fprintf(stderr, "QTableWidget log did not end on its newest row\n");
    return run;
}

// Ours: the arrivals go through the link's data signal into the session's receive handler.
Run runMessageLog(int rows, int perPass, int markRows) {
    Program program;
    TargetLink* link = program.window->link();
    MessageLog* log = program.window->session()->log();
    const Run run = drive(
        rows, perPass, 1e9, markRows, [link](int i) { emit link->dataArrived(arrival(i)); },
        [log, rows] { return log->rowCount() == rows; });
    // What saving the whole log costs, the window waiting meanwhile.
    for (const auto format : {LogExport::Format::Csv, LogExport::Format::JsonLines}) {
        QElapsedTimer saving;
        saving.start();
        const QString path = program.folder.filePath(QStringLiteral("log"));
        const bool saved = LogExport::save(*log, path, format);
        std::printf("saving %d rows as %s: %.2f s, %.0f MB%s\n", log->size(),
                    format == LogExport::Format::Csv ? "CSV" : "JSON Lines", saving.nsecsElapsed() / 1e9,
                    QFileInfo(path).size() / 1048576.0, saved ? "" : " (failed)");
    }
    if (program.logView()->currentIndex().row() != run.rows - 1 || run.rows != rows)
        std::fprintf(stderr, "message log did not end on its newest row (%d of %d, %d shown)\n",
                     program.logView()->currentIndex().row(), run.rows, log->rowCount());
    return run;
}

// A binary flood of the given size in arrivals of 1 to 64 KiB, one per pass: what it costs on the heap.
void runFlood(qint64 megabytes) {
    Program program;
    TargetLink* link = program.window->link();
    MessageLog* log = program.window->session()->log();
    QByteArray pool(64 * 1024, Qt::Uninitialized);
    QRandomGenerator random(42);
    random.fillRange(reinterpret_cast<quint32*>(pool.data()), pool.size() / 4);
    const qint64 total = megabytes * 1024 * 1024;
    qint64 sent = 0;
    int arrivals = 0;
    const double heapBefore = heapInUse();
    QElapsedTimer clock;
    clock.start();
    while (sent < total) {
        const qsizetype size = std::min<qint64>(1024 + random.bounded(63 * 1024), total - sent);
        emit link->dataArrived(QByteArray(pool.constData(), size));
        sent += size;
        ++arrivals;
        QApplication::processEvents();
    }
    while (log->rowCount() != arrivals)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double cost = heapInUse() - heapBefore;
    std::printf("binary flood: %.0f MB in %d arrivals of 1-64 KiB, one per pass, in %.2f s: heap +%.0f MB, "
                "%.3fx its bytes\n",
                sent / 1048576.0, arrivals, clock.nsecsElapsed() / 1e9, cost / 1048576.0, cost / sent);
}

// Answers the save dialog with a file and a type, as a person choosing them would.
class SavingDialogs : public CancellingDialogs {
public:
    QString path;
    int type = 0;
    std::optional<SavedFile> saveFileOfType(QWidget*, const QString&, const QString&, const QString&,
                                            const QString&) override {
        return SavedFile{path, type};
    }
};

// CPU time of the calling thread, in ms: a pass's own work, without the time a loaded machine gives others.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct Stall {
    double seconds = 0;
    double wallMs = 0; // the longest pass of the loop, as a zero timer sees it
    double cpuMs = 0;  // the most CPU time the window's thread spent in one pass
};

// Runs `start` and then the event loop until `done`, with a busy device sending an arrival every
// millisecond meanwhile; the start counts as part of the first pass.
Stall whileReceiving(TargetLink* link, const std::function<void()>& start,
                     const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer feeder;
    feeder.setInterval(1);
    feeder.setTimerType(Qt::PreciseTimer);
    QTimer probe;
    probe.setInterval(0);
    QElapsedTimer clock;
    QElapsedTimer pass;
    Stall stall;
    double cpuAt = threadCpuMs();
    int next = 0;
    QObject::connect(&feeder, &QTimer::timeout, &feeder, [&] { emit link->dataArrived(arrival(next++)); });
    QObject::connect(&probe, &QTimer::timeout, &probe, [&] {
        stall.wallMs = std::max(stall.wallMs, pass.nsecsElapsed() / 1e6);
        const double cpu = threadCpuMs();
        stall.cpuMs = std::max(stall.cpuMs, cpu - cpuAt);
        cpuAt = cpu;
        pass.start();
        if (done())
            loop.quit();
    });
    clock.start();
    pass.start();
    start();
    feeder.start();
    probe.start();
    loop.exec();
    stall.seconds = clock.nsecsElapsed() / 1e9;
    return stall;
}

void runLongWork(int rows) {
    SavingDialogs dialogs;
    QTemporaryDir folder;
    {
        QFile file(folder.filePath(QStringLiteral("Setup.ini")));
        if (file.open(QIODevice::WriteOnly))
            file.write("[SETTINGS]\r\nConnect=0\r\nSelTab=1\r\nLanguage=1\r\n");
    }
    MainWindow window(MainWindowEnvironment{folder.path(), folder.path(), &dialogs});
    window.show();
    QApplication::processEvents();
    MessageLog* log = window.session()->log();
    TargetLink* link = window.link();
    auto* tools = window.findChild<LogTools*>();
    const double heapBefore = heapInUse();
    double textBytes = 0;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < rows; ++i) {
        const QByteArray bytes = arrival(i);
        textBytes += bytes.size();
        log->append(MessageLog::Direction::Get, now, bytes, i % 1000);
    }
    const double perRow = (heapInUse() - heapBefore - textBytes) / rows;
    log->flush();
    QApplication::processEvents();
    std::printf("long work on %d rows (the log's memory per row beyond the text: %.1f bytes):\n", rows,
                perRow);
    auto report = [](const char* what, const Stall& stall) {
        std::printf("  %-28s %6.2f s; longest pass of the window's loop %5.1f ms, its own CPU time in one "
                    "pass at most %5.1f ms\n",
                    what, stall.seconds, stall.wallMs, stall.cpuMs);
    };
    // The reference: the same arrivals with no work going on, for two seconds.
    QElapsedTimer idle;
    idle.start();
    report("receiving only (reference)", whileReceiving(
                                             link, [] {}, [&idle] { return idle.elapsed() > 2000; }));
    for (const auto& [type, name] : {std::pair{0, "save as CSV"}, {1, "save as JSON Lines"}}) {
        dialogs.path = folder.filePath(QStringLiteral("log"));
        dialogs.type = type;
        report(name, whileReceiving(
                         link, [tools] { tools->saveLog(); }, [tools] { return !tools->taskRunning(); }));
    }
    report("copy all rows",
           whileReceiving(
               link, [tools] { tools->copyAll(false); }, [tools] { return !tools->taskRunning(); }));
    auto* find = window.findChild<QLineEdit*>(QStringLiteral("txtFind"));
    auto* result = window.findChild<QLabel*>(QStringLiteral("labFindResult"));
    window.findChild<QAction*>(QStringLiteral("actFindInLog"))->trigger();
    report("find (not there), count",
           whileReceiving(
               link, [find] { find->setText(QStringLiteral("no such reply")); },
               [result] { return result->text() != GetText(TextId::FindCounting); }));
    LogFilterCriteria criteria;
    criteria.text = QStringLiteral("SM:42 ");
    report("filter (1 row in 10,000)", whileReceiving(
                                           link, [tools, criteria] { tools->model()->setCriteria(criteria); },
                                           [tools] { return !tools->model()->isBusy(); }));
    std::printf("  filter shows %d of %d rows\n", tools->model()->rowCount(), log->rowCount());
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
    const int perPass = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    const double budget = argc > 3 ? std::atof(argv[3]) : 120.0;
    const qint64 floodMb = argc > 4 ? std::atoll(argv[4]) : 200;
    const QStringList longWork =
        QString::fromLocal8Bit(argc > 5 ? argv[5] : "1000000,10000000").split(QLatin1Char(','));

    std::printf("log flood: %d received rows, %d arrival(s) per event-loop pass, view shown and following\n",
                rows, perPass);
    const Run widget = runTableWidget(rows, perPass, budget);
    std::printf("QTableWidget log: %d rows in %.2f s (%s): %.0f rows/s, %.0f bytes/row\n", widget.rows,
                widget.seconds, widget.rows < rows ? "stopped at the time allowed" : "all rows",
                widget.rowsPerSecond(), widget.bytesPerRow);

    const Run ours = runMessageLog(rows, perPass, widget.rows);
    const double textBytes = static_cast<double>(arrival(0).size());
    std::printf(
        "MessageLog:       %d rows in %.2f s: %.0f rows/s, %.0f bytes/row (%.0f beyond its ~%.0f bytes "
        "of text)\n",
        ours.rows, ours.seconds, ours.rowsPerSecond(), ours.bytesPerRow, ours.bytesPerRow - textBytes,
        textBytes);
    if (ours.firstWindow > 0)
        std::printf("MessageLog: first %d rows at %.0f rows/s, last %d rows at %.0f rows/s (last/first time "
                    "%.2fx)\n",
                    Window, Window / ours.firstWindow, Window, Window / ours.lastWindow,
                    ours.lastWindow / ours.firstWindow);
    if (ours.secondsAt > 0)
        std::printf("MessageLog reached %d rows after %.2f s: %.0f rows/s over the same rows\n", widget.rows,
                    ours.secondsAt, widget.rows / ours.secondsAt);

    const double sameRowsRate = ours.secondsAt > 0 ? widget.rows / ours.secondsAt : ours.rowsPerSecond();
    std::printf("ratio, rows/s over the same rows (MessageLog / QTableWidget): %.1f\n",
                sameRowsRate / widget.rowsPerSecond());
    std::printf("ratio, memory per row (QTableWidget / MessageLog): %.1f\n",
                widget.bytesPerRow / ours.bytesPerRow);
    if (floodMb > 0)
        runFlood(floodMb);
    for (const QString& size : longWork) {
        if (size.toInt() > 0)
            runLongWork(size.toInt());
    }
    return 0;
}
