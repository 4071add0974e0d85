// The main window as the user meets it: places, captions that fit and the language switch, start-up and exit
// through real files, the tab rules and the help, the slot buttons, configuration files through their
// dialogs, the function keys, and the command line, state line and runs against a peer.

#include "support/GuiSupport.h"

#include "core/files/Platform.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/scripts/QuickDialConfig.h"
#include "core/scripts/QuickDialMemory.h"
#include "core/texts/Texts.h"
#include "gui/Help.h"
#include "gui/StatusStrip.h"
#include "gui/WrappingButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleOptionGroupBox>
#include <QTableView>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QStringList parts(const QString& text) {
    return text.split(u'|');
}

// Opens the window on the tab with its link to the peer, and waits until the link has enabled the run
// buttons.
bool openConnected(WindowHarness& h, const LoopbackPeer& peer, int tab) {
    h.folders.writeSetup(
        {{u"Name"_s, u"127.0.0.1"_s}, {u"Port"_s, peer.portText()}, {u"SelTab"_s, QString::number(tab)}});
    h.open();
    h.find<QCheckBox>("chkConnect")->setChecked(true);
    h.window->link()->TryConnect();
    return QTest::qWaitFor(
        [&] { return peer.connected() && h.find<QPushButton>("cmdCommand1")->isEnabled(); }, Timeout);
}

// Slot 1 holds two commands, slot 4 one.
QuickDialSlots sampleSlots() {
    QuickDialSlots memory{};
    memory[0] = {u"Two"_s, u"two"_s, {{u"SM 1"_s, {}}, {u"GM"_s, {}}}};
    memory[3] = {u"Four"_s, u"Note"_s, {{u"SM 1"_s, u"start"_s}}};
    return memory;
}

// Types the commands into the editor by hand, with a caption and a description.
void fillEditor(WindowHarness& h, const QStringList& commands, const QString& caption = u"Editor"_s) {
    for (const QString& command : commands) {
        h.dialogs.inputAnswers = {command};
        QTest::mouseClick(h.find<QPushButton>("cmdCreateManualCommand"), Qt::LeftButton);
    }
    h.find<QLineEdit>("txtLabel")->setText(caption);
    h.find<QPlainTextEdit>("txtNote")->setPlainText(u"Note"_s);
}

// Where each fixed text shows ("widget" or "widget#index"), in the order of the text ids from WindowCaption;
// "-" for the version and the date, which are filled in.
const char* const FixedTexts =
    "frmMain SSTab1#0 SSTab1#1 SSTab1#2 SSTab1#3 fraSoftwareSel cboDevice#0 cboDevice#1 fraTarget labPort "
    "labIp "
    "cmdThisSystem chkConnect fraLanguage fraSend cmdCreateCommand1 cmdSend fraReceive cmdDeleteList "
    "labInfo1 "
    "labInfo2 fraEditScript cmdCreateCommand2 cmdCreateManualCommand labCommands chkAbove cmdDeleteCommand "
    "labCaption labNote cmdCommandTest cmdSave cmdGetCommand cmdDeleteScript fraStorage labInfo3 frmStorage "
    "cmdLoadConfig cmdSaveConfig labInfo4 cmdCancelCommandScript cmdQuit cboLanguage#0 cboLanguage#1 "
    "labCommandScriptCompleted lstCommands#0 lstCommands#1 lsvMsg#0 lsvMsg#1 lsvMsg#2 - - fraVersion";

QString shownText(const QWidget& window, const QString& where) {
    const QStringList place = where.split(u'#');
    const int index = place.value(1).toInt();
    const QObject* o = window.findChild<QObject*>(place.at(0));
    if (place.at(0) == u"frmMain"_s)
        return window.windowTitle();
    if (const auto* tabs = qobject_cast<const QTabWidget*>(o))
        return tabs->tabText(index);
    if (const auto* box = qobject_cast<const QGroupBox*>(o))
        return box->title();
    if (const auto* combo = qobject_cast<const QComboBox*>(o))
        return combo->itemText(index);
    if (const auto* tree = qobject_cast<const QTreeWidget*>(o))
        return tree->headerItem()->text(index);
    if (const auto* view = qobject_cast<const QTableView*>(o))
        return view->model()->headerData(index, Qt::Horizontal).toString();
    return o ? o->property("text").toString() : u"<no widget>"_s;
}

