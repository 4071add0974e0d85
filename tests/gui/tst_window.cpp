// The main window as the user meets it: places, captions that fit and the language switch, start-up and exit
// through real files, the tab rules with the function keys and the help, the slot buttons, configuration
// files through their dialogs, and the command line, the state line and runs against a peer.

#include "support/GuiSupport.h"

#include "core/files/Platform.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/scripts/QuickDialConfig.h"
#include "core/scripts/QuickDialMemory.h"
#include "core/texts/Texts.h"
#include "gui/Help.h"
#include "gui/QuickDialPage.h"
#include "gui/StatusStrip.h"
#include "gui/WrappingButton.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

// Opens the window on the tab, connects it to the peer and waits until the link has enabled the run buttons.
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
        h.click("cmdCreateManualCommand");
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
    if (const auto* tabs = qobject_cast<const QTabWidget*>(o))
        return tabs->tabText(index);
    if (const auto* combo = qobject_cast<const QComboBox*>(o))
        return combo->itemText(index);
    if (const auto* tree = qobject_cast<const QTreeWidget*>(o))
        return tree->headerItem()->text(index);
    if (const auto* view = qobject_cast<const QTableView*>(o))
        return view->model()->headerData(index, Qt::Horizontal).toString();
    return o ? o->property(o->inherits("QGroupBox") ? "title" : "text").toString() : window.windowTitle();
}

// Every caption that does not fit its widget, measured in the widget's own font and style.
QStringList captionsThatDoNotFit(const QWidget& window) {
    QStringList failures;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        const QFontMetrics fm(w->font());
        const QString text = w->property(w->inherits("QGroupBox") ? "title" : "text").toString();
        auto metric = [w](QStyle::PixelMetric m) { return w->style()->pixelMetric(m, nullptr, w); };
        const auto* label = qobject_cast<const QLabel*>(w);
        bool fits = true;
        if (const auto* wrapping = qobject_cast<const WrappingButton*>(w))
            fits = wrapping->captionRect().contains(
                fm.boundingRect(wrapping->captionRect(), wrapping->captionFlags(), text));
        else if (w->inherits("QPushButton"))
            fits = fm.horizontalAdvance(text) + metric(QStyle::PM_ButtonMargin) +
                           2 * metric(QStyle::PM_DefaultFrameWidth) <=
                       w->width() &&
                   fm.height() <= w->height();
        else if (w->inherits("QCheckBox"))
            fits = metric(QStyle::PM_IndicatorWidth) + metric(QStyle::PM_CheckBoxLabelSpacing) +
                       fm.horizontalAdvance(text) <=
                   w->width();
        // A label sized to its text must still lie inside the frame that holds it.
        else if (label && !label->wordWrap())
            fits = label->minimumSizeHint().width() <= w->width() &&
                   w->parentWidget()->rect().contains(w->geometry());
        else if (const auto* box = qobject_cast<const QGroupBox*>(w)) {
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = text;
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect caption =
                box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
            // The frame's top must not be cut off by the page above it either.
            fits = caption.width() >= fm.horizontalAdvance(text) && box->rect().contains(caption) &&
                   box->mapToParent(caption.topLeft()).y() >= 0;
        }
        if (!fits)
            failures << w->objectName() + u": "_s + text;
    }
    const auto* tabs = window.findChild<QTabWidget*>(u"SSTab1"_s);
    const QTabBar* bar = tabs->tabBar();
    for (int i = 0; i < bar->count(); ++i) {
        if (bar->tabRect(i).width() <
                QFontMetrics(bar->font()).horizontalAdvance(bar->tabText(i)) +
                    bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar) ||
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
    void tabsKeysAndHelp_data();
    void tabsKeysAndHelp();
    void helpFollowsItsOwner();
    void slotButtons_data();
    void slotButtons();
    void configFiles();
    void commandLineStateLineAndRuns();
};

