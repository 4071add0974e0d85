#include "gui/StatusStrip.h"

#include "core/link/TargetLink.h"
#include "core/texts/Texts.h"
#include "gui/Layout.h"

#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>

#include <array>

using namespace Layout;

namespace {

// The strip starts where the tab control ends; its widgets are placed relative to the window.
constexpr int StripTop = 6195;

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
    setGeometry(0, twipsToPixels(StripTop), twipsToPixels(9765), twipsToPixels(6675 - StripTop));
    m_growth.add(this, GrowthShare{0, 1, 1, 0});

    labState = makeLabel(this, "labState", inStrip(120, 6240, 2955, 495));
    labState->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    labState->setWordWrap(true);
    labState->setText(QStringLiteral("..."));
    prgProgress = make<QProgressBar>(this, "prgProgress", inStrip(3120, 6300, 1575, 270));
    prgProgress->setTextVisible(false);
    prgProgress->hide();
    labCommandScriptCompleted = makeLabel(this, "labCommandScriptCompleted", inStrip(3180, 6300, 3315, 240));
    QFont bold = labCommandScriptCompleted->font();
    bold.setPointSizeF(9.75);
    bold.setBold(true);
    labCommandScriptCompleted->setFont(bold);
    QPalette blue = labCommandScriptCompleted->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    labCommandScriptCompleted->setPalette(blue);
    labCommandScriptCompleted->hide();
    cmdCancelCommandScript =
        make<QPushButton>(this, "cmdCancelCommandScript", inStrip(5160, 6240, 2535, 375));
    cmdCancelCommandScript->hide();
    cmdHelp = make<QPushButton>(this, "cmdHelp", inStrip(7920, 6240, 375, 375));
    cmdHelp->setIcon(helpIcon());
    cmdQuit = make<QPushButton>(this, "cmdQuit", inStrip(8400, 6240, 1215, 375));

    m_growth.add(cmdHelp, FollowRight);
    m_growth.add(cmdQuit, FollowRight);

    connect(cmdCancelCommandScript, &QPushButton::clicked, this, &StatusStrip::cancelClicked);
    connect(cmdHelp, &QPushButton::clicked, this, &StatusStrip::helpClicked);
    connect(cmdQuit, &QPushButton::clicked, this, &StatusStrip::quitClicked);
}

void StatusStrip::retranslate() {
    cmdCancelCommandScript->setText(GetText(TextId::CancelRunButton));
    cmdQuit->setText(GetText(TextId::QuitButton));
    labCommandScriptCompleted->setText(RunNotice(m_lastReport));
    if (m_state >= 0)
        RefreshLinkState(m_state);
}

QColor StatusStrip::stateColour(int state) {
    // Dark enough to be read on the window background (contrast at least 4.5:1 against Fusion's #efefef).
    const QColor black(0, 0, 0);
    const QColor green(0, 120, 0);
    const QColor magenta(176, 0, 176);
    const QColor red(192, 0, 0);
    static const std::array<QColor, TargetLink::StateCount> colours = {
        black, green, green, magenta, magenta, magenta, magenta, green, magenta, red};
    return state >= 0 && state < TargetLink::StateCount ? colours[std::size_t(state)] : black;
}

void StatusStrip::RefreshLinkState(int state) {
    m_state = state;
    labState->setText(GetText(TextId::StateCaption) + QStringLiteral(": ") +
                      GetText(TargetLink::stateTextId(state)));
    const QColor colour = stateColour(state);
    if (labState->palette().color(QPalette::WindowText) != colour) {
        QPalette palette = labState->palette();
        palette.setColor(QPalette::WindowText, colour);
        labState->setPalette(palette);
    }
}

void StatusStrip::setLinkErrorText(const QString& text) {
    labState->setToolTip(text);
}

void StatusStrip::runStarted(int total) {
    cmdCancelCommandScript->show();
    prgProgress->setRange(0, total);
    prgProgress->setValue(0);
    prgProgress->show();
}

void StatusStrip::runProgressed(int sent, int /*total*/) {
    prgProgress->setValue(sent);
}

void StatusStrip::runFinished(const RunReport& report) {
    const QString notice = RunNotice(report);
    if (!notice.isEmpty()) {
        m_lastReport = report;
        labCommandScriptCompleted->setText(notice);
        labCommandScriptCompleted->show();
    }
    prgProgress->hide();
    cmdCancelCommandScript->hide();
}

void StatusStrip::setGrowth(QSize growth) {
    m_growth.apply(growth);
}

void StatusStrip::hideNotice() {
    labCommandScriptCompleted->hide();
}