// Every caption that does not fit its widget in the widget's own font and style.
QStringList captionsThatDoNotFit(const QWidget& window) {
    QStringList failures;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        const QFontMetrics fm(w->font());
        const QStyle* style = w->style();
        QString text = w->property("text").toString();
        bool fits = true;
        if (const auto* wrapping = qobject_cast<const WrappingButton*>(w)) {
            const QRect area = wrapping->captionRect();
            fits = area.contains(fm.boundingRect(area, wrapping->captionFlags(), text));
        } else if (qobject_cast<const QPushButton*>(w)) {
            const int margins = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w) +
                                2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
            fits = fm.horizontalAdvance(text) + margins <= w->width() && fm.height() <= w->height();
        } else if (qobject_cast<const QCheckBox*>(w)) {
            fits = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                       style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w) +
                       fm.horizontalAdvance(text) <=
                   w->width();
        } else if (const auto* label = qobject_cast<const QLabel*>(w); label && !label->wordWrap()) {
            // A label sized to its text must still lie inside the frame that holds it.
            fits = fm.horizontalAdvance(text) <= label->contentsRect().width() &&
                   fm.height() <= label->contentsRect().height() &&
                   label->parentWidget()->rect().contains(label->geometry());
        } else if (const auto* box = qobject_cast<const QGroupBox*>(w)) {
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = text = box->title();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect caption =
                style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
            // The frame's top must not be cut off by the page above it either.
            fits = caption.width() >= fm.horizontalAdvance(text) && box->rect().contains(caption) &&
                   box->mapToParent(caption.topLeft()).y() >= 0;
        }
        if (!fits)
            failures << w->objectName() + u": "_s + text;
    }
    const auto* tabs = window.findChild<QTabWidget*>(u"SSTab1"_s);
    const QTabBar* bar = tabs->tabBar();
    const int padding = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    for (int i = 0; i < bar->count(); ++i) {
        if (bar->tabRect(i).width() <
                QFontMetrics(bar->font()).horizontalAdvance(bar->tabText(i)) + padding ||
            bar->mapTo(tabs, bar->tabRect(i).topRight()).x() >= tabs->width())
            failures << u"tab: "_s + bar->tabText(i);
    }
    return failures;
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void placesCaptionsAndLanguages();
    void startAndExit_data();
    void startAndExit();
    void tabRules_data();
    void tabRules();
    void helpWindowAndPages();
    void slotButtons_data();
    void slotButtons();
    void configFiles();
    void functionKeys_data();
    void functionKeys();
    void commandLineStateLineAndRuns();
};

