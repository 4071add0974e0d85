#include "gui/StatusStrip.h"

#include "core/link/TargetLink.h"
#include "core/texts/Texts.h"
#include "gui/Layout.h"
#include "gui/Palette.h"

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <array>

using namespace Layout;

namespace {

// The strip starts where the tab control ends; its widgets are placed relative to the window.
constexpr int StripTop = 6195;
// The notice's place, and how far right it may reach once the run's bar and cancel button are gone.
constexpr int NoticeLeft = 3180;
constexpr int NoticeWidth = 3315;
constexpr int NoticeWidestRight = 7860;
// Each repaint of the bar costs more than a command's round trip to a fast device; a person reads it no
// faster than this.
constexpr int ProgressIntervalMs = 40;

QRect inStrip(int left, int top, int width, int height) {
    return twipsRect(left, top, width, height).translated(0, -twipsToPixels(StripTop));
}

// A help icon drawn here: a question mark in a blue disc, crisp at any size.
QIcon helpIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x1f, 0x5f, 0xbf));
        painter.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(size * 3 / 4);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("?"));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

StatusStrip::StatusStrip(QWidget* window)
    : QWidget(window) {
    setObjectName(QStringLiteral("statusStrip"));
    setGeometry(0, twipsToPixels(StripTop), twipsToPixels(WindowWidthTwips),
                twipsToPixels(WindowHeightTwips - StripTop));
    m_growth.add(this, GrowthShare{0, 1, 1, 0});

    labState = makeLabel(this, "labState", inStrip(120, 6240, 2955, 495));
    labState->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    labState->setWordWrap(true);
    labState->setText(QStringLiteral("..."));
    prgProgress = make<QProgressBar>(this, "prgProgress", inStrip(3120, 6300, 1575, 270));
    prgProgress->setFormat(QStringLiteral("%v / %m"));
    prgProgress->hide();
    labCommandScriptCompleted =
        makeLabel(this, "labCommandScriptCompleted", inStrip(NoticeLeft, 6300, NoticeWidth, 240));
    m_noticeFont = labCommandScriptCompleted->font();
    m_noticeFont.setPointSizeF(9.75);
    m_noticeFont.setBold(true);
    labCommandScriptCompleted->setFont(m_noticeFont);
    auto colours = [this] {
        QPalette blue = labCommandScriptCompleted->palette();
        blue.setColor(QPalette::WindowText, Palette::windowText(Palette::Meaning::Notice, palette()));
        labCommandScriptCompleted->setPalette(blue);
        if (m_state >= 0)
            RefreshLinkState(m_state);
    };
    colours();
    Palette::follow(this, colours);
    labCommandScriptCompleted->hide();
    // The notice opens the run's report: reached with Tab, underlined while it has the focus.
    labCommandScriptCompleted->setFocusPolicy(Qt::StrongFocus);
    labCommandScriptCompleted->setCursor(Qt::PointingHandCursor);
    labCommandScriptCompleted->installEventFilter(this);
    cmdCancelCommandScript =
        make<QPushButton>(this, "cmdCancelCommandScript", inStrip(5160, 6240, 2535, 375));
    cmdCancelCommandScript->hide();
    prgLogTask = make<QProgressBar>(this, "prgLogTask", inStrip(3120, 6300, 1995, 270));
    prgLogTask->setRange(0, 100);
    prgLogTask->hide();
    cmdCancelLogTask = make<QPushButton>(this, "cmdCancelLogTask", inStrip(5160, 6240, 1500, 375));
    cmdCancelLogTask->hide();
    // Work done in a moment shows nothing.
    m_logTaskDelay = new QTimer(this);
    m_logTaskDelay->setSingleShot(true);
    m_logTaskDelay->setInterval(300);
    connect(m_logTaskDelay, &QTimer::timeout, this, [this] {
        for (QWidget* widget : {static_cast<QWidget*>(prgLogTask), static_cast<QWidget*>(cmdCancelLogTask)}) {
            widget->show();
            widget->raise();
        }
    });
    connect(cmdCancelLogTask, &QPushButton::clicked, this, &StatusStrip::logTaskCancelClicked);
    cmdHelp = make<QPushButton>(this, "cmdHelp", inStrip(7920, 6240, 375, 375));
    cmdHelp->setIcon(helpIcon());
    cmdQuit = make<QPushButton>(this, "cmdQuit", inStrip(8400, 6240, 1215, 375));
    // Right of the usual notice, left of help: free unless a run or a long notice needs the room.
    labCapture = makeLabel(this, "labCapture", inStrip(6540, 6300, 1320, 240));
    labCapture->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labCapture->setContextMenuPolicy(Qt::CustomContextMenu);
    labCapture->hide();
    connect(labCapture, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        QMenu menu(labCapture);
        QAction* open = menu.addAction(GetText(TextId::OpenCaptureFolder));
        open->setObjectName(QStringLiteral("actOpenCaptureFolder"));
        connect(open, &QAction::triggered, this, &StatusStrip::openCaptureFolderRequested);
        menu.exec(labCapture->mapToGlobal(at));
    });

    m_growth.add(cmdHelp, FollowRight);
    m_growth.add(labCapture, FollowRight);
    m_growth.add(cmdQuit, FollowRight);
    m_progressTimer = new QTimer(this);
    m_progressTimer->setSingleShot(true);
    m_progressTimer->setInterval(ProgressIntervalMs);
    connect(m_progressTimer, &QTimer::timeout, this, &StatusStrip::showProgress);

    connect(cmdCancelCommandScript, &QPushButton::clicked, this, &StatusStrip::cancelClicked);
    connect(cmdHelp, &QPushButton::clicked, this, &StatusStrip::helpClicked);
    connect(cmdQuit, &QPushButton::clicked, this, &StatusStrip::quitClicked);
}

