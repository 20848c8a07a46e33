#include "hoofdvenster.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QAbstractListModel>
#include <QTabBar>
#include <QValidator>

#include "help.h"
#include "messagebox.h"
#include "numbers.h"
#include "statements.h"
#include "tabcontrol.h"
#include "updown.h"

namespace kv {

namespace {

// Letters are shown and stored in upper case as they are typed; each
// character maps on its own so a box never grows past its one character.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        for (QChar& c : input)
            c = c.toUpper();
        return Acceptable;
    }
};

} // namespace

// The words found, one line each, read straight from the search's word list:
// a whole table goes in without a string per word, and a line becomes text
// only when the view draws or asks for it. Lines can be selected, not edited.
class FoundWordsModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // Shows words instead of what was listed, in one reset.
    void setWords(WordList&& words)
    {
        beginResetModel();
        words_ = std::move(words);
        endResetModel();
    }
    void clear() { setWords(WordList()); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(words_.size());
    }

    // The view asks for an index of every line when it lays the list out;
    // without the base class's two virtual calls per line a long list is quicker.
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override
    {
        return row >= 0 && static_cast<std::size_t>(row) < words_.size() && column == 0 && !parent.isValid()
                   ? createIndex(row, 0)
                   : QModelIndex();
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        const std::string_view word = words_.at(static_cast<std::size_t>(index.row()));
        return QString::fromUtf8(word.data(), static_cast<qsizetype>(word.size()));
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
    }

private:
    WordList words_;
};

QFont windowFont()
{
    // The first of the families that is installed goes to the front: it is
    // the one that would be used anyway, and matching then starts with a hit
    // instead of a failed lookup. Worked out once for all five windows.
    static const QStringList families = [] {
        QStringList list{QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                         QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans")};
        const QStringList installed = QFontDatabase::families();
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (installed.contains(list.at(i), Qt::CaseInsensitive)) {
                list.move(i, 0);
                break;
            }
        }
        return list;
    }();
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(11);
    return font;
}

bool isMaintenanceSwitch(const QStringList& arguments)
{
    return arguments.size() > 1 && arguments.at(1) == QLatin1String("bever");
}

THoofdVenster::THoofdVenster(const QStringList& arguments)
    : arguments_(arguments)
{
    setObjectName(QStringLiteral("HoofdVenster"));
    setWindowTitle(QStringLiteral("Kwisvinder"));
    setFont(windowFont());

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    HoofdTab = new TabControl({QStringLiteral("&Invoer"), QStringLiteral("&Uitvoer")}, client);
    HoofdTab->setObjectName(QStringLiteral("HoofdTab"));
    HoofdTab->setGeometry(8, 0, 361, 217);
    connectGuarded(HoofdTab, &TabControl::changed, this, [this] { HoofdTabChange(); });

    buildInputPage();
    buildOutputPage();
    buildMenus();

    client->setMinimumSize(377, 225);
    resize(377, 225 + menuBar()->sizeHint().height());
}