void WindowTest::placesCaptionsAndLanguages() {
    WindowHarness h({{u"Language"_s, u"0"_s}, {u"SelTab"_s, u"2"_s}, {u"Device"_s, u"1"_s}});
    QWidget& window = h.open();
    auto* tabs = h.find<QTabWidget>("SSTab1");
    QCOMPARE(window.size(), QSize(651, 445));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    // Design places in twips, relative to the container, the tab strip included on a tab. No width: sized
    // to its text.
    const struct {
        const char* name;
        const char* container;
        int tab;
        QRect twips;
    } places[] = {{"SSTab1", "frmMain", 0, {120, 60, 9495, 6135}},
                  {"cboDevice", "fraSoftwareSel", 0, {360, 360, 8415, 315}},
                  {"labPort", "fraTarget", 0, {360, 360, 0, 0}},
                  {"labInfo1", "SSTab1", 0, {180, 5280, 9195, 795}},
                  {"lsvMsg", "fraReceive", 1, {240, 360, 8715, 2595}},
                  {"cmdSave", "SSTab1", 2, {6780, 2100, 975, 615}},
                  {"cmdF8", "fraStorage", 2, {180, 4140, 1095, 495}},
                  {"cmdCommand6", "frmStorage", 3, {4920, 1440, 1755, 1035}},
                  {"txtCommandDescript3", "frmStorage", 3, {2280, 2520, 2175, 1035}},
                  {"cmdQuit", "frmMain", 3, {8400, 6240, 1215, 375}}};
    for (const auto& p : places) {
        h.showTab(p.tab);
        auto* widget = h.find<QWidget>(p.name);
        QWidget* parent = qstrcmp(p.container, "frmMain") == 0 ? &window : h.find<QWidget>(p.container);
        QVERIFY2(widget && parent && parent->isAncestorOf(widget), p.name);
        QCOMPARE(widget->mapTo(parent, QPoint(0, 0)), p.twips.topLeft() / 15);
        if (p.twips.width() > 0)
            QCOMPARE(widget->size(), p.twips.size() / 15);
    }

    // Switched at run time, every fixed text is in the new language and fits; the tab and the device row
    // the user picked stay.
    auto* language = h.find<QComboBox>("cboLanguage");
    auto* device = h.find<QComboBox>("cboDevice");
    QTest::keyClick(device, Qt::Key_Up);
    const QStringList fixedTexts = QString::fromLatin1(FixedTexts).split(u' ');
    for (const int row : {1, 0, 1}) {
        const int tab = tabs->currentIndex();
        QTest::keyClick(language, row ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(LanguageOffset(), EnglishOffset * row);
        QCOMPARE(tabs->currentIndex(), tab);
        QCOMPARE(device->currentIndex(), 0);
        for (int i = 0; i < fixedTexts.size(); ++i) {
            if (fixedTexts.at(i) != u"-"_s)
                QCOMPARE(shownText(window, fixedTexts.at(i)), GetText(TextId::WindowCaption + i));
        }
        QCOMPARE(h.find<QLabel>("labProgramVersion")->text() + h.find<QLabel>("labProgramDate")->text(),
                 row ? u"Program version: V" TELVANE_VERSION "Date: 02.04.2007"_s
                     : u"Programmversion: V" TELVANE_VERSION "Datum: 02.04.2007"_s);
        for (int page = 0; page < 4; ++page) {
            h.showTab(page);
            const QStringList failures = captionsThatDoNotFit(window);
            QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
        }
        // So does every state the link can report.
        auto* state = h.find<QLabel>("labState");
        for (int number = 0; number < TargetLink::StateCount; ++number) {
            h.find<StatusStrip>("statusStrip")->RefreshLinkState(number);
            QVERIFY2(state->heightForWidth(state->width()) <= state->height(), qPrintable(state->text()));
        }
    }
}

void WindowTest::startAndExit_data() {
    QTest::addColumn<QByteArray>("templateIni"); // with a DefaultCommandSet.cfg beside it unless empty
    QTest::addColumn<QString>("iniName");
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("shown"); // port, name (empty: this computer), device, connect, language, tab
    QTest::newRow("first start copies the templates")
        << QByteArray(
               "[SETTINGS]\r\nPort=7000\r\nName=plant\r\nDevice=1\r\nConnect=0\r\nLanguage=1\r\nSelTab=2\r\n")
        << QString() << QByteArray() << u"7000|plant|1|0|1|2"_s;
    QTest::newRow("no files at all") << QByteArray() << QString() << QByteArray() << u"6060||0|2|0|0"_s;
    QTest::newRow("greyed box, SETUP.INI of any case")
        << QByteArray("[SETTINGS]\r\nPort=1111\r\n") << u"SETUP.INI"_s
        << QByteArray("[SETTINGS]\r\nPort=2222\r\nConnect=2\r\nSelTab=3\r\n") << u"2222||0|1|0|3"_s;
}

void WindowTest::startAndExit() {
    QFETCH(QByteArray, templateIni);
    QFETCH(QString, iniName);
    QFETCH(QByteArray, ini);
    QFETCH(QString, shown);
    WindowHarness h;
    QVERIFY(QFile::remove(h.folders.setupIni()));
    QuickDialSlots memory{};
    memory[4].caption = u"Long"_s;
    for (int i = 0; i < 3000; ++i)
        memory[4].lines.append({u"SP %1 %2"_s.arg(i % 100).arg(i % 32), u"Step %1"_s.arg(i)});
    if (!templateIni.isEmpty()) {
        QVERIFY(writeBytes(h.folders.program() + u"setup.ini"_s, templateIni));
        QVERIFY(SaveQuickDialFile(h.folders.program() + u"DefaultCommandSet.cfg"_s, memory));
    }
    if (!iniName.isEmpty())
        QVERIFY(writeBytes(h.folders.settings() + iniName, ini));
    const QByteArray config = readBytes(h.folders.program() + u"DefaultCommandSet.cfg"_s);
    auto shownSettings = [&] {
        QString name = h.find<QLineEdit>("txtPcName")->text();
        return QStringList{h.find<QLineEdit>("txtPort")->text(),
                           name == Platform::LocalHostName() ? QString() : name,
                           QString::number(h.find<QComboBox>("cboDevice")->currentIndex()),
                           QString::number(h.find<QCheckBox>("chkConnect")->checkState()),
                           QString::number(h.find<QComboBox>("cboLanguage")->currentIndex()),
                           QString::number(h.find<QTabWidget>("SSTab1")->currentIndex())}
            .join(u'|');
    };
    h.open();
    QCOMPARE(shownSettings(), shown);
    QCOMPARE(h.find<QPushButton>("cmdCommand5")->text(), config.isEmpty() ? u"[Leer]"_s : u"Long"_s);

    // What the user changes is what the next start shows.
    h.showTab(0);
    h.find<QLineEdit>("txtPort")->clear();
    QTest::keyClicks(h.find<QLineEdit>("txtPort"), u"5000"_s);
    h.find<QLineEdit>("txtPcName")->setText(u"elsewhere"_s);
    QTest::mouseClick(h.find<QPushButton>("cmdThisSystem"), Qt::LeftButton);
    QTest::keyClick(h.find<QComboBox>("cboDevice"), parts(shown)[2] == u"1"_s ? Qt::Key_Up : Qt::Key_Down);
    QTest::mouseClick(h.find<QCheckBox>("chkConnect"), Qt::LeftButton);
    // A click makes a greyed box a plain one again.
    QVERIFY(!h.find<QCheckBox>("chkConnect")->isTristate());
    QTest::keyClick(h.find<QComboBox>("cboLanguage"), parts(shown)[4] == u"1"_s ? Qt::Key_Up : Qt::Key_Down);
    h.showTab((parts(shown)[5].toInt() + 1) % 4);
    const QString changed = shownSettings();
    QTest::mouseClick(h.find<QPushButton>("cmdQuit"), Qt::LeftButton);
    QVERIFY(!h.window->isVisible());
    h.close();
    QCOMPARE(QDir(h.folders.settings()).entryList({u"*.ini"_s}, QDir::Files).size(), 1);
    // The configuration is written back as it was read, long slot and all.
    if (config.isEmpty())
        QCOMPARE(LoadQuickDialFile(h.folders.defaultConfig()), QuickDialSlots{});
    else
        QCOMPARE(readBytes(h.folders.defaultConfig()), config);
    h.open();
    QCOMPARE(shownSettings(), changed);
    QCOMPARE(parts(changed)[1], QString());
    for (const int i : {0, 2, 3, 4, 5})
        QVERIFY2(parts(changed)[i] != parts(shown)[i], qPrintable(changed));
    QVERIFY(h.dialogs.calls.isEmpty());
}

void WindowTest::tabRules_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    for (int from = 0; from < 4; ++from) {
        for (int to = 0; to < 4; ++to)
            QTest::addRow("%d to %d", from, to) << from << to;
    }
}

