// The main window as the user meets it: every widget at its place, every fixed text in both languages and
// back, captions that fit their widgets, the tab-change rules, help by tab, and the tab kept across a
// restart.

#include "testsupport.h"

#include "app/Help.h"
#include "app/MainWindow.h"
#include "app/Profile.h"
#include "app/Texts.h"
#include "app/WrappingButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

const QString Section = QStringLiteral("SETTINGS");

// One run of the program: a settings folder with a Setup.ini of the given values (no connection wanted
// unless a test says so), an empty program folder, and the main window started on them.
class Session {
public:
    explicit Session(const QList<QPair<QString, QString>>& settings = {}) {
        QVERIFY(m_folders.root.isValid());
        write(QStringLiteral("Connect"), QStringLiteral("0"));
        write(QStringLiteral("Name"), QStringLiteral("127.0.0.1"));
        for (const auto& [key, value] : settings)
            write(key, value);
        MainWindowEnvironment environment;
        environment.settingsFolder = m_folders.settings();
        environment.programFolder = m_folders.program();
        environment.dialogs = &m_dialogs;
        m_window = std::make_unique<MainWindow>(environment);
    }

    MainWindow& window() { return *m_window; }
    const MainWindowUi& ui() const { return m_window->ui(); }
    const ScriptedDialogs& dialogs() const { return m_dialogs; }

    bool show() {
        m_window->show();
        return QTest::qWaitForWindowExposed(m_window.get());
    }

    QString setting(const QString& key) const {
        return ReadProfileValue(Section, key, QStringLiteral("<missing>"), 65, iniPath());
    }

private:
    QString iniPath() const { return m_folders.settings() + QStringLiteral("Setup.ini"); }
    void write(const QString& key, const QString& value) {
        WriteProfileValue(Section, key, value, iniPath());
    }

    TestFolders m_folders;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<MainWindow> m_window;
};

// Picks a language row the way the user does with the keyboard, which raises the combo box's activation.
void pickLanguage(const MainWindowUi& ui, int row) {
    QComboBox* combo = ui.cboLanguage;
    while (combo->currentIndex() < row)
        QTest::keyClick(combo, Qt::Key_Down);
    while (combo->currentIndex() > row)
        QTest::keyClick(combo, Qt::Key_Up);
}

// Every visible text of the window, keyed by where it is shown.
QMap<QString, QString> allTexts(const MainWindow& window) {
    QMap<QString, QString> texts;
    texts.insert(QStringLiteral("window"), window.windowTitle());
    const QTabWidget* tabs = window.ui().SSTab1;
    for (int i = 0; i < tabs->count(); ++i)
        texts.insert(QStringLiteral("tab %1").arg(i), tabs->tabText(i));
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
        texts.insert(button->objectName(), button->text());
    for (const QLabel* label : window.findChildren<QLabel*>())
        texts.insert(label->objectName(), label->text());
    for (const QGroupBox* box : window.findChildren<QGroupBox*>())
        texts.insert(box->objectName(), box->title());
    for (const QComboBox* combo : window.findChildren<QComboBox*>()) {
        for (int row = 0; row < combo->count(); ++row)
            texts.insert(QStringLiteral("%1 row %2").arg(combo->objectName()).arg(row), combo->itemText(row));
    }
    const QTreeWidgetItem* header = window.ui().lstCommands->headerItem();
    for (int column = 0; column < header->columnCount(); ++column)
        texts.insert(QStringLiteral("lstCommands header %1").arg(column), header->text(column));
    if (const QAbstractItemModel* log = window.ui().lsvMsg->model()) {
        for (int column = 0; column < log->columnCount(); ++column)
            texts.insert(QStringLiteral("lsvMsg header %1").arg(column),
                         log->headerData(column, Qt::Horizontal).toString());
    }
    return texts;
}

enum class Kind { WindowTitle, Tab, Title, Text, Row, Header };

struct TextRow {
    const char* widget;
    Kind kind;
    int index;
    int id;
    const char* german;
    const char* english;
};