void THoofdVenster::buildInputPage()
{
    GroupBox1 = new QGroupBox(QStringLiteral(" Te zoeken woord "), HoofdTab);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(16, 48, 329, 153);

    AantalLetters = new QLineEdit(QStringLiteral("2"), GroupBox1);
    AantalLetters->setObjectName(QStringLiteral("AantalLetters"));
    AantalLetters->setGeometry(80, 24, 41, 21);
    QFont bold = AantalLetters->font();
    bold.setBold(true);
    AantalLetters->setFont(bold);
    AantalLetters->setToolTip(QStringLiteral("Geef hier het aantal gewenste letters aan."));

    Label1 = new QLabel(QStringLiteral("&Aantal letters:"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 24, 70, 13);
    Label1->setBuddy(AantalLetters);

    UpDown1 = new UpDown(AantalLetters, 2, MaxLetters, 2, GroupBox1);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setGeometry(121, 24, 12, 21);

    auto* validator = new UpperCaseValidator(this);
    for (int i = 0; i < MaxLetters; ++i) {
        const int box = i + 1;
        auto* edit = new QLineEdit(GroupBox1);
        edit->setObjectName(QStringLiteral("Letter%1").arg(box));
        edit->setGeometry(8 + 32 * i, 80, 25, 21);
        edit->setMaxLength(1);
        edit->setValidator(validator);
        Letter[i] = edit;

        const QString caption = box < 10 ? QStringLiteral("&%1").arg(box) : QStringLiteral("1&0");
        auto* label = new QLabel(caption, GroupBox1);
        label->setObjectName(QStringLiteral("Tel%1").arg(box));
        label->setGeometry(16 + 32 * i, 64, box < 10 ? 8 : 14, 13);
        label->setBuddy(edit);
        Tel[i] = label;

        if (box > 2) {
            edit->hide();
            label->hide();
        }
        connectGuarded(edit, &QLineEdit::textChanged, this, [this, box] { LetterChange(box); });
    }

    ZoekKnop = new QPushButton(QStringLiteral("&Zoeken"), GroupBox1);
    ZoekKnop->setObjectName(QStringLiteral("ZoekKnop"));
    ZoekKnop->setGeometry(248, 120, 75, 25);
    ZoekKnop->setAutoDefault(false);
    ZoekKnop->setDefault(false);

    setTabOrder(HoofdTab->tabBar(), AantalLetters);
    setTabOrder(AantalLetters, UpDown1);
    setTabOrder(UpDown1, Letter[0]);
    for (int i = 1; i < MaxLetters; ++i)
        setTabOrder(Letter[i - 1], Letter[i]);
    setTabOrder(Letter[MaxLetters - 1], ZoekKnop);

    connectGuarded(AantalLetters, &QLineEdit::textChanged, this, [this] { AantalLettersChange(); });
    connectGuarded(UpDown1, &UpDown::clicked, this, [this] { UpDown1Click(); });
    connectGuarded(ZoekKnop, &QPushButton::clicked, this, [this] { ZoekKnopClick(); });
}

void THoofdVenster::buildOutputPage()
{
    GroupBox2 = new QGroupBox(QStringLiteral(" Gevonden woorden "), HoofdTab);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(16, 48, 329, 153);
    GroupBox2->hide();

    gevondenModel_ = new FoundWordsModel(this);
    Gevonden = new QListView(GroupBox2);
    Gevonden->setObjectName(QStringLiteral("Gevonden"));
    Gevonden->setGeometry(16, 32, 297, 113);
    Gevonden->setModel(gevondenModel_);
    Gevonden->setSelectionMode(QAbstractItemView::SingleSelection);
    Gevonden->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every line is one word in one font: with uniform sizes the view lays
    // out even a whole table at once without asking for a single word, so
    // it does not need to spread that over many passes of the event loop.
    Gevonden->setUniformItemSizes(true);
    Gevonden->setLayoutMode(QListView::SinglePass);
}

void THoofdVenster::buildMenus()
{
    QMenuBar* HoofdMenu = menuBar();
    HoofdMenu->setObjectName(QStringLiteral("HoofdMenu"));

    Bestand1 = HoofdMenu->addMenu(QStringLiteral("&Bestand"));
    Bestand1->setObjectName(QStringLiteral("Bestand1"));
    Afsluiten1 = Bestand1->addAction(QStringLiteral("&Afsluiten"));
    Afsluiten1->setObjectName(QStringLiteral("Afsluiten1"));

    Extra1 = HoofdMenu->addMenu(QStringLiteral("&Extra"));
    Extra1->setObjectName(QStringLiteral("Extra1"));
    // A separator with nothing visible above it is not drawn.
    Extra1->setSeparatorsCollapsible(true);
    Toevoegenindatabase1 = Extra1->addAction(QStringLiteral("&Toevoegen in database"));
    Toevoegenindatabase1->setObjectName(QStringLiteral("Toevoegenindatabase1"));
    Toevoegenindatabase1->setVisible(false);
    N2 = Extra1->addSeparator();
    N2->setObjectName(QStringLiteral("N2"));
    Opties1 = Extra1->addAction(QStringLiteral("&Opties"));
    Opties1->setObjectName(QStringLiteral("Opties1"));

    Help1 = HoofdMenu->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    HelpOnderwerpen1 = Help1->addAction(QStringLiteral("&Help Onderwerpen"));
    HelpOnderwerpen1->setObjectName(QStringLiteral("HelpOnderwerpen1"));
    N1 = Help1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Info1 = Help1->addAction(QStringLiteral("&Info"));
    Info1->setObjectName(QStringLiteral("Info1"));

    connectGuarded(Afsluiten1, &QAction::triggered, this, [this] { Afsluiten1Click(); });
    connectGuarded(Extra1, &QMenu::aboutToShow, this, [this] { Extra1Click(); });
    connectGuarded(Toevoegenindatabase1, &QAction::triggered, this, [this] { Toevoegenindatabase1Click(); });
    connectGuarded(Opties1, &QAction::triggered, this, [this] { Opties1Click(); });
    connectGuarded(HelpOnderwerpen1, &QAction::triggered, this, [this] { HelpOnderwerpen1Click(); });
    connectGuarded(Info1, &QAction::triggered, this, [this] { Info1Click(); });
}

void THoofdVenster::setWindows(QWidget* optiesForm, QWidget* add2db, QDialog* aboutBox)
{
    optiesForm_ = optiesForm;
    add2db_ = add2db;
    AboutBox_ = aboutBox;
}

void THoofdVenster::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shownBefore_) {
        shownBefore_ = true;
        HoofdTab->tabBar()->setFocus(Qt::OtherFocusReason);
    }
}