void WindowTest::tabRules() {
    QFETCH(int, from);
    QFETCH(int, to);
    WindowHarness h({{u"SelTab"_s, QString::number(from)}});
    h.open();
    QTest::mouseClick(h.find<QPushButton>("cmdHelp"), Qt::LeftButton);
    auto* notice = h.find<QLabel>("labCommandScriptCompleted");
    notice->show();
    h.window->memory()->toggleDelete();

    h.showTab(to);
    QCOMPARE(h.find<QTabWidget>("SSTab1")->currentIndex(), to);
    QCOMPARE(notice->isHidden(), from != to);
    // Pending slot modes end with a change to any tab but the quick-dial tab.
    QCOMPARE(h.window->memory()->DeletePending(), from == to || to == MainWindow::QuickDialTab);

    // Help opens the shown tab's topic in the current language, in the one help window.
    QTest::mouseClick(h.find<QPushButton>("cmdHelp"), Qt::LeftButton);
    const QStringList pages = parts(u"settings|commandline|editor|quickdial"_s);
    HelpWindow* help = CurrentHelpWindow();
    QVERIFY(help && help->isVisible() && help->isWindow());
    QCOMPARE(h.window->findChildren<HelpWindow*>(), QList<HelpWindow*>{help});
    QCOMPARE(help->topic(), 1100 + 100 * to);
    QCOMPARE(help->windowTitle(), u"Help"_s);
    QCOMPARE(help->browser()->source().toString(), u"qrc:/telvane/help/%1.html#en"_s.arg(pages[to]));
}