// Every fixed text of the window, in the order the language is applied.
const TextRow FixedTexts[] = {
    {"frmMain", Kind::WindowTitle, 0, 3000, "Telvane", "Telvane"},
    {"SSTab1", Kind::Tab, 0, 3001, "Voreinstellungen", "General settings"},
    {"fraSoftwareSel", Kind::Title, 0, 3005, "Auswahl des Gerätetyps", "Select device type"},
    {"fraTarget", Kind::Title, 0, 3008, "Verbindungseinstellung Zielsystem",
     "Connection settings for target system"},
    {"labPort", Kind::Text, 0, 3009, "TCP-IP Port", "TCP-IP Port"},
    {"labIp", Kind::Text, 0, 3010, "PC-Name oder IP-Adresse", "PC Name or IP address"},
    {"cmdThisSystem", Kind::Text, 0, 3011, "<-- dieser PC !", "<-- use this PC !"},
    {"chkConnect", Kind::Text, 0, 3012, "Verbinden", "Connect"},
    {"fraLanguage", Kind::Title, 0, 3013, "Programmsprache", "Program language"},
    {"labInfo1", Kind::Text, 0, 3019,
     "Wählen Sie zuerst den verwendeten Gerätetyp / PC-Software aus und stellen Sie die Verbindung zum dem "
     "verwendeten PC her, indem Sie den PC-Name oder die gültige IP-Adresse (Systemkonfiguration) und den "
     "TCP/IP-Port (Voreinstellung der verwendeten PC-Software) eintragen.",
     "Please first select the used device type / PC software and setup the connection settings to the target "
     "system by entering the PC name and IO address (System configuration) and the TCP/IP port (General "
     "Settings of the used PC software)."},
    {"cboLanguage", Kind::Row, 0, 3041, "Deutsch", "Deutsch"},
    {"cboLanguage", Kind::Row, 1, 3042, "English", "English"},
    {"cboDevice", Kind::Row, 0, 3006, "Varnel 60 für MERAVIN 60 oder TOLVERIN 40",
     "Varnel 60 for MERAVIN 60 or TOLVERIN 40"},
    {"cboDevice", Kind::Row, 1, 3007, "Varnel 70 für MERAVIN 70", "Varnel 70 for MERAVIN 70"},
    {"SSTab1", Kind::Tab, 1, 3002, "Kommandozeile", "Command line"},
    {"fraSend", Kind::Title, 0, 3014, "Senden", "Send"},
    {"cmdCreateCommand1", Kind::Text, 0, 3015, "Befehlsassistent...", "Command assistant..."},
    {"cmdSend", Kind::Text, 0, 3016, "Senden", "Send"},
    {"fraReceive", Kind::Title, 0, 3017, "Empfangen", "Receive"},
    {"cmdDeleteList", Kind::Text, 0, 3018, "Liste löschen", "Delete list"},
    {"labInfo2", Kind::Text, 0, 3020,
     "Mit der Kommandozeile können (optional mit Hilfe des Befehlsassistenten) die Befehle für die "
     "Steuerungskommunikation einzeln erstellt und getestet werden. Öffnen Sie als Referenz die "
     "Befehlszusammenfassung der Steuerungskommunikation zur entsprechenden Software. Alle gesendeten und "
     "empfangenen Daten werden in der obigen Liste mit Zeitstempel erfasst.",
     "With the command line you can separatly create (optional with help of the assistant) and test the "
     "control communication commands. Open the command summary reference of the accordant software. All sent "
     "and received data will be acquired in the list with time stamp."},
    {"lsvMsg", Kind::Header, 0, 3046, "Zeit", "Time"},
    {"lsvMsg", Kind::Header, 1, 3047, "Mode", "Mode"},
    {"lsvMsg", Kind::Header, 2, 3048, "Parameter", "Parameter"},
    {"SSTab1", Kind::Tab, 2, 3003, "Befehlsabläufe editieren (Skripte)", "Edit command script"},
    {"fraEditScript", Kind::Title, 0, 3021, "Editieren", "Edit"},
    {"cmdCreateCommand2", Kind::Text, 0, 3022, "Erstellen mit Befehlsassistent...",
     "Create with command assistant..."},
    {"cmdCreateManualCommand", Kind::Text, 0, 3023, "Befehl manuell eingeben...", "Edit command manually..."},
    {"labCommands", Kind::Text, 0, 3024, "Befehle", "Commands"},
    {"chkAbove", Kind::Text, 0, 3025, "oberhalb einfügen", "insert above"},
    {"cmdDeleteCommand", Kind::Text, 0, 3026, "Befehl löschen", "Delete command"},
    {"labCaption", Kind::Text, 0, 3027, "Bezeichnung", "Caption"},
    {"labNote", Kind::Text, 0, 3028, "Beschreibung", "Description"},
    {"cmdCommandTest", Kind::Text, 0, 3029, "Befehlsablauf testen", "Test command script"},
    {"cmdSave", Kind::Text, 0, 3030, "Speichern -->", "Save   -->"},
    {"cmdGetCommand", Kind::Text, 0, 3031, "<-- Bearbeiten", "<--    Edit"},
    {"cmdDeleteScript", Kind::Text, 0, 3032, "Löschen", "Delete"},
    {"fraStorage", Kind::Title, 0, 3033, "Kurzwahltasten", "Quick dial buttons"},
    {"labInfo3", Kind::Text, 0, 3034,
     "Erstellen Sie hier benutzerdefinierte Befehlsabläufe, welche Sie unter dem Kurzwahlspeicher ablegen "
     "und jederzeit aufrufen können.",
     "Create user defined command scripts and save it under quick dial memory buttons and call them at each "
     "time."},
    {"lstCommands", Kind::Header, 0, 3044, "Befehl", "Command"},
    {"lstCommands", Kind::Header, 1, 3045, "Beschreibung", "Description"},
    {"SSTab1", Kind::Tab, 3, 3004, "Kurzwahlspeicher anwenden", "Apply quick dial"},
    {"frmStorage", Kind::Title, 0, 3035, "Kurzspeicher", "Quick dials"},
    {"cmdLoadConfig", Kind::Text, 0, 3036, "Konfiguration von Datei laden...",
     "Load configuration from file..."},
    {"cmdSaveConfig", Kind::Text, 0, 3037, "Konfiguration in Datei speichern...",
     "Save configuration into file..."},
    {"labInfo4", Kind::Text, 0, 3038,
     "Rufen Sie hier mit den Funktionstasten [Fx] vordefinierte Befehlsabläufe auf, nachdem diese einmal "
     "erzeugt und abgespeichert wurden.",
     "Call user defined command scripts with the function keys [Fx] after you have created and saved at "
     "first."},
    {"cmdCancelCommandScript", Kind::Text, 0, 3039, "Befehlsabarbeitung abbrechen",
     "Cancel command processing"},
    {"cmdQuit", Kind::Text, 0, 3040, "Beenden", "Quit"},
    {"labCommandScriptCompleted", Kind::Text, 0, 3043, "Befehlsablauf wurde ausgeführt.",
     "Command script processed."},
    {"fraVersion", Kind::Title, 0, 3051, "Information", "Information"},
    {"labProgramVersion", Kind::Text, 0, 3049, "Programmversion: V2007.1.0", "Program version: V2007.1.0"},
    {"labProgramDate", Kind::Text, 0, 3050, "Datum: 02.04.2007", "Date: 02.04.2007"},
};

