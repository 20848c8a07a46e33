#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kv {

class THoofdVenster;

// The options dialog: five named server configurations, one of them active.
// It is a window of its own, not a child of the main window: the main window
// is disabled while the dialog is open, and that would disable the dialog too.
class ToptiesForm : public QDialog {
    Q_OBJECT
public:
    explicit ToptiesForm(THoofdVenster& hoofdVenster);

    // The configuration the dialog works on (0-based, -1 for none) and
    // whether the user has typed in the name; both are kept between showings.
    int selectedIndex = 0;
    bool nameEdited = false;

    // The handlers. Each may raise an error; the wiring shows it in the error box.
    void FormShow();
    void configComboBoxSelect(int p);
    void configComboBoxChange();
    void configComboBoxExit();
    void okButtonClick();
    void annulerenButtonClick();

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void placeOverMainWindow();
    void fitOuterSize();

    THoofdVenster& HoofdVenster;
    bool shownBefore_ = false;

    QGroupBox* mysqlGroupBox;
    QLabel* configuratieLabel;
    QComboBox* configComboBox;
    QLabel* hostLabel;
    QLineEdit* hostEditBox;
    QLabel* userLabel;
    QLineEdit* userEditBox;
    QLabel* passwordLabel;
    QLineEdit* passwordEditBox;
    QPushButton* annulerenButton;
    QPushButton* okButton;
};

} // namespace kv