bool StatusStrip::eventFilter(QObject* watched, QEvent* event) {
    if (watched != labCommandScriptCompleted)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            labCommandScriptCompleted->rect().contains(
                static_cast<QMouseEvent*>(event)->position().toPoint())) {
            emit noticeActivated();
            return true;
        }
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            emit noticeActivated();
            return true;
        }
        break;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        QFont font = labCommandScriptCompleted->font();
        font.setUnderline(event->type() == QEvent::FocusIn);
        labCommandScriptCompleted->setFont(font);
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void StatusStrip::retranslate() {
    labCommandScriptCompleted->setAccessibleDescription(GetText(TextId::RunReportOpen));
    cmdCancelCommandScript->setText(GetText(TextId::CancelRunButton));
    cmdQuit->setText(GetText(TextId::QuitButton));
    cmdCancelLogTask->setText(GetText(TextId::CancelLogTask));
    cmdCancelLogTask->setAccessibleName(GetText(TextId::LogTaskCancelName));
    prgLogTask->setAccessibleName(GetText(TextId::LogTaskProgressName));
    // An icon alone says nothing to a screen reader, nor to a reader who does not know the icon.
    cmdHelp->setAccessibleName(GetText(TextId::HelpButtonName));
    cmdHelp->setToolTip(GetText(TextId::HelpButtonName));
    prgProgress->setAccessibleName(GetText(TextId::RunProgressName));
    if (m_hasReport)
        showNotice();
    if (m_state >= 0)
        RefreshLinkState(m_state);
    showCaptureStatus(m_captureStatus);
}

void StatusStrip::showCaptureStatus(const LogCapture::Status& status) {
    m_captureStatus = status;
    const bool trouble = status.state == LogCapture::State::Failed || status.dropped > 0;
    labCapture->setText(GetText(status.state == LogCapture::State::Failed ? TextId::CaptureStripFailed
                                                                          : TextId::CaptureStripRunning));
    QString tip = status.state == LogCapture::State::Failed
                      ? filledText(TextId::CaptureStateFailed, {status.error})
                      : filledText(TextId::CaptureStateRunning, {QDir::toNativeSeparators(status.file)});
    if (status.dropped > 0)
        tip += QLatin1Char('\n') + filledText(TextId::CaptureStateDropped, {QString::number(status.dropped)});
    labCapture->setToolTip(tip);
    labCapture->setAccessibleName(GetText(TextId::CaptureStripName));
    labCapture->setAccessibleDescription(tip);
    QPalette palette = labCapture->palette();
    palette.setColor(
        QPalette::WindowText,
        Palette::windowText(trouble ? Palette::Meaning::Failed : Palette::Meaning::Good, palette));
    labCapture->setPalette(palette);
    placeCapture();
}