// The text a row of the table is shown as; nothing when the widget cannot show it yet.
std::optional<QString> shownText(const MainWindow& window, const TextRow& row) {
    const QString name = QLatin1String(row.widget);
    switch (row.kind) {
    case Kind::WindowTitle:
        return window.windowTitle();
    case Kind::Tab:
        return window.ui().SSTab1->tabText(row.index);
    case Kind::Title:
        return window.findChild<QGroupBox*>(name)->title();
    case Kind::Text:
        return window.findChild<QWidget*>(name)->property("text").toString();
    case Kind::Row:
        return window.findChild<QComboBox*>(name)->itemText(row.index);
    case Kind::Header:
        if (name == QLatin1String("lstCommands"))
            return window.ui().lstCommands->headerItem()->text(row.index);
        if (const QAbstractItemModel* log = window.ui().lsvMsg->model())
            return log->headerData(row.index, Qt::Horizontal).toString();
        return std::nullopt;
    }
    return std::nullopt;
}

enum class Tab { Zero = 0, One, Two, Three, Strip };

// A widget's design place in twips, relative to its container (the tab control for widgets on a tab, the
// frame it sits in, or the window). A width of -1 means "sized to its text".
struct Place {
    QString name;
    QString container;
    int tab; // the tab that must show for the place to be laid out; -1 for the strip below
    int left, top, width, height;
};

} // namespace

Q_DECLARE_METATYPE(Place)