void WindowTest::helpWindowAndPages() {
    SetLanguageOffset(0);
    QWidget main;
    main.show();
    ShowHelpTopic(&main, HelpTopics::ScriptEditor);
    QPointer<HelpWindow> help = CurrentHelpWindow();
    {
        // A modal dialog asking for help takes the window over, so the help is not blocked by it.
        QDialog assistant(&main);
        assistant.setModal(true);
        assistant.show();
        ShowHelpTopic(&assistant, HelpTopics::Assistant);
        QCOMPARE(CurrentHelpWindow(), help.data());
        QCOMPARE(help->parentWidget(), &assistant);
        QVERIFY(help->isWindow() && help->isVisible());
        QCOMPARE(help->windowTitle(), u"Hilfe"_s);
        QCOMPARE(help->browser()->source().toString(), u"qrc:/telvane/help/assistant.html#de"_s);
    }
    // The window went with its owner; the next call makes a new one. An unknown topic opens the contents.
    QVERIFY(help.isNull());
    ShowHelpTopic(&main, 4711);
    QCOMPARE(CurrentHelpWindow()->parentWidget(), &main);
    QCOMPARE(CurrentHelpWindow()->browser()->source().fileName(), u"index.html"_s);

    // Each page holds German, then English, read as such; each link leads to a page and an anchor that exist.
    const QDir folder(u":/telvane/help"_s);
    const QStringList pages = folder.entryList({u"*.html"_s}, QDir::Files);
    QVERIFY(pages.size() >= 6);
    auto source = [&](const QString& page) { return QString::fromUtf8(readBytes(folder.filePath(page))); };
    for (const QString& page : pages) {
        const QString text = source(page);
        QVERIFY2(text.indexOf(u"name=\"de\""_s) < text.indexOf(u"name=\"en\""_s), qPrintable(page));
        QTextBrowser browser;
        browser.setSource(QUrl(u"qrc:/telvane/help/"_s + page));
        QVERIFY(browser.document()->toPlainText().contains(QRegularExpression(u"[äöüß]"_s)));
        for (const auto& link : QRegularExpression(u"<a href=\"([^\"#]*)#?([^\"]*)\""_s).globalMatch(text)) {
            const QString target = link.captured(1).isEmpty() ? page : link.captured(1);
            QVERIFY2(folder.exists(target), qPrintable(page + u' ' + target));
            QVERIFY2(link.captured(2).isEmpty() ||
                         source(target).contains(u"name=\"%1\""_s.arg(link.captured(2))),
                     qPrintable(page + u' ' + link.captured(0)));
        }
    }
}

void WindowTest::slotButtons_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("caption");
    // Run button, choice button and its tooltip, description box, the editor's caption and first command, the
    // slot's first command.
    QTest::addColumn<QString>("shown");
    QTest::newRow("store shows user text as typed")
        << u"cmdSave"_s << false << u"<b>Production</b>"_s
        << u"<b>Production</b>|<b>Product...|Caption: <b>Production</b>|Note|<b>Production</b>|GM|GM"_s;
    QTest::newRow("fetch") << u"cmdGetCommand"_s << false << u"other"_s
                           << u"Four|Four...|Caption: Four|Note|Four|SM 1|SM 1"_s;
    QTest::newRow("delete, Yes") << u"cmdDeleteScript"_s << true << u"other"_s << u"|[Empty]|||other|GM|"_s;
    QTest::newRow("delete, No") << u"cmdDeleteScript"_s << false << u"other"_s
                                << u"Four|Four...|Caption: Four|Note|other|GM|SM 1"_s;
}

