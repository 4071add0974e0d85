#include "gui/Help.h"

#include "core/texts/Texts.h"
#include "gui/GuiResources.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QPointer>
#include <QResizeEvent>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

// Part of the application shell's logging: "telvane.app.*" switches it on with the rest.
Q_LOGGING_CATEGORY(lcHelp, "telvane.app.help", QtWarningMsg)

namespace {
const QString HelpFolder = QStringLiteral("qrc:/telvane/help/");

QPointer<HelpWindow>& helpWindow() {
    static QPointer<HelpWindow> window;
    return window;
}

// The window goes with its owner (a dialog); the next one should not fall back to the first size.
QSize& helpWindowSize() {
    static QSize size(720, 560);
    return size;
}

// Each page holds both languages; it opens at the section of the current one.
QString languageAnchor() {
    return LanguageOffset() != 0 ? QStringLiteral("en") : QStringLiteral("de");
}

QToolButton* navigationButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon,
                              TextId caption) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(parent->style()->standardIcon(icon));
    // Icons only: the name and the tooltip say what they do.
    button->setAccessibleName(GetText(caption));
    button->setToolTip(GetText(caption));
    button->setAutoRaise(true);
    return button;
}
} // namespace

QString helpPageForTopic(int topic) {
    switch (topic) {
    case HelpTopics::Settings:
        return QStringLiteral("settings.html");
    case HelpTopics::CommandLine:
        return QStringLiteral("commandline.html");
    case HelpTopics::ScriptEditor:
        return QStringLiteral("editor.html");
    case HelpTopics::QuickDial:
        return QStringLiteral("quickdial.html");
    case HelpTopics::Assistant:
        return QStringLiteral("assistant.html");
    default:
        return {};
    }
}

QUrl helpContentsUrl() {
    return QUrl(HelpFolder + QStringLiteral("index.html"));
}

QUrl helpTopicUrl(int topic) {
    const QString page = helpPageForTopic(topic);
    QUrl url = page.isEmpty() ? helpContentsUrl() : QUrl(HelpFolder + page);
    url.setFragment(languageAnchor());
    return url;
}

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    ensureGuiResources();
    setObjectName(QStringLiteral("frmHelp"));
    // Reading text, not the fixed layout's narrow captions: take the desktop's font, not the owner's.
    setFont(QApplication::font());
    resize(helpWindowSize());

    auto* back = navigationButton(this, "cmdHelpBack", QStyle::SP_ArrowBack, TextId::HelpBackName);
    auto* forward =
        navigationButton(this, "cmdHelpForward", QStyle::SP_ArrowForward, TextId::HelpForwardName);
    auto* contents =
        navigationButton(this, "cmdHelpContents", QStyle::SP_DirHomeIcon, TextId::HelpContentsName);
    back->setEnabled(false);
    forward->setEnabled(false);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(false);
    m_browser->setAccessibleName(GetText(TextId::HelpTextName));

    auto* bar = new QHBoxLayout;
    bar->addWidget(back);
    bar->addWidget(forward);
    bar->addWidget(contents);
    bar->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_browser, 1);

    connect(back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(contents, &QToolButton::clicked, this, [this] {
        QUrl url = helpContentsUrl();
        url.setFragment(languageAnchor());
        m_browser->setSource(url);
    });
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);
}

void HelpWindow::showTopic(int topic) {
    m_topic = topic;
    setWindowTitle(GetText(TextId::HelpTitle));
    const QUrl url = helpTopicUrl(topic);
    m_browser->setSource(url);
    if (m_browser->document()->isEmpty())
        qCWarning(lcHelp) << "help page missing for topic" << topic << url;
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    // A window of its own, not a dialog: nothing else closes it on Esc.
    if (event->matches(QKeySequence::Cancel)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A maximised window's size is the screen's, not one the reader chose.
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        helpWindowSize() = event->size();
}

void ShowHelpTopic(QWidget* owner, int topic) {
    QPointer<HelpWindow>& window = helpWindow();
    if (!window)
        window = new HelpWindow(owner);
    else if (window->parentWidget() != owner)
        // A window owned by the main window would be blocked while a modal dialog asks for help.
        window->setParent(owner, window->windowFlags());
    window->showTopic(topic);
    window->show();
    window->raise();
    window->activateWindow();
}

HelpWindow* currentHelpWindow() {
    return helpWindow();
}
