#include "settings/SettingsDialog.h"

#include "platform/DialogUnits.h"
#include "platform/QtText.h"
#include "platform/UiSeam.h"
#include "platform/VirtualKeyboard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

namespace {

std::string Utf8(const QString& text)
{
    return WideToUtf8(ToU16(text));
}

// A caption wider than its box (a long translation in the touch font) is set
// just small enough to fit, instead of being cut off at one end.
void FitLabelText(QLabel& label)
{
    const int room = label.width();
    QFont font = label.font();
    for (int step = 0; step < 20 && QFontMetrics(font).horizontalAdvance(label.text()) > room; ++step) {
        if (font.pixelSize() > 0) {
            if (font.pixelSize() <= 6)
                break;
            font.setPixelSize(font.pixelSize() - 1);
        } else {
            if (font.pointSizeF() <= 5)
                break;
            font.setPointSizeF(font.pointSizeF() - 0.5);
        }
    }
    if (font != label.font())
        label.setFont(font);
}

} // namespace

SettingsDialog::SettingsDialog(LangIndex lang, const KioskSettings& copy, QWidget* parent)
    : QDialog(parent), language(lang), settings(copy)
{
    setFont(TouchDialogFont(12));
    // The check boxes, 10 units high, are the lowest controls touched.
    const DialogUnits du = DialogUnits::ForTouch(font(), 10, 139);
    setFixedSize(du.X(268), du.Y(139));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto label = [&](int id, int x, int y, int w, int h, Qt::Alignment align, const char* text) {
        auto* l = new QLabel(this);
        // Level with the box beside it, however far the units are stretched.
        l->setAlignment(align | Qt::AlignVCenter);
        l->setText(ToQString(LangTextW(text, language)));
        du.Place(l, x, y, w, h);
        FitLabelText(*l);
        controls.emplace_back(id, l);
        return l;
    };
    auto edit = [&](int id, int x, int y, int w, int h) {
        auto* e = new QLineEdit(this);
        du.Place(e, x, y, w, h);
        controls.emplace_back(id, e);
        return e;
    };
    auto check = [&](int id, int x, int y, int w, int h, const QString& text) {
        auto* c = new QCheckBox(text, this);
        du.Place(c, x, y, w, h);
        controls.emplace_back(id, c);
        return c;
    };
    auto button = [&](int id, int x, int y, int w, int h, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        du.Place(b, x, y, w, h);
        controls.emplace_back(id, b);
        return b;
    };

    setWindowTitle(ToQString(u" " + LangTextW("设置||settings[cn:设置]||<其它>", language)));
    label(IdServerLabel, 11, 10, 68, 8, Qt::AlignRight, "算分服务器IP||Scoring Server IP||<其它>");
    QLineEdit* server = edit(IdServerIp, 82, 7, 84, 12);
    label(IdCodeLabel, 25, 24, 53, 8, Qt::AlignRight, "自助打印接入码||Code for self print||<其它>");
    QLineEdit* code = edit(IdAccessCode, 82, 22, 38, 12);
    code->setEchoMode(QLineEdit::Password);
    server->setInputMethodHints(kAddressFieldHints);
    code->setInputMethodHints(kCodeFieldHints);
    label(IdTitleLabel, 11, 44, 67, 8, Qt::AlignRight, "标题||Title||<其它>");
    QLineEdit* title = edit(IdTitle, 82, 42, 111, 12);
    // The two switches keep their Chinese captions in every language.
    QCheckBox* reprint = check(IdReprintAllowed, 82, 56, 78, 10, QStringLiteral("可补打"));
    QCheckBox* needCode = check(IdCodeRequired, 82, 66, 99, 10, QStringLiteral("需密码"));
    QLabel* swiss = label(IdSwissLabel, 25, 82, 183, 8, Qt::AlignLeft,
                          "瑞双的打印起始轮号||Start round num by swiss pair[cn:瑞双的打印起始轮号]||<其它>");
    swiss->hide();
    auto* rounds = new QComboBox(this);
    du.Place(rounds, 82, 92, 54, 12); // a closed drop-down shows one line of its 104
    rounds->hide();
    controls.emplace_back(IdSwissRounds, rounds);
    label(IdFilterLabel, 25, 108, 214, 8, Qt::AlignLeft,
          "部分打印(组号#队号范围; 空,则全匹配)||Partial Matching Printing(Empty, match "
          "all)[cn:部分打印(空,则全匹配)]||<其它>");
    QLineEdit* filter = edit(IdFilter, 82, 117, 83, 12);
    filter->setInputMethodHints(kFilterFieldHints);
    QPushButton* example = button(IdExample, 167, 117, 29, 12, QStringLiteral("示例"));
    QPushButton* ok = button(IdOk, 206, 7, 50, 14, ToQString(LangTextW("确 定||OK||<其它>", language)));
    ok->setDefault(true);
    QPushButton* cancel = button(IdCancel, 206, 26, 50, 14, ToQString(LangTextW("取 消||Cancel||<其它>", language)));
    for (int y : {38, 78, 104}) {
        auto* line = new QFrame(this);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setGeometry(du.X(7), du.Y(y), du.X(188), std::max(2, du.Y(1)));
    }

    server->setText(ToQString(Utf8ToWide(settings.GetServerIpOrDefault())));
    title->setText(ToQString(Utf8ToWide(settings.GetTitle())));
    filter->setText(ToQString(Utf8ToWide(settings.GetPartialFilter())));
    needCode->setChecked(settings.GetCodeRequired());
    reprint->setChecked(settings.GetReprintAllowed());

    connect(ok, &QPushButton::clicked, this, &SettingsDialog::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(example, &QPushButton::clicked, this, &SettingsDialog::OnExample);
}

SettingsDialog::~SettingsDialog() = default;

QWidget* SettingsDialog::Control(int id) const
{
    for (const auto& [controlId, widget] : controls)
        if (controlId == id)
            return widget;
    return nullptr;
}

QLineEdit* SettingsDialog::Edit(int id) const
{
    return qobject_cast<QLineEdit*>(Control(id));
}

QCheckBox* SettingsDialog::Check(int id) const
{
    return qobject_cast<QCheckBox*>(Control(id));
}

void SettingsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // With an address already there, the director's next step is the code.
    if (Edit(IdServerIp)->text().size() > 3)
        Edit(IdAccessCode)->setFocus();
}