namespace {

QList<Place> allPlaces() {
    const QString tabs = QStringLiteral("SSTab1");
    const QString window = QStringLiteral("frmMain");
    auto s = [](const char* text) { return QLatin1String(text); };
    QList<Place> places = {
        {s("SSTab1"), window, -1, 120, 60, 9495, 6135},
        {s("fraSoftwareSel"), tabs, 0, 120, 360, 9075, 975},
        {s("cboDevice"), s("fraSoftwareSel"), 0, 360, 360, 8415, 315},
        {s("fraTarget"), tabs, 0, 120, 1440, 9075, 1215},
        {s("labPort"), s("fraTarget"), 0, 360, 360, -1, -1},
        {s("txtPort"), s("fraTarget"), 0, 360, 600, 915, 315},
        {s("labIp"), s("fraTarget"), 0, 1680, 360, -1, -1},
        {s("txtPcName"), s("fraTarget"), 0, 1680, 600, 2595, 315},
        {s("cmdThisSystem"), s("fraTarget"), 0, 4320, 600, 1695, 375},
        {s("chkConnect"), s("fraTarget"), 0, 6600, 540, 1695, 255},
        {s("fraLanguage"), tabs, 0, 120, 2760, 9075, 1035},
        {s("cboLanguage"), s("fraLanguage"), 0, 360, 360, 2775, 315},
        {s("fraVersion"), tabs, 0, 120, 3960, 9075, 1035},
        {s("labProgramVersion"), s("fraVersion"), 0, 360, 300, -1, -1},
        {s("labProgramDate"), s("fraVersion"), 0, 360, 600, -1, -1},
        {s("labInfo1"), tabs, 0, 180, 5280, 9195, 795},
        {s("fraSend"), tabs, 1, 120, 360, 9135, 1035},
        {s("cmdCreateCommand1"), s("fraSend"), 1, 240, 420, 1935, 375},
        {s("txtSend"), s("fraSend"), 1, 2940, 480, 4455, 315},
        {s("cmdSend"), s("fraSend"), 1, 7500, 420, 1455, 375},
        {s("fraReceive"), tabs, 1, 120, 1560, 9135, 3435},
        {s("lsvMsg"), s("fraReceive"), 1, 240, 360, 8715, 2595},
        {s("cmdDeleteList"), s("fraReceive"), 1, 240, 3000, 1695, 315},
        {s("labInfo2"), tabs, 1, 180, 5160, 9015, 855},
        {s("fraEditScript"), tabs, 2, 120, 360, 6555, 4995},
        {s("cmdCreateCommand2"), s("fraEditScript"), 2, 240, 360, 3075, 375},
        {s("cmdCreateManualCommand"), s("fraEditScript"), 2, 3480, 360, 2835, 375},
        {s("labCommands"), s("fraEditScript"), 2, 240, 840, 1335, 255},
        {s("chkAbove"), s("fraEditScript"), 2, 2640, 840, 1695, 195},
        {s("lstCommands"), s("fraEditScript"), 2, 240, 1080, 4095, 2295},
        {s("cmdDeleteCommand"), s("fraEditScript"), 2, 4500, 1140, 1815, 435},
        {s("cmdCommandUp"), s("fraEditScript"), 2, 4500, 1680, 555, 375},
        {s("cmdCommandDown"), s("fraEditScript"), 2, 4500, 2100, 555, 375},
        {s("labCaption"), s("fraEditScript"), 2, 240, 3420, 1335, 255},
        {s("cmdCommandTest"), s("fraEditScript"), 2, 4440, 3600, 1875, 435},
        {s("txtLabel"), s("fraEditScript"), 2, 240, 3660, 4095, 315},
        {s("labNote"), s("fraEditScript"), 2, 240, 4020, 1335, 255},
        {s("txtNote"), s("fraEditScript"), 2, 240, 4260, 6075, 555},
        {s("cmdSave"), tabs, 2, 6780, 2100, 975, 615},
        {s("cmdGetCommand"), tabs, 2, 6780, 2820, 975, 615},
        {s("cmdDeleteScript"), tabs, 2, 6780, 3780, 975, 375},
        {s("fraStorage"), tabs, 2, 7860, 360, 1455, 4995},
        {s("labInfo3"), tabs, 2, 180, 5460, 9075, 555},
        {s("frmStorage"), tabs, 3, 120, 360, 9195, 4815},
        {s("cmdLoadConfig"), tabs, 3, 600, 5280, 3975, 375},
        {s("cmdSaveConfig"), tabs, 3, 5040, 5280, 3975, 375},
        {s("labInfo4"), tabs, 3, 120, 5700, 9195, 375},
        {s("labState"), window, -1, 120, 6240, 2955, 495},
        {s("prgProgress"), window, -1, 3120, 6300, 1575, 270},
        {s("labCommandScriptCompleted"), window, -1, 3180, 6300, 3315, 240},
        {s("cmdCancelCommandScript"), window, -1, 5160, 6240, 2535, 375},
        {s("cmdHelp"), window, -1, 7920, 6240, 375, 375},
        {s("cmdQuit"), window, -1, 8400, 6240, 1215, 375},
    };
    for (int n = 1; n <= 8; ++n) {
        places.append(
            {QStringLiteral("cmdF%1").arg(n), s("fraStorage"), 2, 180, 360 + 540 * (n - 1), 1095, 495});
        const int row = (n - 1) % 4;
        const bool right = n > 4;
        const int top = 360 + 1080 * row;
        places.append({QStringLiteral("labF%1").arg(n), s("frmStorage"), 3, right ? 4560 : 120,
                       720 + 1080 * row, -1, -1});
        places.append(
            {QStringLiteral("cmdCommand%1").arg(n), s("frmStorage"), 3, right ? 4920 : 480, top, 1755, 1035});
        places.append({QStringLiteral("txtCommandDescript%1").arg(n), s("frmStorage"), 3, right ? 6720 : 2280,
                       top, 2175, 1035});
    }
    return places;
}

int pixels(int twips) {
    return twips / 15;
}

// Labels that are sized to their text, and the info labels that wrap: exempt from the fixed-size check.
bool isAutoSized(const QLabel* label) {
    return label->property("autoSize").toBool();
}
bool isInfoLabel(const QLabel* label) {
    return label->objectName().startsWith(QLatin1String("labInfo"));
}

// Checks that every caption fits its widget in the widget's own font and style; returns what does not.
QStringList captionsThatDoNotFit(const MainWindow& window) {
    QStringList failures;
    auto fail = [&](const QWidget* w, const QString& text, const QString& why) {
        failures << QStringLiteral("%1 \"%2\": %3").arg(w->objectName(), text, why);
    };

    for (const QPushButton* button : window.findChildren<QPushButton*>()) {
        const QString text = button->text();
        if (text.isEmpty())
            continue;
        const QFontMetrics fm(button->font());
        if (const auto* wrapping = qobject_cast<const WrappingButton*>(button)) {
            const QRect area = wrapping->captionRect();
            const QRect needed = fm.boundingRect(area, wrapping->captionFlags(), text);
            if (!area.contains(needed))
                fail(button, text,
                     QStringLiteral("wrapped %1x%2 in %3x%4")
                         .arg(needed.width())
                         .arg(needed.height())
                         .arg(area.width())
                         .arg(area.height()));
            continue;
        }
        const QStyle* style = button->style();
        const int margins = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                            2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        const int width = fm.horizontalAdvance(text) + margins;
        if (width > button->width())
            fail(button, text, QStringLiteral("needs %1 px, has %2").arg(width).arg(button->width()));
        if (fm.height() > button->height())
            fail(button, text, QStringLiteral("too low"));
    }

    for (const QCheckBox* box : window.findChildren<QCheckBox*>()) {
        const QStyle* style = box->style();
        const int width = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) +
                          style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box) +
                          QFontMetrics(box->font()).horizontalAdvance(box->text());
        if (width > box->width())
            fail(box, box->text(), QStringLiteral("needs %1 px, has %2").arg(width).arg(box->width()));
    }

    for (const QLabel* label : window.findChildren<QLabel*>()) {
        const QFontMetrics fm(label->font());
        const QRect area = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                                          -label->margin());
        if (isAutoSized(label)) {
            // Sized to its text, it must still lie inside the frame that holds it.
            if (label->width() < fm.horizontalAdvance(label->text()) ||
                !label->parentWidget()->rect().contains(label->geometry()))
                fail(label, label->text(), QStringLiteral("not sized to its text inside its frame"));
            continue;
        }
        if (isInfoLabel(label) || label->wordWrap())
            continue;
        if (fm.horizontalAdvance(label->text()) > area.width() || fm.height() > area.height())
            fail(label, label->text(),
                 QStringLiteral("needs %1 px, has %2")
                     .arg(fm.horizontalAdvance(label->text()))
                     .arg(area.width()));
    }

    for (const QGroupBox* box : window.findChildren<QGroupBox*>()) {
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.lineWidth = 1;
        option.textAlignment = box->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect label =
            box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
        const int needed = QFontMetrics(box->font()).horizontalAdvance(box->title());
        // The caption must fit the frame, and the frame's top must not be cut off by the page above it.
        const QPoint onParent = box->mapToParent(label.topLeft());
        if (label.width() < needed || !box->rect().contains(label) || onParent.y() < 0)
            fail(box, box->title(),
                 QStringLiteral("caption %1,%2 %3x%4 in frame %5x%6")
                     .arg(onParent.x())
                     .arg(onParent.y())
                     .arg(label.width())
                     .arg(label.height())
                     .arg(box->width())
                     .arg(box->height()));
    }

    const QTabWidget* tabs = window.ui().SSTab1;
    const QTabBar* bar = tabs->tabBar();
    const int tabPadding = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    for (int i = 0; i < tabs->count(); ++i) {
        const QRect tab = bar->tabRect(i);
        const int needed = QFontMetrics(bar->font()).horizontalAdvance(tabs->tabText(i)) + tabPadding;
        if (tab.width() < needed || bar->mapTo(tabs, tab.topRight()).x() >= tabs->width())
            fail(tabs, tabs->tabText(i),
                 QStringLiteral("tab %1 is %2 px wide, needs %3 inside %4")
                     .arg(i)
                     .arg(tab.width())
                     .arg(needed)
                     .arg(tabs->width()));
    }
    return failures;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void everyWidgetAtItsPlace_data();
    void everyWidgetAtItsPlace();
    void windowIsFixedWithoutMaximize();
    void stripStartsHidden();
    void infoLabelsWrapInHighlightColour_data();
    void infoLabelsWrapInHighlightColour();
    void completionNoticeIsBoldBlue();
    void helpButtonShowsOnlyAnIcon();

    void fixedTexts_data();
    void fixedTexts();
    void languageRoundTripRestoresEverything_data();
    void languageRoundTripRestoresEverything();
    void languageSwitchKeepsPickedDeviceRow();
    void startSelectsStoredRows_data();
    void startSelectsStoredRows();
    void captionsFit_data();
    void captionsFit();
    void stateTextsFitTheStateLine_data();
    void stateTextsFitTheStateLine();

    void tabChangeHidesNotice_data();
    void tabChangeHidesNotice();
    void tabChangeClearsSlotModes_data();
    void tabChangeClearsSlotModes();

    void helpOpensTopicOfVisibleTab_data();
    void helpOpensTopicOfVisibleTab();
    void helpTopicOnlyForRealTabs_data();
    void helpTopicOnlyForRealTabs();

    void startShowsStoredTab_data();
    void startShowsStoredTab();
    void exitWritesShownTabAndRows();
};

