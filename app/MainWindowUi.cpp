#include "app/MainWindowUi.h"

#include "app/Twips.h"
#include "app/WrappingButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>

namespace {

// The tab control, able to tell where its pages will sit before it is first shown (it lays its pages out
// only when visible).
class TabControl : public QTabWidget {
public:
    using QTabWidget::QTabWidget;

    QPoint pageOffset() const {
        QStyleOptionTabWidgetFrame option;
        initStyleOption(&option);
        return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this).topLeft();
    }
};

// A check box whose greyed state comes only from the program (a stored setting); a click ticks or unticks
// it, and a greyed box, which counts as ticked, is unticked.
class TwoStateClickCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {
        setCheckState(checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked);
    }
};

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

template <typename W> W* make(QWidget* parent, const char* name, QRect geometry) {
    auto* w = new W(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(geometry);
    return w;
}

template <typename W> W* make(QWidget* parent, const QString& name, QRect geometry) {
    auto* w = new W(parent);
    w->setObjectName(name);
    w->setGeometry(geometry);
    return w;
}

QLabel* makeLabel(QWidget* parent, const char* name, QRect geometry) {
    auto* label = make<QLabel>(parent, name, geometry);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A label that is sized to its text when the text is set.
QLabel* makeAutoSizeLabel(QWidget* parent, const char* name, int left, int top) {
    auto* label = makeLabel(parent, name, twipsRect(left, top, 0, 0));
    label->setProperty("autoSize", true);
    return label;
}

QLabel* makeInfoLabel(QWidget* parent, const char* name, QRect geometry) {
    auto* label = makeLabel(parent, name, geometry);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Highlight));
    label->setPalette(palette);
    return label;
}

QPlainTextEdit* makeMultiLine(QWidget* parent, const QString& name, QRect geometry) {
    auto* edit = make<QPlainTextEdit>(parent, name, geometry);
    edit->setTabChangesFocus(true);
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The text wraps, so a horizontal scroll bar would only take room from the few lines there are.
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return edit;
}

void setupTwoColumnList(QTreeWidget* list) {
    list->setColumnCount(2);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
    list->header()->setStretchLastSection(true);
}

} // namespace

QFont MainWindowUi::windowFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(8);
    // Semi-condensed: the condensed face where it is installed, a narrowed regular face elsewhere.
    font.setStretch(QFont::SemiCondensed);
    return font;
}

