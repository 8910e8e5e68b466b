#pragma once
// The modal dialog in which the tournament director edits the kiosk's
// settings: server address, access code, title, partial-print filter and the
// two reprint switches. It works on a copy; the creator acts on the copy when
// the dialog ends with OK.

#include "foundation/LocText.h"
#include "settings/KioskSettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    // Control ids of the dialog, as its table names them.
    enum ControlId {
        IdOk = 1,
        IdCancel = 2,
        IdExample = 1005,
        IdCodeRequired = 1006,
        IdReprintAllowed = 1007,
        IdServerIp = 1010,
        IdAccessCode = 1011,
        IdFilter = 1012,
        IdTitle = 1013,
        IdSwissLabel = 1051,
        IdServerLabel = 1057,
        IdCodeLabel = 1058,
        IdFilterLabel = 1059,
        IdTitleLabel = 1060,
        IdSwissRounds = 1085,
    };

    // `settings` is the working copy; the dialog reads it now and writes it
    // only on a valid OK.
    SettingsDialog(LangIndex lang, const KioskSettings& settings, QWidget* parent = nullptr);
    ~SettingsDialog() override;

    virtual LangIndex GetLangIndex() const { return language; }
    virtual void SetLangIndex(LangIndex lang) { language = lang; }

    const KioskSettings& Settings() const { return settings; }

    // The control with a dialog id (null for an unknown id).
    QWidget* Control(int id) const;
    QLineEdit* Edit(int id) const;
    QCheckBox* Check(int id) const;

    void OnOK();
    void OnExample();

    // Says inside the dialog why it is back (the server refused the code),
    // in the free room between the check boxes and the filter; null text
    // hides it. The label, for tests: null until shown once.
    void ShowRefusal(const std::u16string& text);
    QLabel* RefusalLabel() const { return refusal; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    LangIndex language;
    KioskSettings settings;
    std::vector<std::pair<int, QWidget*>> controls;
    QLabel* refusal = nullptr;
};