void MainWindowTest::cleanup() {
    SetLanguageOffset(0);
}

void MainWindowTest::everyWidgetAtItsPlace_data() {
    QTest::addColumn<Place>("place");
    for (const Place& place : allPlaces())
        QTest::newRow(qPrintable(place.name)) << place;
}

void MainWindowTest::everyWidgetAtItsPlace() {
    QFETCH(Place, place);
    Session session;
    QVERIFY(session.show());
    MainWindow& window = session.window();
    if (place.tab >= 0)
        session.ui().SSTab1->setCurrentIndex(place.tab);

    auto* widget = window.findChild<QWidget*>(place.name);
    QVERIFY2(widget, "widget missing");
    QWidget* container =
        place.container == QLatin1String("frmMain") ? &window : window.findChild<QWidget*>(place.container);
    QVERIFY(container);
    QVERIFY2(container->isAncestorOf(widget), "in the wrong container");

    QVERIFY(place.left % 15 == 0 && place.top % 15 == 0);
    QCOMPARE(widget->mapTo(container, QPoint(0, 0)), QPoint(pixels(place.left), pixels(place.top)));
    if (place.width >= 0)
        QCOMPARE(widget->size(), QSize(pixels(place.width), pixels(place.height)));
}

void MainWindowTest::windowIsFixedWithoutMaximize() {
    Session session;
    QVERIFY(session.show());
    MainWindow& window = session.window();
    QCOMPARE(window.objectName(), QStringLiteral("frmMain"));
    QCOMPARE(window.minimumSize(), QSize(651, 445));
    QCOMPARE(window.maximumSize(), QSize(651, 445));
    QCOMPARE(window.size(), QSize(651, 445));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(session.ui().SSTab1->count(), 4);
}

