#include "gui/QuickDialPage.h"

#include "core/scripts/QuickDialMemory.h"
#include "core/texts/Texts.h"
#include "gui/Access.h"
#include "gui/Layout.h"
#include "gui/ScriptViewer.h"
#include "gui/ScriptWidgets.h"
#include "gui/WrappingButton.h"

#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Layout;

QuickDialPage::QuickDialPage(QuickDialMemory* memory, QPoint pageOffset, QWidget* parent)
    : QWidget(parent)
    , m_memory(memory) {
    const TabPlaces onTab(pageOffset);
    // Slots 1-4 in the left column, 5-8 in the right, 1080 twips apart.
    frmStorage = make<QGroupBox>(this, "frmStorage", onTab(120, 360, 9195, 4815));
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        const std::size_t i = slotIndex(n);
        const int row = (n - 1) % 4;
        const bool right = n > 4;
        const int top = 360 + 1080 * row;
        labF[i] = make<QLabel>(frmStorage, QStringLiteral("labF%1").arg(n),
                               twipsRect(right ? 4560 : 120, 720 + 1080 * row, 360, 255));
        labF[i]->setText(QStringLiteral("F%1:").arg(n));
        cmdCommand[i] = make<WrappingButton>(frmStorage, QStringLiteral("cmdCommand%1").arg(n),
                                             twipsRect(right ? 4920 : 480, top, 1755, 1035));
        cmdCommand[i]->setEnabled(false);
        txtCommandDescript[i] = makeMultiLine(frmStorage, QStringLiteral("txtCommandDescript%1").arg(n),
                                              twipsRect(right ? 6720 : 2280, top, 2175, 1035));
        txtCommandDescript[i]->setReadOnly(true);
        Access::markUserCaption(cmdCommand[i]);
        connect(cmdCommand[i], &QPushButton::clicked, this, [this, n] { emit slotButtonPressed(n); });
        // The double-click lands on the viewport of the text box, not on the box itself; the keys on the box.
        txtCommandDescript[i]->viewport()->installEventFilter(this);
        txtCommandDescript[i]->installEventFilter(this);
        showSlot(n);
    }
    cmdLoadConfig = make<QPushButton>(this, "cmdLoadConfig", onTab(600, 5280, 3975, 375));
    cmdSaveConfig = make<QPushButton>(this, "cmdSaveConfig", onTab(5040, 5280, 3975, 375));
    labInfo4 = makeInfoLabel(this, "labInfo4", onTab(120, 5700, 9195, 375));

    m_growth.add(frmStorage, Stretch);
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        const std::size_t i = slotIndex(n);
        const double column = n > 4 ? 0.5 : 0;
        const double row = ((n - 1) % 4) / 4.0;
        m_growth.add(labF[i], GrowthShare{column, row, 0, 0});
        m_growth.add(cmdCommand[i], GrowthShare{column, row, 0, 0.25});
        m_growth.add(txtCommandDescript[i], GrowthShare{column, row, 0.5, 0.25});
    }
    m_growth.add(cmdLoadConfig, GrowthShare{0, 1, 0.5, 0});
    m_growth.add(cmdSaveConfig, GrowthShare{0.5, 1, 0.5, 0});
    m_growth.add(labInfo4, FollowBottomStretchWidth);

    connect(cmdLoadConfig, &QPushButton::clicked, this, &QuickDialPage::loadConfigRequested);
    connect(cmdSaveConfig, &QPushButton::clicked, this, &QuickDialPage::saveConfigRequested);
    connect(m_memory, &QuickDialMemory::slotChanged, this, &QuickDialPage::showSlot);
}

void QuickDialPage::retranslate() {
    frmStorage->setTitle(GetText(TextId::FrameQuickDial));
    cmdLoadConfig->setText(GetText(TextId::LoadConfigButton));
    cmdSaveConfig->setText(GetText(TextId::SaveConfigButton));
    labInfo4->setText(GetText(TextId::InfoQuickDial));
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        QPlainTextEdit* box = txtCommandDescript[slotIndex(n)];
        // Every box opens its slot's commands, by the mouse or the keyboard, and says so.
        box->setToolTip(GetText(TextId::SlotDescriptionTip));
        box->setAccessibleName(filledText(TextId::SlotDescriptionName, {QString::number(n)}));
        box->setAccessibleDescription(GetText(TextId::SlotDescriptionTip));
    }
}

void QuickDialPage::setLinkUsable(bool usable) {
    if (!usable)
        return;
    for (QPushButton* run : cmdCommand)
        run->setEnabled(true);
}

bool QuickDialPage::runButtonsEnabled() const {
    return cmdCommand[0]->isEnabled();
}

void QuickDialPage::showSlot(int n) {
    const std::size_t i = slotIndex(n);
    const QString caption = m_memory->captionsAt(n).run;
    cmdCommand[i]->setText(ScriptWidgets::buttonCaption(caption));
    // The key beside the button is part of what it is: "F1: Start".
    cmdCommand[i]->setAccessibleName(filledText(TextId::SlotButtonName, {QString::number(n), caption}));
    txtCommandDescript[i]->setPlainText(m_memory->slotAt(n).description);
}

void QuickDialPage::setGrowth(QSize growth) {
    m_growth.apply(growth);
}

bool QuickDialPage::ShowSlotScript(int n) {
    // The viewer takes its rows before it opens, so a change of the slot meanwhile does not reach it.
    return QuickDialMemory::isSlotNumber(n) && ScriptViewer::showScript(this, m_memory->slotAt(n).lines);
}

bool QuickDialPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            for (int n = 1; n <= QuickDialSlotCount; ++n) {
                if (watched == txtCommandDescript[slotIndex(n)]) {
                    ShowSlotScript(n);
                    return true;
                }
            }
        }
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int n = 1; n <= QuickDialSlotCount; ++n) {
            if (watched == txtCommandDescript[slotIndex(n)]->viewport()) {
                ShowSlotScript(n);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