void WindowTest::placesCaptionsAndLanguages() {
    WindowHarness h({{u"Language"_s, u"0"_s}, {u"Device"_s, u"1"_s}});
    QWidget& window = h.open();
    QCOMPARE(window.size(), QSize(651, 445));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    // Design places in twips, relative to the container, on a tab with the tab strip included.
    for (const auto& [name, container, tab, twips] :
         {std::tuple{"cboDevice", "fraSoftwareSel", 0, QRect(360, 360, 8415, 315)},
          {"labInfo1", "SSTab1", 0, QRect(180, 5280, 9195, 795)},
          {"cmdF8", "fraStorage", 2, QRect(180, 4140, 1095, 495)},
          {"cmdCommand6", "frmStorage", 3, QRect(4920, 1440, 1755, 1035)},
          {"cmdQuit", "frmMain", 3, QRect(8400, 6240, 1215, 375)}}) {
        h.showTab(tab);
        auto* widget = h.find<QWidget>(name);
        QWidget* parent = qstrcmp(container, "frmMain") == 0 ? &window : h.find<QWidget>(container);
        QCOMPARE(QRect(widget->mapTo(parent, QPoint()), widget->size()),
                 QRect(twips.topLeft() / 15, twips.size() / 15));
    }

    // Switched at run time, every fixed text is in the new language and fits; the tab and the device row the
    // user picked stay.
    QTest::keyClick(h.find<QComboBox>("cboDevice"), Qt::Key_Up);
    const QStringList fixedTexts = QString::fromLatin1(FixedTexts).split(u' ');
    for (const int row : {1, 0, 1}) {
        QTest::keyClick(h.find<QComboBox>("cboLanguage"), row ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(LanguageOffset() + h.tab() * 10 + h.find<QComboBox>("cboDevice")->currentIndex(),
                 EnglishOffset * row + 30);
        for (int i = 0; i < fixedTexts.size(); ++i) {
            if (fixedTexts[i] != u"-"_s)
                QCOMPARE(shownText(window, fixedTexts[i]), GetText(TextId::WindowCaption + i));
        }
        QCOMPARE(h.texts({"labProgramVersion", "labProgramDate"}),
                 row ? u"Program version: V" TELVANE_VERSION "|Date: 02.04.2007"_s
                     : u"Programmversion: V" TELVANE_VERSION "|Datum: 02.04.2007"_s);
        for (int tab = 0; tab < 4; ++tab) {
            h.showTab(tab);
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
    QTest::addColumn<QString>("shown"); // port, name (empty: this computer's), device, connect, language, tab
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
    if (!templateIni.isEmpty())
        QVERIFY(writeBytes(h.folders.program() + u"setup.ini"_s, templateIni) &&
                SaveQuickDialFile(h.folders.program() + u"DefaultCommandSet.cfg"_s, memory));
    if (!iniName.isEmpty())
        QVERIFY(writeBytes(h.folders.settings() + iniName, ini));
    const QByteArray config = readBytes(h.folders.program() + u"DefaultCommandSet.cfg"_s);
    auto settings = [&]() -> QString {
        auto row = [&](const char* name) { return h.find<QComboBox>(name)->currentIndex(); };
        return h.texts({"txtPort", "txtPcName"}).replace(Platform::LocalHostName(), QString()) +
               u"|%1|%2|%3|%4"_s.arg(row("cboDevice"))
                   .arg(h.find<QCheckBox>("chkConnect")->checkState())
                   .arg(row("cboLanguage"))
                   .arg(h.tab());
    };
    const QStringList before = shown.split(u'|');
    h.open();
    QCOMPARE(settings(), shown);
    QCOMPARE(h.text("cmdCommand5"), config.isEmpty() ? u"[Leer]"_s : u"Long"_s);

    // What the user changes is what the next start shows; a click makes a greyed box a plain one again.
    h.showTab(0);
    h.find<QLineEdit>("txtPort")->clear();
    QTest::keyClicks(h.find<QLineEdit>("txtPort"), u"5000"_s);
    h.find<QLineEdit>("txtPcName")->setText(u"elsewhere"_s);
    h.click("cmdThisSystem");
    QTest::keyClick(h.find<QComboBox>("cboDevice"), before[2] == u"1"_s ? Qt::Key_Up : Qt::Key_Down);
    h.click("chkConnect");
    QVERIFY(!h.find<QCheckBox>("chkConnect")->isTristate());
    QTest::keyClick(h.find<QComboBox>("cboLanguage"), before[4] == u"1"_s ? Qt::Key_Up : Qt::Key_Down);
    h.showTab((before[5].toInt() + 1) % 4);
    const QString changed = settings();
    h.click("cmdQuit");
    QVERIFY(!h.window->isVisible());
    h.close();
    QCOMPARE(QDir(h.folders.settings()).entryList({u"*.ini"_s}, QDir::Files).size(), 1);
    // The configuration is written back as it was read, long slot and all.
    QVERIFY(QFileInfo(h.folders.defaultConfig()).isFile());
    if (!config.isEmpty())
        QCOMPARE(readBytes(h.folders.defaultConfig()), config);
    h.open();
    QCOMPARE(settings(), changed);
    for (int i = 0; i < 6; ++i)
        QVERIFY2((changed.split(u'|')[i] == before[i]) == (i == 1 && before[1].isEmpty()),
                 qPrintable(changed));
}

void WindowTest::tabsKeysAndHelp_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    for (int from = 0; from < 4; ++from) {
        for (int to = 0; to < 4; ++to)
            QTest::addRow("%d to %d", from, to) << from << to;
    }
}

void WindowTest::tabsKeysAndHelp() {
    QFETCH(int, from);
    QFETCH(int, to);
    WindowHarness h({{u"SelTab"_s, QString::number(from)}});
    QVERIFY(SaveQuickDialFile(h.folders.defaultConfig(), sampleSlots()));
    h.open();
    h.click("cmdHelp");
    auto* notice = h.find<QLabel>("labCommandScriptCompleted");
    notice->show();
    h.window->memory()->toggleFetch();

    // A change hides the notice; one to any tab but the quick-dial tab ends a pending slot mode.
    h.showTab(to);
    QCOMPARE(h.tab(), to);
    QCOMPARE(notice->isHidden(), from != to);
    QCOMPARE(h.window->memory()->FetchPending(), from == to || to == MainWindow::QuickDialTab);
    // F1 acts only on the quick-dial tab once its run buttons are on: the pending fetch shows slot 1 in the
    // editor.
    QTest::keyClick(h.window.get(), Qt::Key_F1);
    QCOMPARE(h.tab(), to);
    h.window->findChild<QuickDialPage*>()->setLinkUsable(true);
    QTest::keyClick(h.window.get(), Qt::Key_F1);
    QCOMPARE(QString::number(h.tab()) + h.text("txtLabel"),
             to == MainWindow::QuickDialTab ? u"2Two"_s : QString::number(to));

    // Help opens the shown tab's topic in the current language, in the one help window.
    h.click("cmdHelp");
    HelpWindow* help = CurrentHelpWindow();
    QVERIFY(h.window->findChildren<HelpWindow*>() == QList<HelpWindow*>{help} && help->isVisible() &&
            help->isWindow());
    QCOMPARE(help->topic(), 1100 + 100 * h.tab());
    QCOMPARE(help->windowTitle() + u' ' + help->browser()->source().toString(),
             u"Help qrc:/telvane/help/%1.html#en"_s.arg(
                 QStringList{u"settings"_s, u"commandline"_s, u"editor"_s}.value(h.tab(), u"quickdial"_s)));
}

void WindowTest::helpFollowsItsOwner() {
    SetLanguageOffset(0);
    QWidget main;
    main.show();
    ShowHelpTopic(&main, HelpTopics::ScriptEditor);
    QPointer<HelpWindow> help = CurrentHelpWindow();
    // A modal dialog asking for help takes the window over, so the help is not blocked by it; the window goes
    // with its owner. An unknown topic opens the contents.
    auto* assistant = new QDialog(&main);
    assistant->setModal(true);
    assistant->show();
    ShowHelpTopic(assistant, 4711);
    QVERIFY(CurrentHelpWindow() == help && help->parentWidget() == assistant && help->isVisible());
    QCOMPARE(help->windowTitle() + help->browser()->source().toString(),
             u"Hilfeqrc:/telvane/help/index.html#de"_s);
    delete assistant;
    QVERIFY(help.isNull());
    ShowHelpTopic(&main, HelpTopics::Assistant);
    QCOMPARE(CurrentHelpWindow()->parentWidget(), &main);
}

void WindowTest::slotButtons_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("caption");
    // Run button, choice button, description box, the editor's caption, the choice button's tooltip, the
    // editor's and the slot's first command.
    QTest::addColumn<QString>("shown");
    QTest::newRow("store shows user text as typed")
        << u"cmdSave"_s << false << u"<b>Production</b>"_s
        << u"<b>Production</b>|<b>Product...|Note|<b>Production</b>|Caption: <b>Production</b>|GM|GM"_s;
    QTest::newRow("fetch") << u"cmdGetCommand"_s << false << u"other"_s
                           << u"Four|Four...|Note|Four|Caption: Four|SM 1|SM 1"_s;
    QTest::newRow("delete, Yes") << u"cmdDeleteScript"_s << true << u"other"_s << u"|[Empty]||other||GM|"_s;
    QTest::newRow("delete, No") << u"cmdDeleteScript"_s << false << u"other"_s
                                << u"Four|Four...|Note|other|Caption: Four|GM|SM 1"_s;
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
    h.click(mode);

    // The window's timer lets the choice buttons blink while the mode is pending.
    auto* choice = h.find<QPushButton>("cmdF4");
    const QColor normal = choice->palette().color(QPalette::Button);
    QTRY_COMPARE_WITH_TIMEOUT(choice->palette().color(QPalette::Button), QColor(0, 255, 0), Timeout);
    QVERIFY(choice->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(choice->palette().color(QPalette::Button), normal, Timeout);
    h.dialogs.questionAnswers = {yes};
    h.click("cmdF4");
    QTextDocument toolTip;
    toolTip.setHtml(choice->toolTip());
    QCOMPARE(h.texts({"cmdCommand4", "cmdF4", "txtCommandDescript4", "txtLabel"}) + u'|' +
                 toolTip.toPlainText() + u'|' + h.find<QTreeWidget>("lstCommands")->topLevelItem(0)->text(0) +
                 u'|' + h.window->memory()->slotAt(4).lines.value(0).command,
             shown);
    QVERIFY(!h.window->memory()->anyModePending());
    QTRY_VERIFY_WITH_TIMEOUT(!choice->isEnabled(), Timeout);
    QCOMPARE(choice->palette().color(QPalette::Button), normal);
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
    auto last = [&]() -> QString {
        return h.dialogs.calls.last().title + u'|' + h.dialogs.calls.last().text;
    };
    const QuickDialSlots before = h.window->memory()->allSlots();
    const QString folder = h.folders.settings();
    const QString filter = u"|Ccommand configuration file (*.cfg)|*.cfg"_s;
    const QStringList files = QDir(folder).entryList(QDir::AllEntries);

    // Both dialogs cancelled: nothing changes.
    h.click("cmdLoadConfig");
    QCOMPARE(last(), u"Load command configuration file...|"_s + folder + filter);
    h.click("cmdSaveConfig");
    QCOMPARE(last(), u"Save command configuration file...|"_s + folder + u"|User defined.cfg"_s + filter);
    QVERIFY(h.window->memory()->allSlots() == before && QDir(folder).entryList(QDir::AllEntries) == files);

    // A file that cannot be read is reported, and the slots stay.
    const QString unreadable = folder + u"x.cfg"_s;
    QVERIFY(QDir().mkpath(unreadable));
    h.dialogs.openAnswers = {unreadable, h.folders.root.filePath(u"Other.cfg"_s)};
    h.click("cmdLoadConfig");
    QCOMPARE(last(), u"Load failed|The configuration file \""_s + unreadable +
                         u"\" could not be read: The file cannot be read."_s);
    QVERIFY(h.window->memory()->allSlots() == before);

    // Another file is shown; saved under a name without extension, it is written under that name. A failed
    // save names the file and the reason.
    QuickDialSlots other{};
    other[1] = {u"Second"_s, u"two"_s, {{u"XC 1 a"_s, u"d"_s}}};
    QVERIFY(SaveQuickDialFile(*h.dialogs.openAnswers[0], other));
    h.click("cmdLoadConfig");
    QCOMPARE(h.texts({"cmdCommand1", "cmdCommand2"}), u"[Empty]|Second"_s);
    h.dialogs.saveAnswers = {folder + u"mine"_s, unreadable};
    h.click("cmdSaveConfig");
    QCOMPARE(LoadQuickDialFile(folder + u"mine"_s), other);
    h.click("cmdSaveConfig");
    const QString failed =
        u"Save failed|The configuration file \""_s + unreadable + u"\" could not be saved: "_s;
    QVERIFY2(last().startsWith(failed) && last().size() > failed.size(), qPrintable(last()));

    // A DefaultCommandSet.cfg that cannot be read gives empty slots, and is not replaced at exit.
    h.close();
    QVERIFY(QFile::remove(h.folders.defaultConfig()) && QDir().mkpath(h.folders.defaultConfig()));
    h.open();
    QCOMPARE(h.text("cmdCommand2"), u"[Empty]"_s);
    const qsizetype asked = h.dialogs.calls.size();
    h.close();
    QVERIFY(h.dialogs.calls.size() == asked + 1 && last().startsWith(u"Save failed|"_s) &&
            last().contains(u"DefaultCommandSet.cfg"_s));
    QVERIFY(QFileInfo(h.folders.defaultConfig()).isDir());
}

void WindowTest::commandLineStateLineAndRuns() {
    LoopbackPeer peer;
    WindowHarness h;
    QVERIFY(SaveQuickDialFile(h.folders.defaultConfig(), sampleSlots()));
    QVERIFY(openConnected(h, peer, 1));
    auto* text = h.find<QLineEdit>("txtSend");
    MessageLog* log = h.window->session()->log();
    auto state = [&]() -> QString {
        return h.text("labState") + h.find<QLabel>("labState")->palette().color(QPalette::WindowText).name();
    };
    // Progress bar, cancel button and notice shown, the rows of the log, the notice's text.
    auto strip = [&]() -> QString {
        QString shown;
        for (const char* name : {"prgProgress", "cmdCancelCommandScript", "labCommandScriptCompleted"})
            shown += h.find<QWidget>(name)->isVisible() ? u'1' : u'0';
        return shown + u' ' + QString::number(log->size()) + u' ' + h.text("labCommandScriptCompleted");
    };

    // The assistant's command goes into the line, to be sent by the user. An empty line cannot be sent, not
    // even with Enter; the newest row is shown; the log empties.
    ModalHandler assistant([](QWidget* dialog) {
        QTest::keyClick(dialog->findChild<QComboBox*>(u"cboCommand"_s), Qt::Key_Return);
    });
    h.click("cmdCreateCommand1");
    QCOMPARE(text->text() + QString::number(log->size()), u"SM 00"_s);
    text->clear();
    QTest::keyClick(text, Qt::Key_Return);
    QVERIFY(!h.find<QPushButton>("cmdSend")->isEnabled() &&
            !h.find<QPushButton>("cmdDeleteList")->isEnabled());
    QTest::keyClicks(text, u"SM 1"_s);
    QTest::keyClick(text, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(peer.received, QByteArray("SM 1"), Timeout);
    peer.reply("SM 1: OK\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(log->rowCount(), 2, Timeout);
    QCOMPARE(h.find<QTableView>("lsvMsg")->currentIndex().row(), 1);
    h.click("cmdDeleteList");
    QVERIFY(log->rowCount() == 0 && !h.find<QPushButton>("cmdDeleteList")->isEnabled());

    // The editor's test run shows each command in the command line as it goes out, and its progress; a
    // notice from before goes with the first command.
    h.showTab(2);
    fillEditor(h, {u"XC 1 a"_s, u"GM"_s});
    h.find<QLabel>("labCommandScriptCompleted")->show();
    h.click("cmdCommandTest");
    QCOMPARE(text->text() + u' ' + strip(), u"XC 1 a 110 1 Command script processed."_s);
    QCOMPARE(h.find<QProgressBar>("prgProgress")->value() * 10 +
                 h.find<QProgressBar>("prgProgress")->maximum(),
             12);
    // While it waits nothing else runs; a slot button only takes the notice away.
    h.showTab(3);
    h.find<QLabel>("labCommandScriptCompleted")->show();
    h.click("cmdCommand1");
    QTest::keyClick(h.window.get(), Qt::Key_F4);
    QCOMPARE(strip(), u"110 1 Command script processed."_s);
    peer.reply("XC: OK\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(text->text() + u' ' + strip(), u"GM 001 3 Command script processed."_s,
                              Timeout);
    // The log, out of sight during the run, shows its newest row when it is shown.
    h.showTab(1);
    QTRY_COMPARE_WITH_TIMEOUT(h.find<QTableView>("lsvMsg")->currentIndex().row(), 2, Timeout);

    // Cancelled while waiting: the strip is cleared, with no notice.
    h.showTab(3);
    h.click("cmdCommand1");
    QCOMPARE(strip(), u"110 4 Command script processed."_s);
    h.click("cmdCancelCommandScript");
    QCOMPARE(strip(), u"000 4 Command script processed."_s);

    // Unticked: closed in black, the command line off, the run buttons still on. A run stops at its first
    // command, with a notice that follows the language.
    h.find<QCheckBox>("chkConnect")->setChecked(false);
    h.window->link()->TryConnect();
    QTRY_COMPARE_WITH_TIMEOUT(state(), u"State: Port closed.#000000"_s, Timeout);
    QVERIFY(!h.find<QPushButton>("cmdSend")->isEnabled());
    h.click("cmdCommand1");
    QCOMPARE(strip(), u"001 5 Command script stopped: command could not be sent."_s);
    QTest::keyClick(h.find<QComboBox>("cboLanguage"), Qt::Key_Up);
    QCOMPARE(strip(), u"001 5 Befehlsablauf angehalten: Befehl konnte nicht gesendet werden."_s);

    // Refused: red, with the reason as the state line's tooltip.
    h.find<QLineEdit>("txtPort")->setText(QString::number(refusingPort()));
    h.find<QCheckBox>("chkConnect")->setChecked(true);
    h.window->link()->TryConnect();
    QTRY_COMPARE_WITH_TIMEOUT(state(), u"Zustand: Fehler beim Verbinden.#ff0000"_s, Timeout);
    QVERIFY(!h.window->link()->lastErrorText().isEmpty() &&
            h.find<QLabel>("labState")->toolTip() == h.window->link()->lastErrorText());
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
