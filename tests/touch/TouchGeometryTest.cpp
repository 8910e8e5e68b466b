// The director's controls and the on-screen keyboard as a finger meets them,
// on one screen size per run (--screen WxH, on a virtual X display of that
// size): the kiosk's own dialogs, its
// menu, the printer choice and its message boxes laid out by the kiosk's
// touch style, and every key of the keyboard's pages read from the keyboard
// itself once it is up. Each run prints the table of what it measured.
//
// The program makes its own application object: the screen size and the
// input method are fixed before that, as the kiosk fixes its own.

#include "foundation/Files.h"
#include "kiosk/AccessCodeDialog.h"
#include "kiosk/SelfPrintDesktop.h"
#include "platform/Fonts.h"
#include "platform/PrintSystem.h"
#include "platform/TouchStyle.h"
#include "platform/UiSeam.h"
#include "platform/VirtualKeyboard.h"
#include "settings/KioskSettings.h"
#include "settings/SettingsDialog.h"
#include "settings/TeamSelectionDialog.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QInputMethod>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int g_width = 1280;
int g_height = 800;

void Pump(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Waits, pumping events, until `done` holds or `ms` have passed.
template <typename F>
bool PumpUntil(F done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

QRect GlobalRect(const QWidget* w)
{
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

std::string Name(const QWidget* w)
{
    if (const auto* b = qobject_cast<const QAbstractButton*>(w); b != nullptr && !b->text().isEmpty())
        return std::string(w->metaObject()->className()) + " \"" + b->text().toStdString() + "\"";
    return w->metaObject()->className();
}

// One line of the printed table.
void Row(const std::string& where, const std::string& what, const QRect& r)
{
    std::printf("%-10s %-26s %-44s %5d,%-5d %4dx%-4d\n",
                (std::to_string(g_width) + "x" + std::to_string(g_height)).c_str(), where.c_str(), what.c_str(), r.x(),
                r.y(), r.width(), r.height());
}

// Every control of `window` a finger touches (visible buttons, check boxes,
// text fields, drop-downs): each at least the touch height, inside the window
// and the screen. Labels and frames are read, not touched.
void ExpectFingerHigh(QWidget& window, const std::string& where)
{
    const int target = TouchTargetPixelsInForce();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    int seen = 0;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const bool touched = qobject_cast<QAbstractButton*>(w) != nullptr || qobject_cast<QLineEdit*>(w) != nullptr ||
                             qobject_cast<QComboBox*>(w) != nullptr;
        // A line edit inside a drop-down or a spin box is that control's.
        if (!touched || !w->isVisible() || qobject_cast<QComboBox*>(w->parentWidget()) != nullptr ||
            qobject_cast<QAbstractSpinBox*>(w->parentWidget()) != nullptr)
            continue;
        ++seen;
        const QRect r = GlobalRect(w);
        Row(where, Name(w), r);
        EXPECT_GE(r.height(), target) << where << ": " << Name(w) << " is " << r.height() << " px high";
        EXPECT_TRUE(GlobalRect(&window).contains(r)) << where << ": " << Name(w) << " leaves its window";
        EXPECT_TRUE(screen.contains(r)) << where << ": " << Name(w) << " leaves the screen";
    }
    EXPECT_GT(seen, 0) << where << ": no control found";
}

// --- the keyboard ---------------------------------------------------------------

struct Key {
    std::string label;
    QRect rect; // on the screen
};

std::string KeyLabel(const QQuickItem* item)
{
    const QString display = item->property("displayText").toString();
    if (!display.isEmpty())
        return display.toStdString();
    std::string kind = item->metaObject()->className();
    return kind.substr(0, kind.find('_'));
}

void CollectKeys(QQuickItem* item, const QPoint& origin, std::vector<Key>& out)
{
    if (item == nullptr || !item->isVisible())
        return;
    if (item->property("keyType").isValid()) {
        const std::string kind = item->metaObject()->className();
        // Fillers are room between keys, not keys.
        if (kind.rfind("FillerKey", 0) != 0)
            out.push_back(
                {KeyLabel(item),
                 item->mapRectToScene(QRectF(0, 0, item->width(), item->height())).toRect().translated(origin)});
        return;
    }
    for (QQuickItem* child : item->childItems())
        CollectKeys(child, origin, out);
}

// The keys on the screen now: those of every visible Qt Quick window.
std::vector<Key> KeysShown()
{
    std::vector<Key> keys;
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        auto* quick = qobject_cast<QQuickWindow*>(window);
        if (quick != nullptr && quick->isVisible())
            CollectKeys(quick->contentItem(), quick->position(), keys);
    }
    return keys;
}

// The keyboard's keys once it is up and its page laid out (the same keys in
// the same places on two looks in a row).
std::vector<Key> SettledKeys(const std::string& page)
{
    std::vector<Key> last;
    auto same = [](const std::vector<Key>& a, const std::vector<Key>& b) {
        if (a.size() != b.size() || a.empty())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i].label != b[i].label || a[i].rect != b[i].rect)
                return false;
        return true;
    };
    std::vector<Key> now;
    const bool settled = PumpUntil(
        [&] {
            last = std::move(now);
            now = KeysShown();
            return QGuiApplication::inputMethod()->isVisible() && same(last, now);
        },
        8000);
    EXPECT_TRUE(settled) << "the keyboard's " << page << " page did not come up";
    return now;
}

