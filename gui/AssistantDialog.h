#pragma once

#include "core/catalogue/Catalogue.h"
#include "core/catalogue/CommandBuilder.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class Dialogs;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// What the caller hands the assistant.
struct AssistantContext {
    QWidget* parent = nullptr;
    int deviceType = 0;          // 0 for the first row of the device list, 1 for any other
    bool includeQueries = false; // AssistantIncludeQueries: list the query rows after the command rows
    QString setupIniPath;        // file of the "Command" key; empty reads the default and writes nothing
    QString programFolder;       // where the first file dialog opens; empty means the program's own folder
    Dialogs* dialogs = nullptr;  // not owned; the real dialogs when null
    std::function<void(QWidget* owner, int topic)> showHelp; // ShowHelpTopic when empty
};

// AssistantCommand and AssistantDescription: both empty unless the user accepted.
struct AssistantResult {
    QString command;
    QString description;
};

// Shows the assistant modally and returns what it built.
AssistantResult RunCommandAssistant(const AssistantContext& context);

// The folder the assistant's file dialog opens in: empty at program start, then the folder of the file
// chosen last (with its trailing '/'). It lives as long as the program and is never stored.
QString LastAssistantPath();
void setLastAssistantPath(const QString& folder);

// frmAssistant: builds one command of the catalogue, a command page and then one page per parameter. The
// catalogue, page and entry state are set up anew by each instance, in the language current at construction.
class AssistantDialog : public QDialog {
    Q_OBJECT

public:
    explicit AssistantDialog(const AssistantContext& context);
    ~AssistantDialog() override;

    const AssistantResult& assistantResult() const { return m_result; }
    int currentPage() const { return m_builder.page(); }
    int parameterCount() const { return m_parameterCount; }
    const QString& description() const { return m_labDescription; } // labDescription
    const QList<CatalogueRecord>& records() const { return m_cboCommandList; }

    // Every way of closing ends here: remembers the selected entry in the "Command" key.
    void done(int r) override;

private:
    void buildWidgets();
    void applyTexts();
    void loadCatalogue(const QStringList& records, int deviceType, bool includeQueries);
    void selectStoredEntry();

    void onCommandSelected();
    void onNext();
    void onSelectPath();
    void onTextChanged();
    void onHelp();

    CatalogueRecord currentRecord() const;
    void showPage();
    void resetParameterWidgets();
    void showParameter(const CatalogueParameter& parameter);
    QString fileFilter() const;
    Dialogs& dialogs() const { return *m_dialogs; }

    QString m_setupIniPath;
    QString m_programFolder;
    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs* m_dialogs = nullptr;
    std::function<void(QWidget*, int)> m_showHelp;

    QLabel* m_labCommand = nullptr;
    QLabel* m_labSelCommand = nullptr;
    QComboBox* m_cboCommand = nullptr;
    QLabel* m_labNote = nullptr;
    QLabel* m_labParameter = nullptr;
    QLineEdit* m_txtText = nullptr;
    QSpinBox* m_cwnValue = nullptr;
    QPushButton* m_cmdSelectPath = nullptr;
    QLabel* m_labMaxTextLen = nullptr;
    QPushButton* m_cmdHelp = nullptr;
    QPushButton* m_cmdNext = nullptr;
    QPushButton* m_cmdCancel = nullptr;

    // Data the dialog keeps beside its widgets: the records behind cboCommand's rows (same order) and the
    // chosen command's description.
    QList<CatalogueRecord> m_cboCommandList;
    QString m_labDescription;

    CommandBuilder m_builder; // the pages and the command built so far
    int m_parameterCount = 0; // the count of the last record that had a usable one
    bool m_restrictInput = false;
    QString m_previousText;
    bool m_inTextChange = false;
    AssistantResult m_result;
};
