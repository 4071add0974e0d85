#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <future>
#include <memory>

// A piece of long work over the log (export, copy, find, filter) on a pool thread, so the window never
// waits for it. The work reads a snapshot (LogRows), tells how far it got and looks at whether it is
// cancelled; its end comes back as finished() on the thread that started it. Destroying the job cancels
// it and waits for the work to notice, which it does between rows.
class LogJob : public QObject {
    Q_OBJECT

public:
    class Control {
    public:
        // Records the progress; false once the job is cancelled, so work can stop at once.
        bool proceed(qint64 done) {
            m_done.store(done, std::memory_order_relaxed);
            return !cancelled();
        }
        bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

    private:
        friend class LogJob;
        std::atomic<qint64> m_done{0};
        std::atomic<bool> m_cancelled{false};
    };
    // Returns whether it completed; the results go where the work's captures put them.
    using Work = std::function<bool(Control& control)>;

    // `total` is the amount progress counts to (rows, usually).
    LogJob(qint64 total, Work work, QObject* parent = nullptr);
    ~LogJob() override;

    void start();
    void cancel();
    bool isRunning() const { return m_running; }
    bool isCancelled() const { return m_control->cancelled(); }
    qint64 done() const { return m_control->m_done.load(std::memory_order_relaxed); }
    qint64 total() const { return m_total; }

signals:
    // completed: the work ran to its end (not cancelled, not failed).
    void finished(bool completed);

private:
    qint64 m_total;
    Work m_work;
    std::shared_ptr<Control> m_control = std::make_shared<Control>();
    std::future<void> m_ended;
    bool m_running = false;
};