// Every key inside the screen, none over another, each large enough for a
// finger; the keys in rows from the top, with their labels in order.
std::vector<std::vector<Key>> CheckKeys(const std::vector<Key>& keys, const std::string& page)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int target = TouchTargetPixelsInForce();
    std::map<int, std::vector<Key>> byRow;
    for (const Key& k : keys) {
        EXPECT_TRUE(screen.contains(k.rect))
            << page << ": key " << k.label << " at " << k.rect.x() << "," << k.rect.y() << " " << k.rect.width() << "x"
            << k.rect.height() << " is not inside the screen";
        EXPECT_GE(k.rect.width(), target) << page << ": key " << k.label << " is " << k.rect.width() << " px wide";
        EXPECT_GE(k.rect.height(), target) << page << ": key " << k.label << " is " << k.rect.height() << " px high";
        byRow[k.rect.top()].push_back(k);
    }
    for (size_t i = 0; i < keys.size(); ++i)
        for (size_t j = i + 1; j < keys.size(); ++j)
            EXPECT_FALSE(keys[i].rect.intersects(keys[j].rect))
                << page << ": keys " << keys[i].label << " and " << keys[j].label << " overlap";
    std::vector<std::vector<Key>> rows;
    for (auto& [top, row] : byRow) {
        std::sort(row.begin(), row.end(), [](const Key& a, const Key& b) { return a.rect.left() < b.rect.left(); });
        std::string labels;
        for (const Key& k : row)
            labels += k.label + " ";
        const QRect first = row.front().rect;
        Row("keyboard " + page, "row " + std::to_string(rows.size()) + ": " + labels, first.united(row.back().rect));
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> Labels(const std::vector<Key>& row)
{
    std::vector<std::string> out;
    for (const Key& k : row)
        out.push_back(k.label);
    return out;
}

// Touches `field` as the director would: focus, and the keyboard asked up.
void TouchField(QLineEdit* field)
{
    field->window()->activateWindow();
    ShowVirtualKeyboardFor(field);
}

QRect KeyboardTop()
{
    return QGuiApplication::inputMethod()->keyboardRectangle().toAlignedRect();
}

class TouchGeometry : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.Valid());
        KioskSettings::SetFilePathForTesting(dir.File("Self_Print.txt"));
    }
    void TearDown() override
    {
        QGuiApplication::inputMethod()->hide();
        Pump(100);
        SetUiSeam(nullptr);
        KioskSettings::SetFilePathForTesting("");
    }

    TempDir dir;
};

std::vector<SignupEntry> Entries(int n)
{
    std::vector<SignupEntry> entries;
    for (int i = 1; i <= n; ++i) {
        SignupEntry e;
        e.SetSectionId(1);
        e.SetSectionName("A");
        e.SetTeamNumber(i);
        e.SetTeamName("Team " + std::to_string(i));
        entries.push_back(e);
    }
    return entries;
}

} // namespace

TEST_F(TouchGeometry, TheKiosksOwnDialogsAreFingerHighInBothLanguages)
{
    const int target = TouchTargetPixelsInForce();
    EXPECT_GE(target, 48);
    for (LangIndex lang : {kLangChinese, kLangEnglish}) {
        const std::string in = lang == kLangChinese ? " zh" : " en";
        {
            SettingsDialog dialog(lang, KioskSettings());
            dialog.show();
            Pump(50);
            ExpectFingerHigh(dialog, "settings" + in);
        }
        {
            AccessCodeDialog dialog(lang, 16);
            dialog.show();
            Pump(50);
            ExpectFingerHigh(dialog, "access code" + in);
        }
        {
            // More than twenty entries: quick find is offered.
            TeamSelectionDialog dialog(lang, Entries(30));
            dialog.show();
            Pump(50);
            ExpectFingerHigh(dialog, "team selection" + in);
            QListWidget* list = dialog.List();
            ASSERT_GT(list->count(), 0);
            const QRect row = list->visualItemRect(list->item(0));
            Row("team selection" + in, "list row", row.translated(GlobalRect(list->viewport()).topLeft()));
            EXPECT_GE(row.height(), target) << "a list row is " << row.height() << " px high";
        }
    }
}

