// The help: each topic opens its page in the one help window, at the section of the current language; every
// page carries both languages, and every link between the pages leads to a page and an anchor that exist.

#include "app/Help.h"
#include "app/Resources.h"
#include "app/Texts.h"

#include <QDialog>
#include <QDir>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QtTest>

namespace {

const QString HelpDir = QStringLiteral(":/telvane/help");

QStringList helpPages() {
    return QDir(HelpDir).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
}

QUrl pageUrl(const QString& page) {
    return QUrl(QStringLiteral("qrc:/telvane/help/") + page);
}

// Every anchor name and every link target of a loaded document.
void scanDocument(const QTextDocument* document, QStringList* names, QStringList* hrefs) {
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isAnchor())
                continue;
            if (names)
                *names << format.anchorNames();
            if (hrefs && !format.anchorHref().isEmpty())
                *hrefs << format.anchorHref();
        }
    }
}

} // namespace

class HelpTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void topicPages_data();
    void topicPages();
    void topicUrlOpensAtLanguage_data();
    void topicUrlOpensAtLanguage();
    void everyPageIsBilingual_data();
    void everyPageIsBilingual();
    void everyLinkLeadsSomewhere_data();
    void everyLinkLeadsSomewhere();
    void contentsLinkEveryTopic();

    void oneWindowForEveryTopic();
    void windowFollowsItsOwner();
    void unknownTopicOpensContents();
    void titleAndSectionFollowLanguage_data();
    void titleAndSectionFollowLanguage();
    void englishOpensFurtherDown();
    void navigationButtons();
};

void HelpTest::initTestCase() {
    EnsureResources();
}

void HelpTest::cleanup() {
    SetLanguageOffset(0);
}

void HelpTest::topicPages_data() {
    QTest::addColumn<int>("topic");
    QTest::addColumn<QString>("page");
    QTest::newRow("settings tab") << 1100 << "settings.html";
    QTest::newRow("command line tab") << 1200 << "commandline.html";
    QTest::newRow("editor tab") << 1300 << "editor.html";
    QTest::newRow("quick dial tab") << 1400 << "quickdial.html";
    QTest::newRow("assistant") << 1800 << "assistant.html";
    QTest::newRow("none") << 0 << "";
    QTest::newRow("negative") << -1100 << "";
    QTest::newRow("between") << 1500 << "";
    QTest::newRow("next to the assistant") << 1801 << "";
}

void HelpTest::topicPages() {
    QFETCH(int, topic);
    QFETCH(QString, page);
    QCOMPARE(HelpPageForTopic(topic), page);
    if (!page.isEmpty())
        QVERIFY2(QFile::exists(HelpDir + QLatin1Char('/') + page), qPrintable(page));
}

void HelpTest::topicUrlOpensAtLanguage_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("topic");
    QTest::addColumn<QString>("url");
    QTest::newRow("German settings") << 0 << 1100 << "qrc:/telvane/help/settings.html#de";
    QTest::newRow("English settings") << 10000 << 1100 << "qrc:/telvane/help/settings.html#en";
    QTest::newRow("English assistant") << 10000 << 1800 << "qrc:/telvane/help/assistant.html#en";
    QTest::newRow("German unknown") << 0 << 42 << "qrc:/telvane/help/index.html#de";
}

void HelpTest::topicUrlOpensAtLanguage() {
    QFETCH(int, offset);
    QFETCH(int, topic);
    QFETCH(QString, url);
    SetLanguageOffset(offset);
    QCOMPARE(HelpTopicUrl(topic).toString(), url);
}

void HelpTest::everyPageIsBilingual_data() {
    QTest::addColumn<QString>("page");
    const QStringList pages = helpPages();
    QVERIFY(pages.size() >= 6);
    for (const QString& page : pages)
        QTest::newRow(qPrintable(page)) << page;
}

void HelpTest::everyPageIsBilingual() {
    QFETCH(QString, page);
    QTextBrowser browser;
    browser.setSource(pageUrl(page));
    const QTextDocument* document = browser.document();
    QVERIFY(!document->isEmpty());
    QVERIFY(!document->metaInformation(QTextDocument::DocumentTitle).isEmpty());

    QStringList names;
    scanDocument(document, &names, nullptr);
    QVERIFY2(names.contains(QStringLiteral("de")), "no German section");
    QVERIFY2(names.contains(QStringLiteral("en")), "no English section");
    // The German part must come through as text, not as mis-decoded bytes.
    const QString text = document->toPlainText();
    QVERIFY(text.contains(QRegularExpression(QStringLiteral("[äöüÄÖÜß]"))));
    QVERIFY(!text.contains(QStringLiteral("Ã")));
    // German first, then English.
    QVERIFY(names.indexOf(QStringLiteral("de")) < names.indexOf(QStringLiteral("en")));
}

void HelpTest::everyLinkLeadsSomewhere_data() {
    everyPageIsBilingual_data();
}

void HelpTest::everyLinkLeadsSomewhere() {
    QFETCH(QString, page);
    QTextBrowser browser;
    const QUrl base = pageUrl(page);
    browser.setSource(base);
    QStringList hrefs;
    scanDocument(browser.document(), nullptr, &hrefs);
    QVERIFY(!hrefs.isEmpty());

    for (const QString& href : std::as_const(hrefs)) {
        const QUrl target = base.resolved(QUrl(href));
        QCOMPARE(target.scheme(), QStringLiteral("qrc"));
        QVERIFY2(QFile::exists(QLatin1Char(':') + target.path()), qPrintable(href));
        // Following the link in the browser lands on that page, at an anchor that exists there.
        QTextBrowser follower;
        follower.setSource(target);
        QCOMPARE(follower.source().path(), target.path());
        if (target.hasFragment()) {
            QStringList names;
            scanDocument(follower.document(), &names, nullptr);
            QVERIFY2(names.contains(target.fragment()), qPrintable(page + QStringLiteral(" -> ") + href));
        }
    }
}