void WindowTest::slotButtons() {
    QFETCH(QString, mode);
    QFETCH(bool, yes);
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    WindowHarness h({{u"SelTab"_s, u"2"_s}});
    QVERIFY(SaveQuickDialFile(h.folders.defaultConfig(), sampleSlots()));
    h.open();
    fillEditor(h, {u"GM"_s}, caption);
    QTest::mouseClick(h.find<QPushButton>(mode), Qt::LeftButton);

    // The window's timer lets the choice buttons blink while the mode is pending.
    auto* choice = h.find<QPushButton>("cmdF4");
    const QColor normal = choice->palette().color(QPalette::Button);
    QTRY_COMPARE_WITH_TIMEOUT(choice->palette().color(QPalette::Button), QColor(0, 255, 0), Timeout);
    QVERIFY(choice->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(choice->palette().color(QPalette::Button), normal, Timeout);
    h.dialogs.questionAnswers = {yes};
    QTest::mouseClick(choice, Qt::LeftButton);

    QTextDocument toolTip;
    toolTip.setHtml(choice->toolTip());
    QCOMPARE((QStringList{h.find<QPushButton>("cmdCommand4")->text(), choice->text(), toolTip.toPlainText(),
                          h.find<QPlainTextEdit>("txtCommandDescript4")->toPlainText(),
                          h.find<QLineEdit>("txtLabel")->text(),
                          h.find<QTreeWidget>("lstCommands")->topLevelItem(0)->text(0),
                          h.window->memory()->slotAt(4).lines.value(0).command}),
             parts(shown));
    QVERIFY(!h.window->memory()->anyModePending());
    QTRY_VERIFY_WITH_TIMEOUT(!choice->isEnabled(), Timeout);
    QCOMPARE(choice->palette().color(QPalette::Button), normal);
    QCOMPARE(h.find<QTabWidget>("SSTab1")->currentIndex(), 2);
    const ScriptedDialogs::Call asked = h.dialogs.calls.last();
    QCOMPARE(asked.kind + u'|' + asked.title + u'|' + asked.text,
             mode == u"cmdDeleteScript"_s
                 ? u"question|Delete|Do you really want to delete quick dial memory [F4] ?"_s
                 : u"input|Enter command|Please enter a complete command!"_s);
}

void WindowTest::configFiles() {
    WindowHarness h({{u"SelTab"_s, u"3"_s}});
    QVERIFY(SaveQuickDialFile(h.folders.defaultConfig(), sampleSlots()));
    h.open();
    auto load = [&] { QTest::mouseClick(h.find<QPushButton>("cmdLoadConfig"), Qt::LeftButton); };
    auto save = [&] { QTest::mouseClick(h.find<QPushButton>("cmdSaveConfig"), Qt::LeftButton); };
    auto last = [&]() -> QString {
        return h.dialogs.calls.last().title + u'|' + h.dialogs.calls.last().text;
    };
    const QuickDialSlots before = h.window->memory()->allSlots();
    const QString folder = h.folders.settings();
    const QStringList files = QDir(folder).entryList(QDir::AllEntries);

    // Both dialogs cancelled: nothing changes.
    load();
    QCOMPARE(last(), u"Load command configuration file...|"_s + folder +
                         u"|Ccommand configuration file (*.cfg)|*.cfg"_s);
    save();
    QCOMPARE(last(), u"Save command configuration file...|"_s + folder +
                         u"|User defined.cfg|Ccommand configuration file (*.cfg)|*.cfg"_s);
    QCOMPARE(h.window->memory()->allSlots(), before);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries), files);

    // A file that cannot be read is reported, and the slots stay.
    const QString unreadable = folder + u"x.cfg"_s;
    QVERIFY(QDir().mkpath(unreadable));
    h.dialogs.openAnswers = {unreadable};
    load();
    QCOMPARE(last(), u"Load failed|The configuration file \""_s + unreadable +
                         u"\" could not be read: The file cannot be read."_s);
    QCOMPARE(h.window->memory()->allSlots(), before);

    // Another file is shown; saved under a name without extension, it is written under that name.
    QuickDialSlots other{};
    other[1] = {u"Second"_s, u"two"_s, {{u"XC 1 a"_s, u"d"_s}}};
    h.dialogs.openAnswers = {h.folders.root.filePath(u"Other.cfg"_s)};
    QVERIFY(SaveQuickDialFile(*h.dialogs.openAnswers[0], other));
    load();
    QCOMPARE(h.find<QPushButton>("cmdCommand1")->text() + h.find<QPushButton>("cmdCommand2")->text(),
             u"[Empty]Second"_s);
    h.dialogs.saveAnswers = {folder + u"mine"_s, unreadable};
    save();
    QCOMPARE(LoadQuickDialFile(folder + u"mine"_s), other);
    // A failed save names the file and the reason.
    save();
    const QString failed =
        u"Save failed|The configuration file \""_s + unreadable + u"\" could not be saved: "_s;
    QVERIFY2(last().startsWith(failed) && last().size() > failed.size(), qPrintable(last()));

    // A DefaultCommandSet.cfg that cannot be read gives empty slots, and is not replaced at exit.
    h.close();
    QVERIFY(QFile::remove(h.folders.defaultConfig()) && QDir().mkpath(h.folders.defaultConfig()));
    h.open();
    QCOMPARE(h.find<QPushButton>("cmdCommand2")->text(), u"[Empty]"_s);
    const qsizetype asked = h.dialogs.calls.size();
    h.close();
    QCOMPARE(h.dialogs.calls.size(), asked + 1);
    QVERIFY(last().startsWith(u"Save failed|"_s) && last().contains(u"DefaultCommandSet.cfg"_s));
    QVERIFY(QFileInfo(h.folders.defaultConfig()).isDir());
}