void StatusStrip::placeCapture() {
    const bool covered = !cmdCancelCommandScript->isHidden() ||
                         (!labCommandScriptCompleted->isHidden() &&
                          labCommandScriptCompleted->geometry().right() >= labCapture->geometry().left());
    labCapture->setVisible(m_captureStatus.state != LogCapture::State::Off && !covered);
}

QColor StatusStrip::stateColour(int state, const QPalette& palette) {
    using Palette::Meaning;
    static const std::array<Meaning, TargetLink::StateCount> meanings = {
        Meaning::Neutral, Meaning::Good,    Meaning::Good, Meaning::Pending, Meaning::Pending,
        Meaning::Pending, Meaning::Pending, Meaning::Good, Meaning::Pending, Meaning::Failed};
    const Meaning meaning =
        state >= 0 && state < TargetLink::StateCount ? meanings[std::size_t(state)] : Meaning::Neutral;
    return Palette::windowText(meaning, palette);
}

void StatusStrip::RefreshLinkState(int state) {
    m_state = state;
    const QString words =
        GetText(TextId::StateCaption) + QStringLiteral(": ") + GetText(TargetLink::stateTextId(state));
    QString shown = words;
    QString whole;
    if (state == TargetLink::Failed && !m_errorReason.isEmpty()) {
        // Where it was tried and why it failed, on the line below the state's words; a long host name is cut
        // in the middle so that the reason stays whole where it can.
        whole = filledText(TextId::LinkErrorDetail, {m_errorHost, m_errorPort, m_errorReason});
        const QFontMetrics metrics(labState->font());
        const int room = labState->width();
        QString detail = whole;
        for (int hostRoom = int(m_errorHost.size()) - 1;
             metrics.horizontalAdvance(detail) > room && hostRoom > 0; --hostRoom) {
            const QString host =
                m_errorHost.left((hostRoom + 1) / 2) + QChar(0x2026) + m_errorHost.right(hostRoom / 2);
            detail = filledText(TextId::LinkErrorDetail, {host, m_errorPort, m_errorReason});
        }
        detail = metrics.elidedText(detail, Qt::ElideRight, room);
        // The words may take both lines of the label; the detail then stays for the description.
        const int lines = labState->height() / std::max(1, metrics.lineSpacing());
        const int wordLines =
            metrics.boundingRect(QRect(0, 0, room, 10000), Qt::TextWordWrap, words).height() /
            std::max(1, metrics.lineSpacing());
        if (wordLines < lines)
            shown = words + QLatin1Char('\n') + detail;
    }
    labState->setText(shown);
    // Read in full by a screen reader, and by a pointer that rests on it.
    labState->setAccessibleDescription(whole);
    labState->setToolTip(whole == shown.section(QLatin1Char('\n'), 1) ? QString() : whole);
    const QColor colour = stateColour(state, palette());
    if (labState->palette().color(QPalette::WindowText) != colour) {
        QPalette palette = labState->palette();
        palette.setColor(QPalette::WindowText, colour);
        labState->setPalette(palette);
    }
}

void StatusStrip::logTaskStarted(const QString& what) {
    prgLogTask->setFormat(what + QStringLiteral(" %p%"));
    prgLogTask->setValue(0);
    m_logTaskDelay->start();
}

void StatusStrip::logTaskProgressed(int percent) {
    if (prgLogTask->value() != percent)
        prgLogTask->setValue(percent);
}

