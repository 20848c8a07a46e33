#pragma once

#include <QDialog>

class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

namespace kv {

class THoofdVenster;

// The add-word dialog of the maintenance mode: one word at a time, stored
// with its length in characters. The main window stays disabled while it is
// open, so it is a window of its own rather than a child of the main window
// (a disabled parent would disable it too).
class Tadd2db : public QDialog {
    Q_OBJECT
public:
    static constexpr int OuterWidth = 278;
    static constexpr int OuterHeight = 216;

    explicit Tadd2db(THoofdVenster& hoofdVenster);

    // The handlers. Each may raise an error; the wiring shows it in the error box.
    void addWoordEbChange();
    void VoegToeBtClick();
    void AfsluitenBtClick();
    void FormClose();

    // Escape ends the dialog the way the close box does.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    THoofdVenster& HoofdVenster;
    bool shownBefore_ = false;

    QGroupBox* GroupBox1;
    QLabel* addWoordLb;
    QLineEdit* addWoordEb;
    QLabel* addLengteLb;
    QLineEdit* addLengteEb;
    QPushButton* VoegToeBt;
    QPushButton* AfsluitenBt;
};

} // namespace kv