void WindowTest::functionKeys_data() {
    QTest::addColumn<bool>("connect");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("mode");  // pressed on the editor tab before
    QTest::addColumn<QString>("after"); // commands sent, tab, the editor's caption, slot 1's run button
    QTest::newRow("link never up") << false << 3 << QString() << u"0|3|Editor|Two"_s;
    QTest::newRow("tab 0") << true << 0 << QString() << u"0|0|Editor|Two"_s;
    QTest::newRow("tab 1") << true << 1 << QString() << u"0|1|Editor|Two"_s;
    QTest::newRow("tab 2, store pending") << true << 2 << u"cmdSave"_s << u"0|2|Editor|Two"_s;
    QTest::newRow("tab 3 runs") << true << 3 << QString() << u"1|3|Editor|Two"_s;
    QTest::newRow("tab 3 stores") << true << 3 << u"cmdSave"_s << u"0|3|Editor|Editor"_s;
    QTest::newRow("tab 3 fetches into the editor") << true << 3 << u"cmdGetCommand"_s << u"0|2|Two|Two"_s;
}

void WindowTest::functionKeys() {
    QFETCH(bool, connect);
    QFETCH(int, tab);
    QFETCH(QString, mode);
    QFETCH(QString, after);
    LoopbackPeer peer;
    WindowHarness h({{u"SelTab"_s, u"2"_s}});
    QVERIFY(SaveQuickDialFile(h.folders.defaultConfig(), sampleSlots()));
    if (connect)
        QVERIFY(openConnected(h, peer, 2));
    else
        h.open();
    fillEditor(h, {u"XC 1 a"_s});
    if (!mode.isEmpty())
        QTest::mouseClick(h.find<QPushButton>(mode), Qt::LeftButton);
    h.showTab(tab);
    auto* notice = h.find<QLabel>("labCommandScriptCompleted");
    notice->show();

    QTest::keyClick(h.window.get(), Qt::Key_F1);
    // The keys act only where the run buttons are shown and on; there the notice goes, as with a slot button.
    QCOMPARE(notice->isHidden(), tab == MainWindow::QuickDialTab && connect);
    QCOMPARE((QStringList{QString::number(h.window->session()->log()->size()),
                          QString::number(h.find<QTabWidget>("SSTab1")->currentIndex()),
                          h.find<QLineEdit>("txtLabel")->text(), h.find<QPushButton>("cmdCommand1")->text()}),
             parts(after));
}