void MainWindowTest::stripStartsHidden() {
    Session session;
    QVERIFY(session.show());
    const MainWindowUi& ui = session.ui();
    QVERIFY(ui.prgProgress->isHidden());
    QVERIFY(ui.labCommandScriptCompleted->isHidden());
    QVERIFY(ui.cmdCancelCommandScript->isHidden());
    QVERIFY(!ui.cmdHelp->isHidden());
    QVERIFY(!ui.cmdQuit->isHidden());
}

void MainWindowTest::infoLabelsWrapInHighlightColour_data() {
    QTest::addColumn<QString>("name");
    for (int n = 1; n <= 4; ++n)
        QTest::newRow(qPrintable(QStringLiteral("labInfo%1").arg(n))) << QStringLiteral("labInfo%1").arg(n);
}

void MainWindowTest::infoLabelsWrapInHighlightColour() {
    QFETCH(QString, name);
    Session session;
    auto* label = session.window().findChild<QLabel*>(name);
    QVERIFY(label);
    QVERIFY(label->wordWrap());
    QCOMPARE(label->palette().color(QPalette::WindowText), label->palette().color(QPalette::Highlight));
    QVERIFY(!label->text().isEmpty());
}

void MainWindowTest::completionNoticeIsBoldBlue() {
    Session session;
    const QLabel* notice = session.ui().labCommandScriptCompleted;
    QVERIFY(notice->font().bold());
    QCOMPARE(notice->font().pointSizeF(), 9.75);
    QCOMPARE(notice->palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

void MainWindowTest::helpButtonShowsOnlyAnIcon() {
    Session session;
    const QPushButton* help = session.ui().cmdHelp;
    QVERIFY(help->text().isEmpty());
    QVERIFY(!help->icon().isNull());
    QVERIFY(!help->icon().pixmap(16, 16).isNull());
}

void MainWindowTest::fixedTexts_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("row");
    for (int language = 0; language < 2; ++language) {
        for (int row = 0; row < int(std::size(FixedTexts)); ++row) {
            const TextRow& text = FixedTexts[row];
            QTest::addRow("%s %d %s", language ? "en" : "de", text.id, text.widget) << language << row;
        }
    }
}

void MainWindowTest::fixedTexts() {
    QFETCH(int, language);
    QFETCH(int, row);
    const TextRow& text = FixedTexts[row];
    Session session({{QStringLiteral("Language"), QString::number(language)}});
    const std::optional<QString> shown = shownText(session.window(), text);
    if (!shown)
        QSKIP("the message log has no model to carry its headers yet");
    QCOMPARE(*shown, QString::fromUtf8(language ? text.english : text.german));
}

void MainWindowTest::languageRoundTripRestoresEverything_data() {
    QTest::addColumn<int>("tab");
    for (int tab = 0; tab < 4; ++tab)
        QTest::addRow("tab %d", tab) << tab;
}

void MainWindowTest::languageRoundTripRestoresEverything() {
    QFETCH(int, tab);
    Session session({{QStringLiteral("SelTab"), QString::number(tab)}});
    QVERIFY(session.show());
    const MainWindowUi& ui = session.ui();
    QCOMPARE(ui.SSTab1->currentIndex(), tab);
    const QMap<QString, QString> german = allTexts(session.window());

    pickLanguage(ui, 1);
    QCOMPARE(session.window().LanguageIndex(), 1);
    QCOMPARE(LanguageOffset(), 10000);
    QCOMPARE(ui.SSTab1->currentIndex(), tab);
    for (const TextRow& text : FixedTexts) {
        if (const std::optional<QString> shown = shownText(session.window(), text))
            QCOMPARE(*shown, QString::fromUtf8(text.english));
    }
    QCOMPARE(ui.cboLanguage->count(), 2);
    QCOMPARE(ui.cboDevice->count(), 2);

    pickLanguage(ui, 0);
    QCOMPARE(session.window().LanguageIndex(), 0);
    QCOMPARE(LanguageOffset(), 0);
    QCOMPARE(ui.SSTab1->currentIndex(), tab);
    QCOMPARE(ui.cboLanguage->currentIndex(), 0);
    const QMap<QString, QString> back = allTexts(session.window());
    for (auto it = german.cbegin(); it != german.cend(); ++it)
        QCOMPARE(back.value(it.key()), it.value());
    QCOMPARE(back.size(), german.size());
    QVERIFY(session.dialogs().calls.isEmpty());
}

void MainWindowTest::languageSwitchKeepsPickedDeviceRow() {
    Session session({{QStringLiteral("Device"), QStringLiteral("1")}});
    const MainWindowUi& ui = session.ui();
    QCOMPARE(ui.cboDevice->currentIndex(), 1);

    QTest::keyClick(ui.cboDevice, Qt::Key_Up);
    QCOMPARE(ui.cboDevice->currentIndex(), 0);
    pickLanguage(ui, 1);
    QCOMPARE(ui.cboDevice->currentIndex(), 0);
    QCOMPARE(ui.cboDevice->currentText(), QStringLiteral("Varnel 60 for MERAVIN 60 or TOLVERIN 40"));
    pickLanguage(ui, 0);
    QCOMPARE(ui.cboDevice->currentIndex(), 0);
    QCOMPARE(ui.cboDevice->currentText(), QString::fromUtf8("Varnel 60 für MERAVIN 60 oder TOLVERIN 40"));
    // The start value stays what was read; only the row follows the user.
    QCOMPARE(session.window().DeviceTypeIndex(), 1);
}

void MainWindowTest::startSelectsStoredRows_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("deviceRow");
    QTest::addColumn<int>("languageRow");
    QTest::newRow("German, Varnel 60") << "0"
                                       << "0" << 0 << 0;
    QTest::newRow("English, Varnel 70") << "1"
                                        << "1" << 1 << 1;
    QTest::newRow("not numbers") << "x"
                                 << "y" << 0 << 0;
    QTest::newRow("empty") << ""
                           << "" << 0 << 0;
}

