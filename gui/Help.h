#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QTextBrowser;

// Help topics: one per tab of the main window, one for the command assistant.
namespace HelpTopics {
constexpr int Settings = 1100;
constexpr int CommandLine = 1200;
constexpr int ScriptEditor = 1300;
constexpr int QuickDial = 1400;
constexpr int Assistant = 1800;
} // namespace HelpTopics

// The help pages are compiled in: one set for both languages, each page holding a German and an English
// section (anchors "de" and "en").
QString helpPageForTopic(int topic); // the page's file name, "" for a topic without a page
QUrl helpContentsUrl();
// The page of a topic at the section of the current language; the contents page for an unknown topic.
QUrl helpTopicUrl(int topic);

// The program's one help window, reused for every topic. Esc closes it; a new one opens at the size the
// reader last gave one.
class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void showTopic(int topic);
    int topic() const { return m_topic; }
    QTextBrowser* browser() const { return m_browser; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QTextBrowser* m_browser = nullptr;
    int m_topic = 0;
};

// Shows the help at a topic (1100, 1200, 1300, 1400 for the main window's tabs, 1800 for the assistant) in
// the help window, owned by the given window: a help window owned by a modal dialog stays usable.
void ShowHelpTopic(QWidget* owner, int topic);

// The help window once ShowHelpTopic has opened it, else nullptr.
HelpWindow* currentHelpWindow();