void THoofdVenster::closeEvent(QCloseEvent* event)
{
    // While a dialog has the main window disabled, it cannot be closed.
    if (!isEnabled())
        event->ignore();
    else
        QMainWindow::closeEvent(event);
}

void THoofdVenster::showPage(bool input)
{
    GroupBox1->setVisible(input);
    GroupBox2->setVisible(!input);
}

void THoofdVenster::HoofdTabChange()
{
    showPage(!GroupBox1->isVisibleTo(HoofdTab));
}

void THoofdVenster::Afsluiten1Click()
{
    close();
}

void THoofdVenster::Extra1Click()
{
    if (isMaintenanceSwitch(arguments_))
        Toevoegenindatabase1->setVisible(true);
}

void THoofdVenster::Opties1Click()
{
    setEnabled(false);
    if (optiesForm_)
        optiesForm_->show();
}

void THoofdVenster::Toevoegenindatabase1Click()
{
    if (add2db_)
        add2db_->show();
    setEnabled(false);
}

void THoofdVenster::HelpOnderwerpen1Click()
{
    HelpSystem& help = HelpSystem::instance();
    help.setHelpFile(QStringLiteral("kv.hlp"));
    help.command(HelpSystem::HelpFinder, 0);
}

void THoofdVenster::Info1Click()
{
    if (AboutBox_)
        AboutBox_->exec();
}

bool THoofdVenster::OpenDatabase()
{
    switch (database_.OpenDatabase()) {
    case WordDatabase::OpenResult::Connected:
        return true;
    case WordDatabase::OpenResult::ServerNotFound:
        MessageBox::information(QStringLiteral("Kan de mySQL server niet vinden!"));
        break;
    case WordDatabase::OpenResult::DatabaseNotOpened:
        MessageBox::information(QStringLiteral("Kan database \"KV\" niet openen!"));
        break;
    }
    return false;
}

void THoofdVenster::ReadConfiguration(const std::string& n, std::string& host, std::string& user, std::string& password)
{
    kv::ReadConfiguration(n, host, user, password);
}

void THoofdVenster::ZoekKnopClick()
{
    gevondenModel_->clear();
    HoofdTab->setTabIndex(1);
    showPage(false);

    if (!database_.connected && !OpenDatabase())
        return;

    std::array<std::string, MaxLetters> letters;
    for (int i = 0; i < MaxLetters; ++i)
        letters[i] = Letter[i]->text().toStdString();
    letterCount_ = strictToInt(AantalLetters->text().toStdString());
    const std::string pattern = searchPattern(letters, letterCount_);

    WordList words;
    const StatementOutcome outcome = database_.search(pattern, words);
    // One model reset for the whole list: no per-line relayout.
    gevondenModel_->setWords(std::move(words));
    if (!outcome.ok)
        MessageBox::information(QStringLiteral("Het zoeken is mislukt!\n%1")
                                    .arg(QString::fromStdString(outcome.errorText)));
}

void THoofdVenster::SyncLetterBoxes()
{
    letterCount_ = lenientToInt(AantalLetters->text().toStdString());
    for (int box = 2; box <= MaxLetters; ++box) {
        if (letterCount_ >= box) {
            Letter[box - 1]->show();
            Tel[box - 1]->show();
        }
    }
    if (letterCount_ > MaxLetters) {
        letterCount_ = MaxLetters;
        AantalLetters->setText(QStringLiteral("10"));
    }
    for (int box = MaxLetters; box >= 3; --box) {
        if (letterCount_ < box) {
            Letter[box - 1]->hide();
            Tel[box - 1]->hide();
        }
    }
    if (letterCount_ < 2) {
        letterCount_ = 2;
        AantalLetters->setText(QStringLiteral("2"));
    }
}

void THoofdVenster::AantalLettersChange()
{
    SyncLetterBoxes();
}

void THoofdVenster::UpDown1Click()
{
    SyncLetterBoxes();
}

void THoofdVenster::LetterChange(int box)
{
    QWidget* next = nullptr;
    if (box == 1)
        next = Letter[1];
    else if (box < MaxLetters && letterCount_ > box)
        next = Letter[box];
    else if (box == MaxLetters)
        next = ZoekKnop;
    // Entering a box this way selects its letter, so the next one typed replaces it.
    if (next)
        next->setFocus(Qt::TabFocusReason);
}

} // namespace kv