void StatusStrip::logTaskFinished() {
    m_logTaskDelay->stop();
    prgLogTask->hide();
    cmdCancelLogTask->hide();
}

void StatusStrip::setLinkError(const QString& host, const QString& port, const QString& reason) {
    m_errorHost = host;
    m_errorPort = port;
    m_errorReason = reason;
    if (m_state >= 0)
        RefreshLinkState(m_state);
}

void StatusStrip::runStarted(int total) {
    // The bar takes the notice's place.
    hideNotice();
    cmdCancelCommandScript->show();
    m_progressTimer->stop();
    m_progressValue = 0;
    m_awaitedCommand.clear();
    prgProgress->setToolTip(QString());
    prgProgress->setRange(0, total);
    prgProgress->setValue(0);
    prgProgress->show();
    placeCapture();
}

void StatusStrip::runProgressed(int sent, int /*total*/) {
    m_progressValue = sent;
    // The first change shows at once, later ones when the interval is over.
    if (!m_progressTimer->isActive())
        showProgress();
}

void StatusStrip::runWaiting(const QString& command) {
    m_awaitedCommand = command;
    if (!m_progressTimer->isActive())
        showProgress();
}

void StatusStrip::showProgress() {
    const QString tip =
        m_awaitedCommand.isEmpty() ? QString() : filledText(TextId::RunWaitingFor, {m_awaitedCommand});
    if (prgProgress->value() == m_progressValue && prgProgress->toolTip() == tip)
        return; // nothing new: the bar rests until the next change
    prgProgress->setValue(m_progressValue);
    prgProgress->setToolTip(tip);
    m_progressTimer->start();
}

void StatusStrip::runFinished(const RunReport& report) {
    m_progressTimer->stop();
    prgProgress->hide();
    cmdCancelCommandScript->hide();
    m_lastReport = report;
    m_fixedNotice.reset();
    m_hasReport = true;
    showNotice();
    labCommandScriptCompleted->show();
}

void StatusStrip::showFixedNotice(TextId text) {
    m_fixedNotice = text;
    m_hasReport = true;
    showNotice();
    labCommandScriptCompleted->show();
    placeCapture();
}

void StatusStrip::showNotice() {
    const QString notice = m_fixedNotice ? GetText(*m_fixedNotice) : runNotice(m_lastReport);
    // Widened only when the notice needs it, so the usual one keeps its place; the bar and the cancel button
    // it then covers are hidden until the next run, which hides the notice.
    const int usual = twipsToPixels(NoticeWidth);
    const int widest = twipsToPixels(NoticeWidestRight - NoticeLeft);
    QFont font = m_noticeFont;
    // Judged as the cut below judges it: a text exactly as wide as the room would otherwise be cut.
    auto fits = [&notice](const QFont& f, int room) {
        return QFontMetrics(f).elidedText(notice, Qt::ElideMiddle, room) == notice;
    };
    const int width = fits(font, usual) ? usual : widest;
    // Then a smaller size, down to the window's own, so a fixed text is shown whole.
    const qreal smallest = Layout::windowFont().pointSizeF();
    while (!fits(font, width) && font.pointSizeF() > smallest)
        font.setPointSizeF(std::max(smallest, font.pointSizeF() - 0.25));
    QRect place = labCommandScriptCompleted->geometry();
    place.setWidth(width);
    labCommandScriptCompleted->setGeometry(place);
    font.setUnderline(labCommandScriptCompleted->hasFocus());
    labCommandScriptCompleted->setFont(font);
    // A command or a reply can be of any length: cut in the middle, whole in the tooltip.
    const QString shown = QFontMetrics(font).elidedText(notice, Qt::ElideMiddle, width);
    labCommandScriptCompleted->setText(shown);
    labCommandScriptCompleted->setAccessibleName(notice);
    labCommandScriptCompleted->setToolTip(shown == notice ? QString() : notice);
}

void StatusStrip::setGrowth(QSize growth) {
    m_growth.apply(growth);
}

void StatusStrip::hideNotice() {
    labCommandScriptCompleted->hide();
    placeCapture();
}
