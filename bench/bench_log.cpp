// The message log under a flood: a million received rows through the receive path, the view shown and
// following the newest row, beside a log built on QTableWidget doing the same in the same run.
//
// usage: bench_log [rows=1000000] [arrivals per event-loop pass=100] [seconds allowed for QTableWidget=900]

#include "BenchPeer.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableView>
#include <QTableWidget>
#include <QTime>

#include <cstdio>
#include <cstdlib>
#include <malloc.h>

namespace {

// Bytes of heap in use: what the rows cost, without the noise of page-granular resident sizes.
double heapInUse() {
    return static_cast<double>(mallinfo2().uordblks);
}

// What a device answers: a few characters and a line break.
QByteArray arrival(int i) {
    return QByteArrayLiteral("SM:") + QByteArray::number(i % 10000) + QByteArrayLiteral(" OK\r\n");
}

struct Run {
    int rows = 0;
    double seconds = 0;
    double bytesPerRow = 0;
    double secondsAt = 0; // time taken to reach the other log's row count
    double rowsPerSecond() const { return seconds > 0 ? rows / seconds : 0; }
};

// The log tab of a main window that does not connect.
QList<QPair<QString, QString>> logTabShown() {
    return {{QStringLiteral("Connect"), QStringLiteral("0")},
            {QStringLiteral("SelTab"), QStringLiteral("1")}};
}

// The straightforward log: one QTableWidget row of three items per arrival, selected and scrolled to, in
// the place of lsvMsg.
Run runTableWidget(int rows, int perPass, double budgetSeconds) {
    BenchWindow bench(logTabShown());
    auto* lsvMsg = bench.window->findChild<QTableView*>(QStringLiteral("lsvMsg"));
    auto* table = new QTableWidget(0, 3, lsvMsg->parentWidget());
    table->setGeometry(lsvMsg->geometry());
    lsvMsg->hide();
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Time"), QStringLiteral("Mode"), QStringLiteral("Parameter")});
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(lsvMsg->verticalHeader()->defaultSectionSize());
    table->horizontalHeader()->setStretchLastSection(true);
    table->show();
    QApplication::processEvents();

    Run run;
    const double heapBefore = heapInUse();
    QElapsedTimer clock;
    clock.start();
    const qint64 budget = static_cast<qint64>(budgetSeconds * 1000);
    for (int i = 0; i < rows; ++i) {
        const QByteArray bytes = arrival(i);
        const int row = table->rowCount();
        table->insertRow(row);
        table->setItem(row, 0,
                       new QTableWidgetItem(QTime::currentTime().toString(QStringLiteral("hh:mm:ss:zzz"))));
        table->setItem(row, 1, new QTableWidgetItem(QStringLiteral("Get")));
        auto* text = new QTableWidgetItem(QString::fromLatin1(bytes));
        table->setItem(row, 2, text);
        table->selectRow(row);
        table->scrollToItem(text);
        if ((i + 1) % perPass == 0) {
            QApplication::processEvents();
            if (clock.elapsed() > budget) {
                run.rows = i + 1;
                break;
            }
        }
        run.rows = i + 1;
    }
    QApplication::processEvents();
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.bytesPerRow = (heapInUse() - heapBefore) / run.rows;
    if (table->currentRow() != run.rows - 1)
        std::fprintf(stderr, "QTableWidget log did not end on its newest row\n");
    return run;
}

// Ours: the arrivals go through the link's data signal into the session's receive handler and the log.
Run runMessageLog(int rows, int perPass, int markRows) {
    BenchWindow bench(logTabShown());
    TargetLink* link = bench.window->link();
    QApplication::processEvents();

    Run run;
    const double heapBefore = heapInUse();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < rows; ++i) {
        emit link->dataArrived(arrival(i));
        if ((i + 1) % perPass == 0)
            QApplication::processEvents();
        if (i + 1 == markRows)
            run.secondsAt = clock.nsecsElapsed() / 1e9;
    }
    QApplication::processEvents();
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.rows = bench.window->session()->log()->rowCount();
    run.bytesPerRow = (heapInUse() - heapBefore) / run.rows;
    if (bench.window->findChild<QTableView*>(QStringLiteral("lsvMsg"))->currentIndex().row() !=
            run.rows - 1 ||
        run.rows != rows)
        std::fprintf(stderr, "message log did not end on its newest row\n");
    return run;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int perPass = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;
    const double budget = argc > 3 ? std::atof(argv[3]) : 900.0;

    std::printf("log flood: %d received rows, %d arrivals per event-loop pass, view shown and following\n",
                rows, perPass);
    const Run widget = runTableWidget(rows, perPass, budget);
    std::printf("QTableWidget log: %d rows in %.2f s (%s): %.0f rows/s, %.0f bytes/row\n", widget.rows,
                widget.seconds, widget.rows < rows ? "stopped at the time allowed" : "all rows",
                widget.rowsPerSecond(), widget.bytesPerRow);

    const Run ours = runMessageLog(rows, perPass, widget.rows);
    std::printf("MessageLog:       %d rows in %.2f s: %.0f rows/s, %.0f bytes/row\n", ours.rows, ours.seconds,
                ours.rowsPerSecond(), ours.bytesPerRow);
    if (ours.secondsAt > 0)
        std::printf("MessageLog reached %d rows after %.2f s: %.0f rows/s over the same rows\n", widget.rows,
                    ours.secondsAt, widget.rows / ours.secondsAt);

    const double sameRowsRate = ours.secondsAt > 0 ? widget.rows / ours.secondsAt : ours.rowsPerSecond();
    std::printf("ratio, rows/s over the same rows (MessageLog / QTableWidget): %.1f\n",
                sameRowsRate / widget.rowsPerSecond());
    std::printf("ratio, memory per row (QTableWidget / MessageLog): %.1f\n",
                widget.bytesPerRow / ours.bytesPerRow);
    return 0;
}
