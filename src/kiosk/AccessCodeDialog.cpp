#include "kiosk/AccessCodeDialog.h"

#include "foundation/TextUtil.h"
#include "platform/DialogUnits.h"
#include "platform/ProcessServices.h"
#include "platform/QtText.h"
#include "platform/UiSeam.h"
#include "platform/VirtualKeyboard.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimerEvent>

namespace {

const char* const kCancelText = "取 消||Cancel||<其它>";

} // namespace

AccessCodeDialog::AccessCodeDialog(LangIndex lang, int32_t countdown, QWidget* parent)
    : QDialog(parent), lang(lang), countdown(countdown)
{
    setFont(TouchDialogFont(12));
    // The code box, 12 units high, is the lowest control touched.
    const DialogUnits du = DialogUnits::ForTouch(font(), 12, 71);
    setFixedSize(du.X(191), du.Y(71));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    label = new QLabel(this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    du.Place(label, 7, 18, 53, 8);
    codeBox = new QLineEdit(this);
    codeBox->setEchoMode(QLineEdit::Password);
    codeBox->setInputMethodHints(kCodeFieldHints);
    du.Place(codeBox, 64, 16, 38, 12);
    okButton = new QPushButton(this);
    du.Place(okButton, 132, 7, 50, 14);
    okButton->setDefault(true);
    cancelButton = new QPushButton(this);
    du.Place(cancelButton, 132, 26, 50, 14);
    keyboardButton = new QPushButton(this);
    keyboardButton->setAutoDefault(false);
    // Touching it leaves the focus in the code box, where the keys go.
    keyboardButton->setFocusPolicy(Qt::NoFocus);
    du.Place(keyboardButton, 7, 49, 50, 14);

    setWindowTitle(
        ToQString(u" " + LangTextW("请输入裁判密码||Please input TD password[cn:请输入接入码]||<其它>", lang)));
    label->setText(ToQString(LangTextW("自助打印接入码||Code for print||<其它>", lang)));
    keyboardButton->setText(ToQString(LangTextW("软键盘||Show OSK||<其它>", lang)));
    okButton->setText(ToQString(LangTextW("确 定||OK||<其它>", lang)));
    cancelButton->setText(ToQString(LangTextW(kCancelText, lang)));

    connect(okButton, &QPushButton::clicked, this, &AccessCodeDialog::OnOK);
    connect(cancelButton, &QPushButton::clicked, this, &AccessCodeDialog::OnCancel);
    connect(keyboardButton, &QPushButton::clicked, this, &AccessCodeDialog::OnShowKeyboard);

    if (passwordTimer == 0)
        passwordTimer = startTimer(kTimerIntervalMs);
    codeBox->setFocus();
}

AccessCodeDialog::~AccessCodeDialog() = default;

void AccessCodeDialog::StopTimer()
{
    if (passwordTimer != 0) {
        killTimer(passwordTimer);
        passwordTimer = 0;
    }
}

void AccessCodeDialog::OnOK()
{
    enteredCode = WideToUtf8(ToU16(codeBox->text()));
    StopTimer();
    done(QDialog::Accepted);
}

void AccessCodeDialog::OnCancel()
{
    StopTimer();
    done(QDialog::Rejected);
}

void AccessCodeDialog::reject()
{
    OnCancel(); // Escape ends the dialog like the Cancel button
}

void AccessCodeDialog::OnShowKeyboard()
{
    // The keyboard inside the kiosk when it is the input method; otherwise a
    // keyboard program, and with none installed the director types on a
    // real keyboard.
    if (!ShowVirtualKeyboardFor(codeBox))
        StartOnScreenKeyboard();
}

void AccessCodeDialog::OnTimerTick()
{
    --countdown;
    cancelButton->setText(ToQString(LangTextW(kCancelText, lang) + u"(" + IntToWide(countdown) + u")"));
    if (countdown < 0)
        OnCancel();
}

void AccessCodeDialog::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == passwordTimer)
        OnTimerTick();
    else
        QDialog::timerEvent(event);
}

bool RunAccessCodeGate(bool synchronized, const std::string& accessCode, LangIndex lang, QWidget* parent)
{
    if (!synchronized)
        return true;
    AccessCodeDialog dialog(lang, 16, parent);
    if (Ui().RunDialog(dialog) != QDialog::Accepted)
        return false;
    if (EqualsIgnoreCase(dialog.EnteredCode(), accessCode))
        return true;
    Ui().ShowMessage(parent, LangTextW("接入码不正确.||The access code is incorrect.||<其它>", lang), u"qivBridgePrint",
                     MessageBoxStyle::Ok);
    return false;
}
