#pragma once
// The "print confirm" dialog: the tournament director picks one entry of the
// full signup list, usually to reprint its scorecard. Long lists can be
// narrowed by a quick-find menu of sections and number ranges. The dialog
// counts down on its Cancel button and closes itself when nobody decides.

#include "foundation/LocText.h"
#include "tournament/SignupList.h"

#include <QDialog>

#include <vector>

class QListWidget;
class QPushButton;
class QCheckBox;

class TeamSelectionDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTimerIntervalMs = 1000;
    static constexpr int kFirstQuickFindId = 3199;

    TeamSelectionDialog(LangIndex lang, std::vector<SignupEntry> entries, QWidget* parent = nullptr);
    ~TeamSelectionDialog() override;

    virtual LangIndex GetLangIndex() const { return language; }
    virtual void SetLangIndex(LangIndex lang) { language = lang; }
    virtual int32_t GetChosenSection() const { return chosenSection; }
    virtual void SetChosenSection(int32_t v) { chosenSection = v; }
    virtual int32_t GetChosenTeam() const { return chosenTeam; }
    virtual void SetChosenTeam(int32_t v) { chosenTeam = v; }

    void OnOK();
    void OnCancel();
    void OnQuickFind();
    void OnTimerTick();

    int32_t Countdown() const { return countdown; }
    bool TimerRunning() const { return timer != 0; }
    QListWidget* List() const { return list; }
    QPushButton* OkButton() const { return okButton; }
    QPushButton* CancelButton() const { return cancelButton; }
    QPushButton* QuickFindButton() const { return quickFindButton; }

    // The rows in the dialog's order, for an entry list (equal keys collapse).
    static std::vector<SignupEntry> OrderedRows(const std::vector<SignupEntry>& entries);

protected:
    void timerEvent(QTimerEvent* event) override;
    void reject() override;

private:
    void FillRows(const std::vector<SignupEntry>& rows);
    SignupList EntryList() const;
    void StopTimer();

    LangIndex language;
    int32_t chosenSection = 0;
    int32_t chosenTeam = 0;
    std::vector<SignupEntry> entries;
    int timer = 0;
    int32_t countdown = 16;

    QListWidget* list = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QCheckBox* twoCopies = nullptr;
    QPushButton* quickFindButton = nullptr;
};
