#include "gui/log/LogFileWindow.h"

#include "core/link/MessageLog.h"
#include "core/texts/Texts.h"
#include "gui/Dialogs.h"
#include "gui/log/LogTools.h"
#include "gui/log/LogView.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QTableView>
#include <QVBoxLayout>

LogFileWindow::LogFileWindow(const QString& path, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_path(path)
    , m_dialogs(dialogs)
    , m_log(new MessageLog(this))
    , m_loader(new LogFileLoader(m_log, this)) {
    setObjectName(QStringLiteral("frmLogFile"));
    setAttribute(Qt::WA_DeleteOnClose);
    lsvLogFile = new QTableView(this);
    lsvLogFile->setObjectName(QStringLiteral("lsvLogFile"));
    configureLogView(lsvLogFile, m_log);
    m_findBar = new LogFindBar(this);
    m_tools = new LogTools(lsvLogFile, m_log, m_findBar, dialogs, this);
    // A file's rows are as they were: nothing comes in to follow, nothing is cleared.
    m_tools->setReadOnly(true);
    prgLogFile = new QProgressBar(this);
    prgLogFile->setObjectName(QStringLiteral("prgLogFile"));
    prgLogFile->setRange(0, 1000);
    labLogFile = new QLabel(this);
    labLogFile->setObjectName(QStringLiteral("labLogFile"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(labLogFile);
    bottom->addWidget(prgLogFile, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lsvLogFile, 1);
    layout->addWidget(m_findBar);
    layout->addLayout(bottom);
    resize(760, 480);

    connect(m_loader, &LogFileLoader::progressed, this, [this](qint64 done, qint64 total) {
        prgLogFile->setValue(total > 0 ? int(done * 1000 / total) : 0);
        labLogFile->setText(filledText(TextId::LogFileLoading, {QLocale().toString(m_log->size())}));
    });
    connect(m_loader, &LogFileLoader::finished, this, &LogFileWindow::onFinished);
    retranslate();
    m_loader->load(path);
}

LogFileWindow::~LogFileWindow() = default;

LogFileWindow* LogFileWindow::ask(QWidget* parent, Dialogs& dialogs, QString* folder) {
    const QString filter = GetText(TextId::LogFileFilter) +
                           QStringLiteral(" (*.jsonl *.json *.csv)|*.jsonl;*.json;*.csv|") +
                           GetText(TextId::JsonLinesFileFilter) + QStringLiteral(" (*.jsonl)|*.jsonl|") +
                           GetText(TextId::CsvFileFilter) + QStringLiteral(" (*.csv)|*.csv");
    const std::optional<QString> path = dialogs.openFile(parent ? parent->window() : nullptr,
                                                         GetText(TextId::OpenLogFileTitle), *folder, filter);
    if (!path || path->isEmpty())
        return nullptr;
    *folder = QFileInfo(*path).absolutePath();
    auto* window = new LogFileWindow(*path, dialogs, parent ? parent->window() : nullptr);
    window->show();
    return window;
}

bool LogFileWindow::loading() const {
    return m_loader->loading();
}

void LogFileWindow::onFinished(const LogReader::Result& result) {
    m_result = result;
    m_done = true;
    prgLogFile->hide();
    m_log->flush();
    emit loaded(result);
    if (!result.ok() && !result.cancelled) {
        // The message goes to the window the file was asked from; this one goes, and nothing else changes.
        QWidget* owner = parentWidget() ? parentWidget() : this;
        hide();
        m_dialogs.warning(owner, GetText(TextId::LogFileFailedTitle), faultText(result));
        close();
        return;
    }
    retranslate();
}

QString LogFileWindow::faultText(const LogReader::Result& result) const {
    const QString shown = QDir::toNativeSeparators(m_path);
    using F = LogReader::Fault;
    TextId reason = TextId::LogFileNotALog;
    switch (result.fault) {
    case F::None:
        return {};
    case F::Unreadable:
        return filledText(TextId::LogFileUnreadable, {shown, result.detail});
    case F::NotALog:
        reason = TextId::LogFileNotALog;
        break;
    case F::NotJson:
        reason = TextId::LogFileNotJson;
        break;
    case F::NotARow:
        reason = TextId::LogFileNotARow;
        break;
    case F::UnknownVersion:
        return filledText(TextId::LogFileNotOurs,
                          {shown, QString::number(result.line),
                           filledText(TextId::LogFileUnknownVersion, {result.detail})});
    case F::BadCsv:
        reason = TextId::LogFileBadCsv;
        break;
    }
    return filledText(TextId::LogFileNotOurs, {shown, QString::number(result.line), GetText(reason)});
}

void LogFileWindow::retranslate() {
    setWindowTitle(filledText(TextId::LogFileCaption, {QFileInfo(m_path).fileName()}));
    lsvLogFile->setAccessibleName(windowTitle());
    prgLogFile->setAccessibleName(GetText(TextId::LogFileProgressName));
    const TextId headers[] = {TextId::TimeColumn, TextId::ModeColumn, TextId::ParameterColumn,
                              TextId::LatencyColumn};
    for (int column = 0; column < MessageLog::ColumnCount; ++column)
        m_log->setHeaderData(column, Qt::Horizontal, GetText(headers[column]));
    m_tools->retranslate();
    if (m_done)
        labLogFile->setText(filledText(m_result.cutLastLine ? TextId::LogFileCutLine : TextId::LogFileLoaded,
                                       {QLocale().toString(m_result.rows)}));
}

void LogFileWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}
