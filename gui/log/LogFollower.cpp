#include "gui/log/LogFollower.h"

#include "gui/log/LogView.h"

#include <QEvent>
#include <QTableView>

LogFollower::LogFollower(QTableView* view)
    : QObject(view)
    , m_view(view) {
    connect(view->model(), &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_following)
            showNewestRow();
    });
    connect(view->model(), &QAbstractItemModel::modelReset, this, [this] {
        if (m_following)
            showNewestRow();
    });
    view->installEventFilter(this);
}

void LogFollower::setFollowing(bool on) {
    if (on == m_following)
        return;
    m_following = on;
    if (on)
        showNewestRow();
    emit followingChanged(on);
}

void LogFollower::showNewestRow() {
    // Selecting makes the view work out row positions; a view out of sight catches up when it is shown.
    if (!m_view->isVisible()) {
        m_newestRowPending = true;
        return;
    }
    m_newestRowPending = false;
    selectRow(m_view->model()->rowCount() - 1);
}

void LogFollower::selectRow(int row) {
    showLogRow(m_view, row);
}

bool LogFollower::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::Show && m_newestRowPending && m_following)
        showNewestRow();
    return QObject::eventFilter(watched, event);
}
