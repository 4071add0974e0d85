#pragma once

#include "core/scripts/ScriptLine.h"
#include "gui/Layout.h"

#include <QWidget>

#include <array>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QuickDialMemory;

// Tab 3, "Apply quick dial": the eight slots in two columns, each with its run button cmdCommandN and its
// description box txtCommandDescriptN (a double-click shows the slot's commands), and the buttons that
// load and save the whole memory as a configuration file.
class QuickDialPage : public QWidget {
    Q_OBJECT

public:
    QuickDialPage(QuickDialMemory* memory, QPoint pageOffset, QWidget* parent = nullptr);

    void retranslate();

    // Once the link has been usable the run buttons are enabled for good, even after it is lost.
    void setLinkUsable(bool usable);
    bool runButtonsEnabled() const;

    // Opens the viewer modally on slot n's commands; nothing opens for a slot without commands. The result
    // says whether the viewer was shown.
    bool ShowSlotScript(int n);

    // Lays the page out for a window this much larger than its default size: the two columns share the
    // width, the four rows the height.
    void setGrowth(QSize growth);

signals:
    void slotButtonPressed(int n);
    void loadConfigRequested();
    void saveConfigRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showSlot(int n);

    QuickDialMemory* m_memory;
    QGroupBox* frmStorage = nullptr;
    std::array<QLabel*, QuickDialSlotCount> labF{};
    std::array<QPushButton*, QuickDialSlotCount> cmdCommand{};
    std::array<QPlainTextEdit*, QuickDialSlotCount> txtCommandDescript{};
    QPushButton* cmdLoadConfig = nullptr;
    QPushButton* cmdSaveConfig = nullptr;
    QLabel* labInfo4 = nullptr;
    Layout::Growth m_growth;
};
