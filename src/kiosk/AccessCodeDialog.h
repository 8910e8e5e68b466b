#pragma once
// The small modal dialog that asks the tournament director for the access
// code. It counts down on its Cancel button and cancels itself, so an
// unattended kiosk is never left blocked by it.

#include "foundation/LocText.h"

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

class AccessCodeDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTimerIntervalMs = 1000;

    AccessCodeDialog(LangIndex lang, int32_t countdown, QWidget* parent = nullptr);
    ~AccessCodeDialog() override;

    const std::string& EnteredCode() const { return enteredCode; }
    int32_t Countdown() const { return countdown; }
    bool TimerRunning() const { return passwordTimer != 0; }

    // The handlers of the dialog's buttons and timer.
    void OnOK();
    void OnCancel();
    void OnShowKeyboard();
    void OnTimerTick();

    QLineEdit* CodeBox() const { return codeBox; }
    QPushButton* OkButton() const { return okButton; }
    QPushButton* CancelButton() const { return cancelButton; }
    QPushButton* KeyboardButton() const { return keyboardButton; }
    QLabel* Label() const { return label; }

protected:
    void timerEvent(QTimerEvent* event) override;
    void reject() override;

private:
    void StopTimer();

    LangIndex lang;
    std::string enteredCode;
    int passwordTimer = 0;
    int32_t countdown;

    QLabel* label = nullptr;
    QLineEdit* codeBox = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* keyboardButton = nullptr;
};

// Asks for the access code when the kiosk is in step with the server (before
// that no code has been confirmed, so everything passes). True when the typed
// code equals `accessCode` without regard to ASCII letter case; a wrong code
// shows "The access code is incorrect." and gives false, as do Cancel and
// the countdown running out.
bool RunAccessCodeGate(bool synchronized, const std::string& accessCode, LangIndex lang, QWidget* parent);