void SettingsDialog::ShowRefusal(const std::u16string& text)
{
    if (refusal == nullptr) {
        refusal = new QLabel(this);
        refusal->setWordWrap(true);
        refusal->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        QPalette palette = refusal->palette();
        palette.setColor(QPalette::WindowText, QColor(176, 0, 0));
        refusal->setPalette(palette);
        // Where the hidden round controls stand: the room between the
        // second and third separator, the dialog's width beside the buttons.
        const QWidget* swiss = Control(IdSwissLabel);
        const QWidget* filterLabel = Control(IdFilterLabel);
        const int top = swiss->geometry().top() - swiss->height() / 2;
        refusal->setGeometry(swiss->geometry().left(), top, Control(IdOk)->geometry().right() - swiss->geometry().left(),
                             filterLabel->geometry().top() - top - 4);
    }
    refusal->setText(ToQString(text));
    refusal->setVisible(!text.empty());
}

void SettingsDialog::OnExample()
{
    Edit(IdFilter)->setText(QStringLiteral("A;C#21~29"));
}

void SettingsDialog::OnOK()
{
    const QString address = Edit(IdServerIp)->text();
    const QString code = Edit(IdAccessCode)->text();
    if (address.size() < 8) {
        Ui().ShowMessage(
            this,
            LangTextW("请输入合规的IP.||Please enter a compliant IP address(cn:请输入合规的IP).||<其它>", language),
            u"qivBridgePrint", MessageBoxStyle::Ok);
        return;
    }
    if (code.isEmpty()) {
        Ui().ShowMessage(this,
                         LangTextW("请输入裁判密码.||Please enter a TD password (cn:请输入接入码).||<其它>", language),
                         u"qivBridgePrint", MessageBoxStyle::Ok);
        return;
    }
    settings.SetServerIp(Utf8(address));
    settings.SetAccessCode(Utf8(code));
    settings.SetTitle(Utf8(Edit(IdTitle)->text()));
    settings.SetPartialFilter(Utf8(Edit(IdFilter)->text()));
    settings.SetReprintAllowed(Check(IdReprintAllowed)->isChecked());
    settings.SetCodeRequired(Check(IdCodeRequired)->isChecked());
    done(QDialog::Accepted);
}
