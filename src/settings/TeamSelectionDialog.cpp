#include "settings/TeamSelectionDialog.h"

#include "foundation/TextUtil.h"
#include "platform/DialogUnits.h"
#include "platform/QtText.h"
#include "platform/UiSeam.h"

#include <QCheckBox>
#include <QCursor>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimerEvent>

#include <map>

namespace {

const char* const kCancelText = "取 消||Cancel||<其它>";
constexpr int kSectionRole = Qt::UserRole;
constexpr int kTeamRole = Qt::UserRole + 1;

} // namespace

TeamSelectionDialog::TeamSelectionDialog(LangIndex lang, std::vector<SignupEntry> entryCopy, QWidget* parent)
    : QDialog(parent), language(lang), entries(std::move(entryCopy))
{
    // A large font: the director chooses with a finger.
    setFont(TouchDialogFont(20));
    // Quick find, 14 units high, is the lowest button; the list's rows get
    // the touch height from the application's style.
    const DialogUnits du = DialogUnits::ForTouch(font(), 14, 109);
    setFixedSize(du.X(191), du.Y(109));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(ToQString(u" " + LangTextW("打印确认||Print confirm[cn:打印确认]||<其它>", language)));

    list = new QListWidget(this);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    du.Place(list, 7, 7, 121, 96);
    okButton = new QPushButton(this);
    du.Place(okButton, 132, 7, 50, 29);
    cancelButton = new QPushButton(this);
    du.Place(cancelButton, 132, 52, 50, 16);
    twoCopies = new QCheckBox(QStringLiteral("打印两份"), this);
    du.Place(twoCopies, 138, 73, 44, 10);
    twoCopies->hide();
    quickFindButton = new QPushButton(this);
    quickFindButton->setAutoDefault(false);
    du.Place(quickFindButton, 132, 89, 50, 14);

    FillRows(OrderedRows(entries));
    if (list->count() == 1)
        list->setCurrentRow(0);
    if (EntryList().BuildGroups().empty())
        quickFindButton->setEnabled(false);

    okButton->setText(ToQString(LangTextW("确 定||OK||<其它>", language)));
    cancelButton->setText(ToQString(LangTextW(kCancelText, language)));
    quickFindButton->setText(ToQString(LangTextW("快速查找||Quick find||<其它>", language)));
    okButton->setDefault(true);

    connect(okButton, &QPushButton::clicked, this, &TeamSelectionDialog::OnOK);
    connect(cancelButton, &QPushButton::clicked, this, &TeamSelectionDialog::OnCancel);
    connect(quickFindButton, &QPushButton::clicked, this, &TeamSelectionDialog::OnQuickFind);

    if (timer == 0)
        timer = startTimer(kTimerIntervalMs);
}

TeamSelectionDialog::~TeamSelectionDialog() = default;

std::vector<SignupEntry> TeamSelectionDialog::OrderedRows(const std::vector<SignupEntry>& entries)
{
    // Team number first (North-South before East-West), then the section as
    // zero-padded text, then the name; an equal key replaces the earlier row.
    std::map<std::string, SignupEntry> byKey;
    for (const SignupEntry& e : entries) {
        const std::string key =
            SignedSortKey(e.GetTeamNumber(), ",") + TextSortKey(IntToString(e.GetSectionId()), 20) + e.GetTeamName();
        byKey[key] = e;
    }
    std::vector<SignupEntry> rows;
    rows.reserve(byKey.size());
    for (auto& [key, e] : byKey)
        rows.push_back(std::move(e));
    return rows;
}

void TeamSelectionDialog::FillRows(const std::vector<SignupEntry>& rows)
{
    list->clear();
    for (const SignupEntry& e : rows) {
        auto* item = new QListWidgetItem(ToQString(Utf8ToWide(e.Label())), list);
        item->setData(kSectionRole, e.GetSectionId());
        item->setData(kTeamRole, e.GetTeamNumber());
    }
}

SignupList TeamSelectionDialog::EntryList() const
{
    SignupList all;
    for (const SignupEntry& e : entries)
        all.push_back(e);
    return all;
}

void TeamSelectionDialog::StopTimer()
{
    if (timer != 0) {
        killTimer(timer);
        timer = 0;
    }
}

void TeamSelectionDialog::OnTimerTick()
{
    --countdown;
    cancelButton->setText(ToQString(LangTextW(kCancelText, language) + u"(" + IntToWide(countdown) + u")"));
    if (countdown < 0)
        OnCancel();
}

void TeamSelectionDialog::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timer)
        OnTimerTick();
    else
        QDialog::timerEvent(event);
}

void TeamSelectionDialog::OnQuickFind()
{
    const SignupList all = EntryList();
    const std::vector<SignupGroup> groups = all.BuildGroups();
    if (groups.empty())
        return;
    QMenu menu(this);
    menu.setFont(font());
    for (size_t i = 0; i < groups.size(); ++i) {
        QAction* action = menu.addAction(ToQString(Utf8ToWide(groups[i].label)));
        action->setData(kFirstQuickFindId + static_cast<int>(i));
    }
    QAction* chosen = Ui().TrackMenu(menu, QCursor::pos());
    if (chosen == nullptr)
        return;
    const int index = chosen->data().toInt() - kFirstQuickFindId;
    if (index < 0 || index >= static_cast<int>(groups.size()))
        return;
    const SignupList selection = all.SelectGroup(groups[index].sectionId, groups[index].numbersText);
    FillRows(std::vector<SignupEntry>(selection.begin(), selection.end()));
    // A single row left is not selected: the director still touches it.
    list->setCurrentRow(-1);
    list->clearSelection();
}

void TeamSelectionDialog::OnOK()
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty()) {
        Ui().ShowMessage(this, LangTextW("请选择一个.||Please select a team(cn:请选择一个).||<其它>", language),
                         u"qivBridgePrint", MessageBoxStyle::Ok);
        return;
    }
    chosenSection = selected.front()->data(kSectionRole).toInt();
    chosenTeam = selected.front()->data(kTeamRole).toInt();
    StopTimer();
    done(QDialog::Accepted);
}

void TeamSelectionDialog::OnCancel()
{
    StopTimer();
    done(QDialog::Rejected);
}

void TeamSelectionDialog::reject()
{
    OnCancel();
}
