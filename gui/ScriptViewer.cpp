#include "gui/ScriptViewer.h"

#include "core/texts/Texts.h"
#include "gui/ScriptWidgets.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int ViewerWidth = 600;
constexpr int ViewerHeight = 320;
} // namespace

ScriptViewer::ScriptViewer(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmCommandList"));
    setModal(true);
    resize(ViewerWidth, ViewerHeight);

    m_lstCommands = new QTreeWidget(this);
    m_lstCommands->setObjectName(QStringLiteral("lstCommands"));
    m_lstCommands->setColumnCount(2);
    m_lstCommands->setRootIsDecorated(false);
    m_lstCommands->setUniformRowHeights(true);
    m_lstCommands->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lstCommands->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lstCommands->setAllColumnsShowFocus(true);
    m_lstCommands->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lstCommands->header()->setStretchLastSection(true);

    m_cmdQuit = new QPushButton(this);
    m_cmdQuit->setObjectName(QStringLiteral("cmdQuit"));
    m_cmdQuit->setDefault(true);
    connect(m_cmdQuit, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdQuit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lstCommands);
    layout->addLayout(buttons);

    ApplyViewerTexts();
}

void ScriptViewer::ApplyViewerTexts() {
    setWindowTitle(GetText(TextId::ViewerCaption));
    m_cmdQuit->setText(GetText(TextId::ViewerQuit));
    m_lstCommands->setAccessibleName(GetText(TextId::SlotCommandsName));
    m_lstCommands->setHeaderLabels({GetText(TextId::CommandColumn), GetText(TextId::DescriptionColumn)});
}

void ScriptViewer::setScript(const Script& script) {
    ScriptWidgets::fillList(m_lstCommands, script);
    ScriptWidgets::fitColumns(m_lstCommands);
}

bool ScriptViewer::showScript(QWidget* parent, const Script& script) {
    if (script.isEmpty())
        return false;
    ScriptViewer viewer(parent);
    viewer.setScript(script);
    viewer.exec();
    return true;
}