void HelpTest::contentsLinkEveryTopic() {
    QTextBrowser browser;
    browser.setSource(HelpContentsUrl());
    QStringList hrefs;
    scanDocument(browser.document(), nullptr, &hrefs);
    for (const int topic : {1100, 1200, 1300, 1400, 1800}) {
        const QString page = HelpPageForTopic(topic);
        QVERIFY2(hrefs.contains(page + QStringLiteral("#de")), qPrintable(page));
        QVERIFY2(hrefs.contains(page + QStringLiteral("#en")), qPrintable(page));
    }
}

void HelpTest::oneWindowForEveryTopic() {
    QWidget owner;
    owner.show();
    ShowHelpTopic(&owner, 1100);
    HelpWindow* help = CurrentHelpWindow();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(owner.findChild<QTextBrowser*>(QStringLiteral("helpBrowser")), help->browser());
    QCOMPARE(help->browser()->source().fileName(), QStringLiteral("settings.html"));

    ShowHelpTopic(&owner, 1800);
    QCOMPARE(CurrentHelpWindow(), help);
    QCOMPARE(help->topic(), 1800);
    QCOMPARE(help->browser()->source().fileName(), QStringLiteral("assistant.html"));
    QVERIFY(help->browser()->document()->toPlainText().contains(QStringLiteral("Befehlsassistent")));
    QCOMPARE(owner.findChildren<HelpWindow*>().size(), 1);
}

void HelpTest::windowFollowsItsOwner() {
    QWidget main;
    main.show();
    ShowHelpTopic(&main, 1300);
    QPointer<HelpWindow> help = CurrentHelpWindow();
    QVERIFY(help);
    QCOMPARE(help->parentWidget(), &main);

    {
        // A modal dialog asking for help takes the window over, so the window is not blocked by it.
        QDialog assistant(&main);
        assistant.setModal(true);
        assistant.show();
        ShowHelpTopic(&assistant, 1800);
        QCOMPARE(CurrentHelpWindow(), help.data());
        QCOMPARE(help->parentWidget(), &assistant);
        QVERIFY(help->isWindow());
        QVERIFY(help->isVisible());
        QCOMPARE(help->topic(), 1800);
    }
    // The window went with its owner; the next call makes a new one.
    QVERIFY(help.isNull());
    QVERIFY(!CurrentHelpWindow());
    ShowHelpTopic(&main, 1400);
    QVERIFY(CurrentHelpWindow());
    QCOMPARE(CurrentHelpWindow()->parentWidget(), &main);
    QCOMPARE(CurrentHelpWindow()->browser()->source().fileName(), QStringLiteral("quickdial.html"));
}

void HelpTest::unknownTopicOpensContents() {
    QWidget owner;
    ShowHelpTopic(&owner, 4711);
    QVERIFY(CurrentHelpWindow());
    QCOMPARE(CurrentHelpWindow()->topic(), 4711);
    QCOMPARE(CurrentHelpWindow()->browser()->source().fileName(), QStringLiteral("index.html"));
}

void HelpTest::titleAndSectionFollowLanguage_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("section");
    QTest::newRow("German") << 0 << "Hilfe"
                            << "de";
    QTest::newRow("English") << 10000 << "Help"
                             << "en";
}

void HelpTest::titleAndSectionFollowLanguage() {
    QFETCH(int, offset);
    QFETCH(QString, title);
    QFETCH(QString, section);
    SetLanguageOffset(offset);
    QWidget owner;
    owner.show();
    ShowHelpTopic(&owner, 1400);
    HelpWindow* help = CurrentHelpWindow();
    QVERIFY(help);
    QCOMPARE(help->windowTitle(), title);
    QCOMPARE(help->browser()->source().fragment(), section);
}

void HelpTest::englishOpensFurtherDown() {
    QWidget owner;
    owner.show();
    ShowHelpTopic(&owner, 1100);
    HelpWindow* help = CurrentHelpWindow();
    QVERIFY(help);
    QScrollBar* scroll = help->browser()->verticalScrollBar();
    QTRY_VERIFY_WITH_TIMEOUT(scroll->maximum() > 0, 10000);
    const int german = scroll->value();

    // The English part follows the German one, so the window opens scrolled down to it.
    SetLanguageOffset(10000);
    ShowHelpTopic(&owner, 1100);
    QCOMPARE(CurrentHelpWindow(), help);
    QTRY_VERIFY_WITH_TIMEOUT(scroll->value() > german, 10000);
}

void HelpTest::navigationButtons() {
    QWidget owner;
    owner.show();
    ShowHelpTopic(&owner, 1200);
    HelpWindow* help = CurrentHelpWindow();
    QVERIFY(help);
    auto* back = help->findChild<QToolButton*>(QStringLiteral("cmdHelpBack"));
    auto* contents = help->findChild<QToolButton*>(QStringLiteral("cmdHelpContents"));
    QVERIFY(back && contents);
    QVERIFY(!back->isEnabled());

    QTest::mouseClick(contents, Qt::LeftButton);
    QCOMPARE(help->browser()->source().fileName(), QStringLiteral("index.html"));
    QVERIFY(back->isEnabled());
    QTest::mouseClick(back, Qt::LeftButton);
    QCOMPARE(help->browser()->source().fileName(), QStringLiteral("commandline.html"));
}

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