TEST_F(TouchGeometry, TheMenuAndTheBoxesQtLaysOutAreFingerHigh)
{
    const int target = TouchTargetPixelsInForce();
    for (LangIndex lang : {kLangChinese, kLangEnglish}) {
        const std::string in = lang == kLangChinese ? " zh" : " en";
        // The language is the settings file's, as the kiosk reads it.
        WriteWholeFile(dir.File("Self_Print.txt"), lang == kLangEnglish ? "{\"9\":1}\n" : "{}\n", 1);
        QWidget host;
        host.setGeometry(QGuiApplication::primaryScreen()->geometry());
        auto* desktop = new SelfPrintDesktop(&host, FrameServices{});
        desktop->setGeometry(host.rect());
        desktop->EnableDurablePrinting(dir.Path() + "/", nullptr);
        host.show();
        Pump(50);

        // The director's menu, as it opens on a touch.
        ScriptedUiSeam ui;
        SetUiSeam(&ui);
        int rows = 0;
        ui.menuHandlers.push_back([&](QMenu& menu) -> QAction* {
            menu.popup(QPoint(g_width / 2, g_height / 4));
            Pump(50);
            for (QAction* a : menu.actions()) {
                if (a->isSeparator())
                    continue;
                ++rows;
                const QRect r = menu.actionGeometry(a).translated(menu.pos());
                Row("menu" + in, a->text().toStdString(), r);
                EXPECT_GE(r.height(), target) << a->text().toStdString();
                EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().contains(r)) << a->text().toStdString();
            }
            menu.hide();
            return nullptr;
        });
        desktop->ShowContextMenu();
        EXPECT_EQ(rows, 8) << "every row of the menu measured";
        SetUiSeam(nullptr);

        // Boxes that wait for an answer: looked at once they are up, then
        // closed from outside as a person's touch would.
        auto inspectModal = [&](const std::string& where, std::function<void(QWidget&)> more) {
            QTimer::singleShot(0, [=] {
                QWidget* box = nullptr;
                PumpUntil([&] { return (box = QApplication::activeModalWidget()) != nullptr && box->isVisible(); },
                          5000);
                ASSERT_NE(box, nullptr) << where << " did not open";
                Pump(50);
                ExpectFingerHigh(*box, where);
                more(*box);
                qobject_cast<QDialog*>(box)->reject();
            });
        };
        inspectModal("discard pending" + in, [](QWidget&) {});
        Ui().ShowMessage(desktop,
                         LangTextW("放弃所有待打印的记分表?||Discard every pending scorecard? They will not be "
                                   "printed.||<其它>",
                                   lang),
                         u"kiosk", MessageBoxStyle::OkCancel | MessageBoxStyle::IconQuestion);

        // The printer choice names its button for what it does.
        inspectModal("printer choice" + in, [lang](QWidget& dialog) {
            QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            EXPECT_EQ(ok->text().toStdString(), lang == kLangEnglish ? "Use this printer" : "选用此打印机");
        });
        QtPrintSystem printers;
        EXPECT_FALSE(printers.RunPrintDialog(1, PrinterChoice{}, {PrintDialogPurpose::ChoosePrinter, lang}));
        delete desktop;
    }
}

