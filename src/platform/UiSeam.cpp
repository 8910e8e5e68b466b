#include "platform/UiSeam.h"
#include "platform/DialogUnits.h"
#include "platform/QtText.h"

#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QString>

namespace {

class InteractiveUiSeam : public UiSeam {
public:
    int ShowMessage(QWidget* parent, const std::u16string& text, const std::u16string& caption, unsigned style) override
    {
        QMessageBox box(parent);
        // Read at arm's length; its buttons get a finger's height from the
        // application's style.
        box.setFont(TouchDialogFont(12));
        box.setText(ToQString(text));
        box.setWindowTitle(ToQString(caption));
        const unsigned icon = style & 0xF0;
        box.setIcon(icon == MessageBoxStyle::IconQuestion  ? QMessageBox::Question
                    : icon == MessageBoxStyle::IconWarning ? QMessageBox::Warning
                                                           : QMessageBox::NoIcon);
        if ((style & 0xF) == MessageBoxStyle::OkCancel) {
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton((style & MessageBoxStyle::DefaultButton2) ? QMessageBox::Cancel : QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Cancel);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Ok);
        }
        return box.exec() == QMessageBox::Ok ? MessageBoxAnswer::Ok : MessageBoxAnswer::Cancel;
    }

    int RunDialog(QDialog& dialog) override
    {
        // The on-screen keyboard is a window of its own: a dialog modal to
        // the whole application would refuse its touches. Modal to the window
        // it belongs to, it still keeps the kiosk's frame waiting.
        if (dialog.parentWidget() != nullptr && dialog.windowModality() == Qt::NonModal)
            dialog.setWindowModality(Qt::WindowModal);
        return dialog.exec();
    }

    QAction* TrackMenu(QMenu& menu, const QPoint& at) override { return menu.exec(at); }
};

InteractiveUiSeam& Interactive()
{
    static InteractiveUiSeam seam;
    return seam;
}

UiSeam* g_seam = nullptr;

} // namespace

UiSeam& Ui()
{
    return g_seam ? *g_seam : Interactive();
}

void SetUiSeam(UiSeam* seam)
{
    g_seam = seam;
}

ScriptedUiSeam::ScriptedUiSeam()
{
    SetUiSeam(this);
}

ScriptedUiSeam::~ScriptedUiSeam()
{
    if (&Ui() == this)
        SetUiSeam(nullptr);
}

int ScriptedUiSeam::ShowMessage(QWidget*, const std::u16string& text, const std::u16string& caption, unsigned style)
{
    messages.push_back({text, caption, style});
    if (messageAnswers.empty())
        return MessageBoxAnswer::Cancel;
    const int answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

int ScriptedUiSeam::RunDialog(QDialog& dialog)
{
    ++dialogsRun;
    if (dialogHandlers.empty())
        return QDialog::Rejected;
    auto handler = std::move(dialogHandlers.front());
    dialogHandlers.pop_front();
    return handler(dialog);
}

QAction* ScriptedUiSeam::TrackMenu(QMenu& menu, const QPoint&)
{
    ++menusShown;
    if (menuHandlers.empty())
        return nullptr;
    auto handler = std::move(menuHandlers.front());
    menuHandlers.pop_front();
    return handler(menu);
}