void WindowTest::commandLineStateLineAndRuns() {
    LoopbackPeer peer;
    WindowHarness h;
    QVERIFY(SaveQuickDialFile(h.folders.defaultConfig(), sampleSlots()));
    QVERIFY(openConnected(h, peer, 1));
    auto* text = h.find<QLineEdit>("txtSend");
    auto* send = h.find<QPushButton>("cmdSend");
    auto* deleteList = h.find<QPushButton>("cmdDeleteList");
    auto* progress = h.find<QProgressBar>("prgProgress");
    auto* cancel = h.find<QPushButton>("cmdCancelCommandScript");
    auto* notice = h.find<QLabel>("labCommandScriptCompleted");
    auto* runOne = h.find<QPushButton>("cmdCommand1");
    auto* chkConnect = h.find<QCheckBox>("chkConnect");
    auto state = [&]() -> QString {
        auto* line = h.find<QLabel>("labState");
        return line->text() + u' ' + line->palette().color(QPalette::WindowText).name();
    };
    MessageLog* log = h.window->session()->log();
    QCOMPARE(state(), u"State: Connected. #00ff00"_s);

    // An empty line cannot be sent, not even with Enter; the newest row is shown; the log empties.
    QTest::keyClick(text, Qt::Key_Return);
    QVERIFY(!send->isEnabled() && !deleteList->isEnabled());
    QTest::keyClicks(text, u"SM 1"_s);
    QTest::keyClick(text, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(peer.received, QByteArray("SM 1"), Timeout);
    peer.reply("SM 1: OK\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(log->rowCount(), 2, Timeout);
    QCOMPARE(h.find<QTableView>("lsvMsg")->currentIndex().row(), 1);
    QTest::mouseClick(deleteList, Qt::LeftButton);
    QVERIFY(log->rowCount() == 0 && !deleteList->isEnabled());

    // The editor's test run shows each command in the command line as it goes out, and its progress; a
    // notice from before goes with the first command.
    h.showTab(2);
    fillEditor(h, {u"XC 1 a"_s, u"GM"_s});
    notice->show();
    QTest::mouseClick(h.find<QPushButton>("cmdCommandTest"), Qt::LeftButton);
    QCOMPARE(text->text(), u"XC 1 a"_s);
    QVERIFY(progress->isVisible() && cancel->isVisible() && notice->isHidden());
    QCOMPARE(progress->value() * 10 + progress->maximum(), 12);
    // While it waits nothing else runs; a slot button only takes the notice away.
    h.showTab(3);
    notice->show();
    QTest::mouseClick(runOne, Qt::LeftButton);
    QTest::keyClick(h.window.get(), Qt::Key_F4);
    QVERIFY(notice->isHidden());
    QCOMPARE(log->size(), 1);
    peer.reply("XC: OK\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible(), Timeout);
    QCOMPARE(notice->text() + text->text(), u"Command script processed.GM"_s);
    QVERIFY(progress->isHidden() && cancel->isHidden());
    // The log, out of sight during the run, shows its newest row when it is shown.
    h.showTab(1);
    QTRY_COMPARE_WITH_TIMEOUT(h.find<QTableView>("lsvMsg")->currentIndex().row(), 2, Timeout);

    // Cancelled while waiting: the strip is cleared, with no notice.
    h.showTab(3);
    QTest::mouseClick(runOne, Qt::LeftButton);
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(progress->isHidden() && cancel->isHidden() && notice->isHidden());
    QCOMPARE(log->size(), 4);

    // Unticked: closed in black, the command line off, the run buttons still on. A run stops at its first
    // command, with a notice that follows the language.
    chkConnect->setChecked(false);
    h.window->link()->TryConnect();
    QTRY_COMPARE_WITH_TIMEOUT(state(), u"State: Port closed. #000000"_s, Timeout);
    text->setText(u"SM 1"_s);
    QVERIFY(!send->isEnabled());
    QTest::mouseClick(runOne, Qt::LeftButton);
    QCOMPARE(log->size(), 5);
    QVERIFY(notice->isVisible() && progress->isHidden() && cancel->isHidden());
    QCOMPARE(notice->text(), u"Command script stopped: command could not be sent."_s);
    QTest::keyClick(h.find<QComboBox>("cboLanguage"), Qt::Key_Up);
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->text(), u"Befehlsablauf angehalten: Befehl konnte nicht gesendet werden."_s);

    // Refused: red, with the reason as the state line's tooltip.
    h.find<QLineEdit>("txtPort")->setText(QString::number(refusingPort()));
    chkConnect->setChecked(true);
    h.window->link()->TryConnect();
    QTRY_COMPARE_WITH_TIMEOUT(state(), u"Zustand: Fehler beim Verbinden. #ff0000"_s, Timeout);
    QCOMPARE(h.find<QLabel>("labState")->toolTip(), h.window->link()->lastErrorText());
    QVERIFY(!h.window->link()->lastErrorText().isEmpty());

    // Quitting during a wait still runs the exit.
    h.find<QLineEdit>("txtPort")->setText(peer.portText());
    h.window->link()->TryConnect();
    QTRY_VERIFY_WITH_TIMEOUT(peer.connected() && h.window->link()->isUsable(), Timeout);
    QTest::mouseClick(runOne, Qt::LeftButton);
    QVERIFY(cancel->isVisible());
    QTest::mouseClick(h.find<QPushButton>("cmdQuit"), Qt::LeftButton);
    QVERIFY(!h.window->isVisible());
    h.close();
    QCOMPARE(SetupSettings::read(h.folders.setupIni(), QString()).language, 0);
    QCOMPARE(h.dialogs.calls.last().kind, u"input"_s);
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