TEST_F(TouchGeometry, EveryKeyIsOnTheScreenAndApartAndTheFieldAboveIt)
{
    for (LangIndex lang : {kLangChinese, kLangEnglish}) {
        const std::string in = lang == kLangChinese ? " zh" : " en";
        SettingsDialog dialog(lang, KioskSettings());
        dialog.show();
        Pump(50);
        auto fieldClear = [&](QLineEdit* field, const std::string& what) {
            // The dialog makes way for the keyboard.
            PumpUntil([&] { return GlobalRect(field).bottom() < KeyboardTop().top(); }, 3000);
            EXPECT_LT(GlobalRect(field).bottom(), KeyboardTop().top())
                << what << in << ": the field is under the keyboard's top at y=" << KeyboardTop().top();
            EXPECT_GE(GlobalRect(field).top(), 0) << what << in << ": the field is above the screen";
        };

        // An address opens the digits and signs.
        TouchField(dialog.Edit(SettingsDialog::IdServerIp));
        const auto digits = CheckKeys(SettledKeys("digits" + in), "digits" + in);
        fieldClear(dialog.Edit(SettingsDialog::IdServerIp), "address");
        ASSERT_EQ(digits.size(), 4u);
        EXPECT_EQ(Labels(digits[0]), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"}));
        const std::vector<std::string> bottom = Labels(digits[3]);
        EXPECT_EQ(bottom.front(), "ABC") << "the way to the letters";
        EXPECT_EQ(std::count(bottom.begin(), bottom.end(), "."), 1);

        TouchField(dialog.Edit(SettingsDialog::IdAccessCode));
        fieldClear(dialog.Edit(SettingsDialog::IdAccessCode), "code");

        // A title opens the letters.
        TouchField(dialog.Edit(SettingsDialog::IdTitle));
        PumpUntil([] { return !KeysShown().empty() && KeysShown().front().label == "q"; }, 5000);
        const auto letters = CheckKeys(SettledKeys("letters" + in), "letters" + in);
        fieldClear(dialog.Edit(SettingsDialog::IdTitle), "title");
        ASSERT_EQ(letters.size(), 4u);
        EXPECT_EQ(Labels(letters[0]), (std::vector<std::string>{"q", "w", "e", "r", "t", "y", "u", "i", "o", "p"}));
        EXPECT_EQ(Labels(letters[3]).front(), "123") << "the way back to the digits";

        // The filter at the dialog's foot.
        TouchField(dialog.Edit(SettingsDialog::IdFilter));
        fieldClear(dialog.Edit(SettingsDialog::IdFilter), "filter");
        QGuiApplication::inputMethod()->hide();
        Pump(100);
    }

    // A field of digits only (the print dialog's copies) opens the pad.
    QLineEdit copies;
    copies.setInputMethodHints(Qt::ImhDigitsOnly);
    copies.setGeometry(10, 10, 200, 48);
    copies.show();
    TouchField(&copies);
    PumpUntil([] { return !KeysShown().empty() && KeysShown().front().label == "7"; }, 5000);
    const auto pad = CheckKeys(SettledKeys("pad"), "pad");
    EXPECT_EQ(pad.size(), 4u);
}

namespace {

// Starts Xvfb with one screen of width x height and points DISPLAY at it; the
// server's pid, or 0 when it could not start.
pid_t StartVirtualDisplay(int width, int height)
{
    int fds[2];
    if (pipe(fds) != 0)
        return 0;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        std::vector<const char*> args = {"Xvfb",         "-displayfd", fd.c_str(), "-screen", "0",
                                         screen.c_str(), "-nolisten",  "tcp",      nullptr};
        // Gone with the test, however the test ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (FILE* devnull = std::fopen("/dev/null", "w")) {
            dup2(fileno(devnull), STDOUT_FILENO);
            dup2(fileno(devnull), STDERR_FILENO);
        }
        execvp("Xvfb", const_cast<char* const*>(args.data()));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c = 0;
    // Xvfb writes the display's number once it takes connections.
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (pid < 0 || number.empty()) {
        if (pid > 0)
            kill(pid, SIGKILL);
        return 0;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return pid;
}

pid_t g_display = 0;

void StopVirtualDisplay()
{
    if (g_display > 0) {
        kill(g_display, SIGTERM);
        waitpid(g_display, nullptr, 0);
    }
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--screen")
            std::sscanf(argv[i + 1], "%dx%d", &g_width, &g_height);
    // The kiosk's own display path, X11, on a screen of the size asked for:
    // the keyboard's window shows only where windows are really shown.
    g_display = StartVirtualDisplay(g_width, g_height);
    if (g_display == 0) {
        std::printf("skipped: Xvfb could not be started (scripts/setup installs it)\n");
        return 77;
    }
    std::atexit(StopVirtualDisplay);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    // As the kiosk starts: its keyboard chosen, its touch style, the field
    // kept above the keyboard, its fonts.
    unsetenv("QT_IM_MODULE");
    unsetenv("QT_VIRTUALKEYBOARD_LAYOUT_PATH");
    ChooseVirtualKeyboard();
    static int appArgc = argc;
    new QApplication(appArgc, argv);
    InstallTouchStyle();
    InstallKeyboardAvoidance();
    InstallFontSubstitutions();
    return RUN_ALL_TESTS();
}
