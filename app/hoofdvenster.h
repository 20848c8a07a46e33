#pragma once

#include <array>
#include <string>

#include <QMainWindow>
#include <QStringList>

#include "worddatabase.h"

class QAction;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;

namespace kv {

class FoundWordsModel;
class TabControl;
class UpDown;

// The main window: the count and the letter boxes on "&Invoer", the words
// found on "&Uitvoer", and the menus that open the other windows.
class THoofdVenster : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int MaxLetters = 10;

    // arguments: the command line, whose first argument may be the maintenance switch.
    explicit THoofdVenster(const QStringList& arguments);

    // The secondary windows the menus open; set once at start-up.
    void setWindows(QWidget* optiesForm, QWidget* add2db, QDialog* aboutBox);

    // The connection settings (host, user, password, databaseName), the
    // connected flag and the connection, shared with the dialogs.
    WordDatabase& database() { return database_; }

    // Opens the connection, showing why when it cannot; true when connected.
    bool OpenDatabase();
    void ReadConfiguration(const std::string& n, std::string& host, std::string& user, std::string& password);
    // Shows exactly letterCount letter boxes, the count held in 2..10.
    void SyncLetterBoxes();

    int letterCount() const { return letterCount_; }

    // The handlers. Each may raise an error; the wiring shows it in the error box.
    void HoofdTabChange();
    void Afsluiten1Click();
    void Extra1Click();
    void Opties1Click();
    void Toevoegenindatabase1Click();
    void HelpOnderwerpen1Click();
    void Info1Click();
    void ZoekKnopClick();
    void AantalLettersChange();
    void UpDown1Click();
    // Letter1Change .. Letter10Change: box is 1..10.
    void LetterChange(int box);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildInputPage();
    void buildOutputPage();
    void buildMenus();
    void showPage(bool input);

    QStringList arguments_;
    WordDatabase database_;
    int letterCount_ = 2;
    bool shownBefore_ = false;

    QWidget* optiesForm_ = nullptr;
    QWidget* add2db_ = nullptr;
    QDialog* AboutBox_ = nullptr;

    TabControl* HoofdTab;
    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLineEdit* AantalLetters;
    UpDown* UpDown1;
    std::array<QLabel*, MaxLetters> Tel{};
    std::array<QLineEdit*, MaxLetters> Letter{};
    QPushButton* ZoekKnop;
    QGroupBox* GroupBox2;
    QListView* Gevonden;
    FoundWordsModel* gevondenModel_;

    QMenu* Bestand1;
    QAction* Afsluiten1;
    QMenu* Extra1;
    QAction* Toevoegenindatabase1;
    QAction* N2;
    QAction* Opties1;
    QMenu* Help1;
    QAction* HelpOnderwerpen1;
    QAction* N1;
    QAction* Info1;
};

// True when the command line's first argument is the maintenance switch.
bool isMaintenanceSwitch(const QStringList& arguments);

// The font every window of the program uses.
QFont windowFont();

} // namespace kv