void MainWindowTest::startSelectsStoredRows() {
    QFETCH(QString, device);
    QFETCH(QString, language);
    QFETCH(int, deviceRow);
    QFETCH(int, languageRow);
    Session session({{QStringLiteral("Device"), device}, {QStringLiteral("Language"), language}});
    QCOMPARE(session.ui().cboDevice->currentIndex(), deviceRow);
    QCOMPARE(session.ui().cboLanguage->currentIndex(), languageRow);
    QCOMPARE(LanguageOffset(), languageRow * 10000);
}

void MainWindowTest::captionsFit_data() {
    QTest::addColumn<int>("language");
    QTest::newRow("German") << 0;
    QTest::newRow("English") << 1;
}

void MainWindowTest::captionsFit() {
    QFETCH(int, language);
    Session session({{QStringLiteral("Language"), QString::number(language)}});
    QVERIFY(session.show());
    // The run-time captions of the slot buttons share the tall wrapping buttons; the empty one must fit too.
    const MainWindowUi& ui = session.ui();
    for (std::size_t i = 0; i < ui.cmdF.size(); ++i) {
        ui.cmdF[i]->setText(GetText(3102));
        ui.cmdCommand[i]->setText(GetText(3102));
    }
    for (int tab = 0; tab < ui.SSTab1->count(); ++tab) {
        ui.SSTab1->setCurrentIndex(tab);
        const QStringList failures = captionsThatDoNotFit(session.window());
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    }
}

void MainWindowTest::stateTextsFitTheStateLine_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("id");
    for (int language = 0; language < 2; ++language) {
        for (int id = 3104; id <= 3113; ++id)
            QTest::addRow("%s %d", language ? "en" : "de", id) << language << id;
    }
}

void MainWindowTest::stateTextsFitTheStateLine() {
    QFETCH(int, language);
    QFETCH(int, id);
    Session session({{QStringLiteral("Language"), QString::number(language)}});
    QLabel* state = session.ui().labState;
    QVERIFY(state->wordWrap());
    const QString text = GetText(3103) + QStringLiteral(": ") + GetText(id);
    QVERIFY(text.size() > 3);
    state->setText(text);
    QVERIFY2(state->heightForWidth(state->width()) <= state->height(), qPrintable(text));
}

void MainWindowTest::tabChangeHidesNotice_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    for (int from = 0; from < 4; ++from) {
        for (int to = 0; to < 4; ++to)
            QTest::addRow("%d to %d", from, to) << from << to;
    }
}

void MainWindowTest::tabChangeHidesNotice() {
    QFETCH(int, from);
    QFETCH(int, to);
    Session session({{QStringLiteral("SelTab"), QString::number(from)}});
    QVERIFY(session.show());
    const MainWindowUi& ui = session.ui();
    ui.labCommandScriptCompleted->show();

    QTabBar* bar = ui.SSTab1->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(to).center());
    QCOMPARE(ui.SSTab1->currentIndex(), to);
    QCOMPARE(ui.labCommandScriptCompleted->isHidden(), from != to);
}