void MainWindowUi::setupUi(QWidget* window) {
    // The font comes first: the tab strip's height, and with it the place of every page, depends on it.
    window->setFont(windowFont());
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint);
    window->setFixedSize(twipsToPixels(9765), twipsToPixels(6675));

    auto* tabs = make<TabControl>(window, "SSTab1", twipsRect(120, 60, 9495, 6135));
    SSTab1 = tabs;
    // A caption that does not fit should show as such, not be shortened silently.
    SSTab1->setElideMode(Qt::ElideNone);
    std::array<QWidget*, 4> pages{};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        pages[i] = new QWidget;
        pages[i]->setObjectName(QStringLiteral("SSTab1Page%1").arg(i));
        SSTab1->addTab(pages[i], QString());
    }
    // Places on a tab are measured from the tab control's corner, tab strip included, so each page's
    // own offset inside the tab control is taken off.
    const QPoint pageOffset = tabs->pageOffset();
    auto onTab = [&](int left, int top, int width, int height) {
        return twipsRect(left, top, width, height).translated(-pageOffset);
    };

    // Tab 0
    QWidget* page = pages[0];
    fraSoftwareSel = make<QGroupBox>(page, "fraSoftwareSel", onTab(120, 360, 9075, 975));
    cboDevice = make<QComboBox>(fraSoftwareSel, "cboDevice", twipsRect(360, 360, 8415, 315));
    cboDevice->addItems({QString(), QString()});
    fraTarget = make<QGroupBox>(page, "fraTarget", onTab(120, 1440, 9075, 1215));
    labPort = makeAutoSizeLabel(fraTarget, "labPort", 360, 360);
    txtPort = make<QLineEdit>(fraTarget, "txtPort", twipsRect(360, 600, 915, 315));
    labIp = makeAutoSizeLabel(fraTarget, "labIp", 1680, 360);
    txtPcName = make<QLineEdit>(fraTarget, "txtPcName", twipsRect(1680, 600, 2595, 315));
    cmdThisSystem = make<QPushButton>(fraTarget, "cmdThisSystem", twipsRect(4320, 600, 1695, 375));
    chkConnect = make<TwoStateClickCheckBox>(fraTarget, "chkConnect", twipsRect(6600, 540, 1695, 255));
    fraLanguage = make<QGroupBox>(page, "fraLanguage", onTab(120, 2760, 9075, 1035));
    cboLanguage = make<QComboBox>(fraLanguage, "cboLanguage", twipsRect(360, 360, 2775, 315));
    cboLanguage->addItems({QString(), QString()});
    fraVersion = make<QGroupBox>(page, "fraVersion", onTab(120, 3960, 9075, 1035));
    labProgramVersion = makeAutoSizeLabel(fraVersion, "labProgramVersion", 360, 300);
    labProgramDate = makeAutoSizeLabel(fraVersion, "labProgramDate", 360, 600);
    labInfo1 = makeInfoLabel(page, "labInfo1", onTab(180, 5280, 9195, 795));

    // Tab 1
    page = pages[1];
    fraSend = make<QGroupBox>(page, "fraSend", onTab(120, 360, 9135, 1035));
    cmdCreateCommand1 = make<QPushButton>(fraSend, "cmdCreateCommand1", twipsRect(240, 420, 1935, 375));
    txtSend = make<QLineEdit>(fraSend, "txtSend", twipsRect(2940, 480, 4455, 315));
    cmdSend = make<QPushButton>(fraSend, "cmdSend", twipsRect(7500, 420, 1455, 375));
    cmdSend->setEnabled(false);
    fraReceive = make<QGroupBox>(page, "fraReceive", onTab(120, 1560, 9135, 3435));
    lsvMsg = make<QTableView>(fraReceive, "lsvMsg", twipsRect(240, 360, 8715, 2595));
    cmdDeleteList = make<QPushButton>(fraReceive, "cmdDeleteList", twipsRect(240, 3000, 1695, 315));
    cmdDeleteList->setEnabled(false);
    labInfo2 = makeInfoLabel(page, "labInfo2", onTab(180, 5160, 9015, 855));

    // Tab 2
    page = pages[2];
    fraEditScript = make<QGroupBox>(page, "fraEditScript", onTab(120, 360, 6555, 4995));
    cmdCreateCommand2 = make<QPushButton>(fraEditScript, "cmdCreateCommand2", twipsRect(240, 360, 3075, 375));
    cmdCreateManualCommand =
        make<QPushButton>(fraEditScript, "cmdCreateManualCommand", twipsRect(3480, 360, 2835, 375));
    labCommands = makeLabel(fraEditScript, "labCommands", twipsRect(240, 840, 1335, 255));
    chkAbove = make<QCheckBox>(fraEditScript, "chkAbove", twipsRect(2640, 840, 1695, 195));
    lstCommands = make<QTreeWidget>(fraEditScript, "lstCommands", twipsRect(240, 1080, 4095, 2295));
    setupTwoColumnList(lstCommands);
    cmdDeleteCommand = make<QPushButton>(fraEditScript, "cmdDeleteCommand", twipsRect(4500, 1140, 1815, 435));
    cmdCommandUp = make<QPushButton>(fraEditScript, "cmdCommandUp", twipsRect(4500, 1680, 555, 375));
    cmdCommandUp->setIcon(window->style()->standardIcon(QStyle::SP_ArrowUp));
    cmdCommandDown = make<QPushButton>(fraEditScript, "cmdCommandDown", twipsRect(4500, 2100, 555, 375));
    cmdCommandDown->setIcon(window->style()->standardIcon(QStyle::SP_ArrowDown));
    labCaption = makeLabel(fraEditScript, "labCaption", twipsRect(240, 3420, 1335, 255));
    cmdCommandTest = make<QPushButton>(fraEditScript, "cmdCommandTest", twipsRect(4440, 3600, 1875, 435));
    txtLabel = make<QLineEdit>(fraEditScript, "txtLabel", twipsRect(240, 3660, 4095, 315));
    txtLabel->setMaxLength(40);
    labNote = makeLabel(fraEditScript, "labNote", twipsRect(240, 4020, 1335, 255));
    txtNote = makeMultiLine(fraEditScript, QStringLiteral("txtNote"), twipsRect(240, 4260, 6075, 555));
    for (QPushButton* b : {cmdDeleteCommand, cmdCommandUp, cmdCommandDown, cmdCommandTest})
        b->setEnabled(false);
    cmdSave = make<WrappingButton>(page, "cmdSave", onTab(6780, 2100, 975, 615));
    cmdGetCommand = make<WrappingButton>(page, "cmdGetCommand", onTab(6780, 2820, 975, 615));
    cmdDeleteScript = make<QPushButton>(page, "cmdDeleteScript", onTab(6780, 3780, 975, 375));
    fraStorage = make<QGroupBox>(page, "fraStorage", onTab(7860, 360, 1455, 4995));
    for (int n = 1; n <= SlotCount; ++n) {
        QPushButton* b = make<WrappingButton>(fraStorage, QStringLiteral("cmdF%1").arg(n),
                                              twipsRect(180, 360 + 540 * (n - 1), 1095, 495));
        b->setEnabled(false);
        b->setAutoFillBackground(true);
        cmdF[static_cast<std::size_t>(n - 1)] = b;
    }
    labInfo3 = makeInfoLabel(page, "labInfo3", onTab(180, 5460, 9075, 555));

    // Tab 3: slots 1-4 in the left column, 5-8 in the right, 1080 twips apart.
    page = pages[3];
    frmStorage = make<QGroupBox>(page, "frmStorage", onTab(120, 360, 9195, 4815));
    for (int n = 1; n <= SlotCount; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        const int row = (n - 1) % 4;
        const bool right = n > 4;
        const int top = 360 + 1080 * row;
        labF[i] = makeLabel(frmStorage, "", twipsRect(right ? 4560 : 120, 720 + 1080 * row, 360, 255));
        labF[i]->setObjectName(QStringLiteral("labF%1").arg(n));
        labF[i]->setText(QStringLiteral("F%1:").arg(n));
        cmdCommand[i] = make<WrappingButton>(frmStorage, QStringLiteral("cmdCommand%1").arg(n),
                                             twipsRect(right ? 4920 : 480, top, 1755, 1035));
        cmdCommand[i]->setEnabled(false);
        txtCommandDescript[i] = makeMultiLine(frmStorage, QStringLiteral("txtCommandDescript%1").arg(n),
                                              twipsRect(right ? 6720 : 2280, top, 2175, 1035));
        txtCommandDescript[i]->setReadOnly(true);
        if (n <= 4)
            txtCommandDescript[i]->setToolTip(
                QStringLiteral("Mit einem Doppelklick werden die zugehörigen Befehle angezeigt..."));
    }
    cmdLoadConfig = make<QPushButton>(page, "cmdLoadConfig", onTab(600, 5280, 3975, 375));
    cmdSaveConfig = make<QPushButton>(page, "cmdSaveConfig", onTab(5040, 5280, 3975, 375));
    labInfo4 = makeInfoLabel(page, "labInfo4", onTab(120, 5700, 9195, 375));

    // Strip below the tab control
    labState = makeLabel(window, "labState", twipsRect(120, 6240, 2955, 495));
    labState->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    labState->setWordWrap(true);
    labState->setText(QStringLiteral("..."));
    prgProgress = make<QProgressBar>(window, "prgProgress", twipsRect(3120, 6300, 1575, 270));
    prgProgress->setTextVisible(false);
    prgProgress->hide();
    labCommandScriptCompleted =
        makeLabel(window, "labCommandScriptCompleted", twipsRect(3180, 6300, 3315, 240));
    QFont bold = labCommandScriptCompleted->font();
    bold.setPointSizeF(9.75);
    bold.setBold(true);
    labCommandScriptCompleted->setFont(bold);
    QPalette blue = labCommandScriptCompleted->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    labCommandScriptCompleted->setPalette(blue);
    labCommandScriptCompleted->hide();
    cmdCancelCommandScript =
        make<QPushButton>(window, "cmdCancelCommandScript", twipsRect(5160, 6240, 2535, 375));
    cmdCancelCommandScript->hide();
    cmdHelp = make<QPushButton>(window, "cmdHelp", twipsRect(7920, 6240, 375, 375));
    cmdHelp->setIcon(helpIcon());
    cmdQuit = make<QPushButton>(window, "cmdQuit", twipsRect(8400, 6240, 1215, 375));
}
