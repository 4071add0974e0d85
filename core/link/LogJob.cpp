#include "core/link/LogJob.h"

#include <QThreadPool>

LogJob::LogJob(qint64 total, Work work, QObject* parent)
    : QObject(parent)
    , m_total(total)
    , m_work(std::move(work)) {}

LogJob::~LogJob() {
    cancel();
    if (m_ended.valid())
        m_ended.wait();
}

void LogJob::start() {
    if (m_running || m_ended.valid())
        return;
    m_running = true;
    auto ended = std::make_shared<std::promise<void>>();
    m_ended = ended->get_future();
    QThreadPool::globalInstance()->start([this, ended, control = m_control, work = std::move(m_work)] {
        const bool completed = work(*control) && !control->cancelled();
        // The job outlives this call (its destructor waits for `ended`), so it may be named here; the
        // posted call is dropped if the job is gone before it is delivered.
        QMetaObject::invokeMethod(
            this,
            [this, completed] {
                m_running = false;
                emit finished(completed);
            },
            Qt::QueuedConnection);
        ended->set_value();
    });
}

void LogJob::cancel() {
    m_control->m_cancelled.store(true, std::memory_order_relaxed);
}