void MainWindowTest::tabChangeClearsSlotModes_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("clears");
    for (int from = 0; from < 4; ++from) {
        for (int to = 0; to < 4; ++to)
            QTest::addRow("%d to %d", from, to) << from << to << (to != from && to != 3 ? 1 : 0);
    }
}

void MainWindowTest::tabChangeClearsSlotModes() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, clears);
    Session session({{QStringLiteral("SelTab"), QString::number(from)}});
    QSignalSpy spy(&session.window(), &MainWindow::slotModesShouldClear);
    session.ui().SSTab1->setCurrentIndex(to);
    QCOMPARE(spy.count(), clears);
}

void MainWindowTest::helpOpensTopicOfVisibleTab_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("topic");
    QTest::addColumn<QString>("page");
    const char* pages[] = {"settings.html", "commandline.html", "editor.html", "quickdial.html"};
    for (int language = 0; language < 2; ++language) {
        for (int tab = 0; tab < 4; ++tab)
            QTest::addRow("%s tab %d", language ? "en" : "de", tab)
                << language << tab << 1100 + 100 * tab << QString::fromLatin1(pages[tab]);
    }
}

void MainWindowTest::helpOpensTopicOfVisibleTab() {
    QFETCH(int, language);
    QFETCH(int, tab);
    QFETCH(int, topic);
    QFETCH(QString, page);
    Session session({{QStringLiteral("Language"), QString::number(language)}});
    QVERIFY(session.show());
    session.ui().SSTab1->setCurrentIndex(tab);
    QTest::mouseClick(session.ui().cmdHelp, Qt::LeftButton);

    HelpWindow* help = CurrentHelpWindow();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->parentWidget(), &session.window());
    QVERIFY(help->isWindow());
    QCOMPARE(help->topic(), topic);
    QCOMPARE(help->windowTitle(), language ? QStringLiteral("Help") : QStringLiteral("Hilfe"));
    const QUrl source = help->browser()->source();
    QCOMPARE(source.fileName(), page);
    QCOMPARE(source.fragment(), language ? QStringLiteral("en") : QStringLiteral("de"));
    QVERIFY(!help->browser()->document()->isEmpty());

    // A second click on another tab reuses the one window.
    session.ui().SSTab1->setCurrentIndex((tab + 1) % 4);
    QTest::mouseClick(session.ui().cmdHelp, Qt::LeftButton);
    QCOMPARE(CurrentHelpWindow(), help);
    QCOMPARE(help->topic(), 1100 + 100 * ((tab + 1) % 4));
    QCOMPARE(session.window().findChildren<HelpWindow*>().size(), 1);
}

void MainWindowTest::helpTopicOnlyForRealTabs_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("topic");
    QTest::newRow("no tab") << -1 << 0;
    QTest::newRow("0") << 0 << 1100;
    QTest::newRow("1") << 1 << 1200;
    QTest::newRow("2") << 2 << 1300;
    QTest::newRow("3") << 3 << 1400;
    QTest::newRow("4") << 4 << 0;
    QTest::newRow("large") << 1000 << 0;
}

void MainWindowTest::helpTopicOnlyForRealTabs() {
    QFETCH(int, index);
    QFETCH(int, topic);
    QCOMPARE(MainWindow::HelpTopicForTab(index), topic);
}

void MainWindowTest::startShowsStoredTab_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("tab");
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("2") << "2" << 2;
    QTest::newRow("3") << "3" << 3;
    QTest::newRow("not a number") << "x" << 0;
    QTest::newRow("no such tab") << "7" << 0;
}

void MainWindowTest::startShowsStoredTab() {
    QFETCH(QString, stored);
    QFETCH(int, tab);
    Session session({{QStringLiteral("SelTab"), stored}});
    QVERIFY(session.show());
    const QTabWidget* tabs = session.ui().SSTab1;
    QCOMPARE(tabs->currentIndex(), tab);
    QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("SSTab1Page%1").arg(tab));
    QVERIFY(tabs->currentWidget()->isVisible());
    for (int other = 0; other < tabs->count(); ++other) {
        if (other != tab)
            QVERIFY(!tabs->widget(other)->isVisible());
    }
}

void MainWindowTest::exitWritesShownTabAndRows() {
    Session session(
        {{QStringLiteral("SelTab"), QStringLiteral("2")}, {QStringLiteral("Device"), QStringLiteral("0")}});
    QVERIFY(session.show());
    const MainWindowUi& ui = session.ui();
    QCOMPARE(ui.SSTab1->currentIndex(), 2);
    ui.SSTab1->setCurrentIndex(1);
    pickLanguage(ui, 1);
    QTest::keyClick(ui.cboDevice, Qt::Key_Down);

    QTest::mouseClick(ui.cmdQuit, Qt::LeftButton);
    QVERIFY(!session.window().isVisible());
    QCOMPARE(session.setting(QStringLiteral("SelTab")), QStringLiteral("1"));
    QCOMPARE(session.setting(QStringLiteral("Language")), QStringLiteral("1"));
    QCOMPARE(session.setting(QStringLiteral("Device")), QStringLiteral("1"));
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
