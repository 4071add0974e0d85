#pragma once

// What the window tests stand on, besides the core's support: the one fake of the dialogs, and the main
// window on temporary folders.

#include "support/CoreSupport.h"

#include "core/scripts/QuickDialConfig.h"
#include "gui/Dialogs.h"
#include "gui/MainWindow.h"

#include <QApplication>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

// Answers the program's dialogs from queues and records what was asked, so no person is needed.
class ScriptedDialogs : public Dialogs {
public:
    struct Call {
        QString kind, title, text;
    };

    QList<Call> calls;
    QList<bool> questionAnswers;                 // default No
    QList<std::optional<QString>> inputAnswers;  // default Cancel
    QList<std::optional<QString>> openAnswers;   // default Cancel
    QList<std::optional<QString>> saveAnswers;   // default Cancel
    QList<int> saveTypeAnswers;                  // the file type chosen; default none known (-1)
    QList<std::optional<QString>> folderAnswers; // default Cancel

    void warning(QWidget*, const QString& title, const QString& text) override {
        calls.append({QStringLiteral("warning"), title, text});
    }
    bool question(QWidget*, const QString& title, const QString& text) override {
        calls.append({QStringLiteral("question"), title, text});
        return questionAnswers.isEmpty() ? false : questionAnswers.takeFirst();
    }
    std::optional<QString> inputText(QWidget*, const QString& title, const QString& prompt) override {
        calls.append({QStringLiteral("input"), title, prompt});
        return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.takeFirst();
    }
    std::optional<QString> openFile(QWidget*, const QString& title, const QString& folder,
                                    const QString& filter) override {
        calls.append({QStringLiteral("open"), title, folder + QLatin1Char('|') + filter});
        return openAnswers.isEmpty() ? std::nullopt : openAnswers.takeFirst();
    }
    std::optional<QString> saveFile(QWidget*, const QString& title, const QString& folder,
                                    const QString& fileName, const QString& filter) override {
        calls.append({QStringLiteral("save"), title,
                      folder + QLatin1Char('|') + fileName + QLatin1Char('|') + filter});
        return saveAnswers.isEmpty() ? std::nullopt : saveAnswers.takeFirst();
    }
    std::optional<SavedFile> saveFileOfType(QWidget* parent, const QString& title, const QString& folder,
                                            const QString& fileName, const QString& filter) override {
        const std::optional<QString> path = saveFile(parent, title, folder, fileName, filter);
        const int type = saveTypeAnswers.isEmpty() ? -1 : saveTypeAnswers.takeFirst();
        return path ? std::optional<SavedFile>(SavedFile{*path, type}) : std::nullopt;
    }
    std::optional<QString> chooseFolder(QWidget*, const QString& title, const QString& folder) override {
        calls.append({QStringLiteral("folder"), title, folder});
        return folderAnswers.isEmpty() ? std::nullopt : folderAnswers.takeFirst();
    }
};

// The main window on its own folders. Setup.ini gets the keys given (English, not connecting, tab 0 unless
// the keys say otherwise) and DefaultCommandSet.cfg the slots given; the program folder holds no templates
// unless the test puts some there. The window opens at once unless the test has files to put in place first.
class WindowHarness {
public:
    explicit WindowHarness(const QList<QPair<QString, QString>>& setupKeys = {},
                           const std::optional<QuickDialSlots>& quickDial = {}, bool openNow = true) {
        // A first start takes the desktop's language: the tests' desktop is German unless a test says not.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        folders.writeSetup({{QStringLiteral("Language"), QStringLiteral("1")},
                            {QStringLiteral("Connect"), QStringLiteral("0")},
                            {QStringLiteral("SelTab"), QStringLiteral("0")}});
        folders.writeSetup(setupKeys);
        if (quickDial && !saveQuickDialFile(folders.defaultConfig(), *quickDial))
            qFatal("DefaultCommandSet.cfg could not be written");
        if (openNow)
            open();
    }

    // Another window on the same folders and dialogs, not shown, as a second start makes it.
    std::unique_ptr<MainWindow> another() {
        MainWindowEnvironment environment;
        environment.settingsFolder = folders.settings();
        environment.programFolder = folders.program();
        environment.dialogs = &dialogs;
        return std::make_unique<MainWindow>(environment);
    }
    // Opens (or reopens, after close()) the window on the folders.
    MainWindow& open() {
        window = another();
        // The choice buttons blink faster, so a test waits less for a tick; still slower than QTRY looks.
        window->findChild<QTimer*>(QStringLiteral("timTimer"))->setInterval(100);
        window->show();
        // Function keys and focus need the active window.
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("the main window did not become active");
        return *window;
    }
    // Runs the exit sequence and destroys the window.
    void close() {
        if (window)
            window->close();
        window.reset();
    }

    template <typename W> W* find(const QString& name) const {
        return window ? window->findChild<W*>(name) : nullptr;
    }
    template <typename W> W* find(const char* name) const { return find<W>(QLatin1String(name)); }

    template <typename Name> void click(const Name& name) const {
        QTest::mouseClick(find<QWidget>(name), Qt::LeftButton);
    }
    // What a widget shows: a button's or label's caption, the text of a line or a box.
    template <typename Name> QString text(const Name& name) const {
        const QWidget* w = find<QWidget>(name);
        return w->property(w->inherits("QPlainTextEdit") ? "plainText" : "text").toString();
    }
    // The texts of several widgets, joined with '|'.
    QString texts(std::initializer_list<const char*> names) const {
        QStringList shown;
        for (const char* name : names)
            shown << text(name);
        return shown.join(QLatin1Char('|'));
    }
    int tab() const { return find<QTabWidget>("SSTab1")->currentIndex(); }
    // Clicks the tab's caption, as the user changes tabs.
    void showTab(int index) const {
        QTabBar* bar = find<QTabWidget>("SSTab1")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }

    TestFolders folders; // first, so it outlives the window
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

// While alive, hands each modal dialog that opens to the handler, inside the dialog's own event loop. A
// dialog the handler leaves open is closed after Timeout, so a failing test fails instead of hanging.
class ModalHandler {
public:
    explicit ModalHandler(std::function<void(QWidget*)> handler)
        : m_handler(std::move(handler)) {
        QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog || dialog == m_handled)
                return;
            m_handled = dialog;
            ++opened;
            QTimer::singleShot(Timeout, dialog, [dialog] { dialog->close(); });
            m_handler(dialog);
        });
        m_poll.start(5);
    }
    int opened = 0;

private:
    std::function<void(QWidget*)> m_handler;
    QPointer<QWidget> m_handled;
    QTimer m_poll;
};
