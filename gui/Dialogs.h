#pragma once

#include <QString>

#include <optional>

class QWidget;

// The modal dialogs the program asks the user with. The main window is given one, so tests can answer
// without a person. Filters use the "description|pattern|description|pattern" form.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Exclamation icon, OK button.
    virtual void warning(QWidget* parent, const QString& title, const QString& text) = 0;
    // Question icon, Yes and No; true for Yes.
    virtual bool question(QWidget* parent, const QString& title, const QString& text) = 0;
    // A modal input box; nothing on Cancel.
    virtual std::optional<QString> inputText(QWidget* parent, const QString& title,
                                             const QString& prompt) = 0;
    // Open-file dialog for an existing file; nothing on Cancel.
    virtual std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& folder,
                                            const QString& filter) = 0;
    // Save-file dialog; nothing on Cancel.
    virtual std::optional<QString> saveFile(QWidget* parent, const QString& title, const QString& folder,
                                            const QString& fileName, const QString& filter) = 0;
    // The same, with the file type chosen: its place in the filter, or -1 when not known.
    struct SavedFile {
        QString path;
        int filterIndex = -1;
    };
    virtual std::optional<SavedFile> saveFileOfType(QWidget* parent, const QString& title,
                                                    const QString& folder, const QString& fileName,
                                                    const QString& filter) {
        const std::optional<QString> path = saveFile(parent, title, folder, fileName, filter);
        return path ? std::optional<SavedFile>(SavedFile{*path, -1}) : std::nullopt;
    }
};

// The real dialogs.
class QtDialogs : public Dialogs {
public:
    void warning(QWidget* parent, const QString& title, const QString& text) override;
    bool question(QWidget* parent, const QString& title, const QString& text) override;
    std::optional<QString> inputText(QWidget* parent, const QString& title, const QString& prompt) override;
    std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) override;
    std::optional<QString> saveFile(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& fileName, const QString& filter) override;
    std::optional<SavedFile> saveFileOfType(QWidget* parent, const QString& title, const QString& folder,
                                            const QString& fileName, const QString& filter) override;
};

// Answers every dialog with Cancel or No and shows nothing: for programs that show the window unattended
// (the screenshot tool, the benchmarks).
class CancellingDialogs : public Dialogs {
public:
    void warning(QWidget*, const QString&, const QString&) override {}
    bool question(QWidget*, const QString&, const QString&) override { return false; }
    std::optional<QString> inputText(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<QString> openFile(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    std::optional<QString> saveFile(QWidget*, const QString&, const QString&, const QString&,
                                    const QString&) override {
        return {};
    }
};

// "Text (*.cfg)|*.cfg|Other|*.txt" -> "Text (*.cfg);;Other (*.txt)": Qt reads the patterns from the
// parentheses, so a description without them gets its pattern appended.
QString qtFileFilter(const QString& pairs);
