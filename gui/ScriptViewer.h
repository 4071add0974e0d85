#pragma once

#include "core/scripts/ScriptLine.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

// frmCommandList: shows the commands of one quick-dial slot with their descriptions, for viewing only.
// Every opening builds a new window, so it starts empty and takes the current language.
class ScriptViewer : public QDialog {
    Q_OBJECT

public:
    explicit ScriptViewer(QWidget* parent = nullptr);

    // Sets the caption, the button and the column headers in the current language.
    void ApplyViewerTexts();

    // Replaces the rows with the script's lines and fits the columns.
    void setScript(const Script& script);

    // Shows the script modally and returns when the viewer has been closed. An empty script opens
    // nothing; the result says whether the viewer was shown.
    static bool showScript(QWidget* parent, const Script& script);

private:
    QTreeWidget* m_lstCommands = nullptr;
    QPushButton* m_cmdQuit = nullptr;
};
