#pragma once

#include <QObject>

class QTableView;

// The rule for new rows: while following (the default), each frame of new rows selects the newest and
// scrolls it into view, whichever row the user clicked or wherever the view was scrolled to; only turning
// following off stops it. A view out of sight (a run going on from another tab) catches up when shown.
class LogFollower : public QObject {
    Q_OBJECT

public:
    explicit LogFollower(QTableView* view);

    bool following() const { return m_following; }
    void setFollowing(bool on);
    // Moves the selection without it counting as the user's move.
    void selectRow(int row);

signals:
    void followingChanged(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showNewestRow();

    QTableView* m_view;
    bool m_following = true;
    bool m_newestRowPending = false; // rows came while the view was out of sight
};
