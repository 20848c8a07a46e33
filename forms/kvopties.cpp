#include "kvopties.h"

#include <algorithm>
#include <string>

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcutEvent>
#include <QTimer>
#include <QWindow>

#include "configuration.h"
#include "formwidgets.h"
#include "hoofdvenster.h"
#include "messagebox.h"
#include "numbers.h"

namespace kv {

namespace {

// The window's size, frame and title bar included.
constexpr int OuterWidth = 280;
constexpr int OuterHeight = 234;

QLabel* label(const QString& name, const QString& caption, QWidget* buddy, const QRect& geometry, QWidget* parent)
{
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    l->setBuddy(buddy);
    return l;
}

QLineEdit* edit(const QString& name, const QRect& geometry, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(geometry);
    return e;
}

// The combo's edit part. When it loses the focus, Qt's combo selects the
// item whose text was typed and reports that as the user's pick; here only
// the user picks, so the dialog asks leaving() before taking a pick.
class NameEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    bool leaving() const { return leaving_; }

protected:
    void focusOutEvent(QFocusEvent* event) override
    {
        leaving_ = true;
        QLineEdit::focusOutEvent(event);
        leaving_ = false;
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        // Enter would select the item matching the text: typing never picks.
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            event->ignore();
        else
            QLineEdit::keyPressEvent(event);
    }

private:
    bool leaving_ = false;
};

std::string text(const QLineEdit* e)
{
    return e->text().toStdString();
}

} // namespace

ToptiesForm::ToptiesForm(THoofdVenster& hoofdVenster)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , HoofdVenster(hoofdVenster)
{
    setObjectName(QStringLiteral("optiesForm"));
    setWindowTitle(QStringLiteral("Opties"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(windowFont());
    resize(OuterWidth, OuterHeight);

    mysqlGroupBox = new QGroupBox(QStringLiteral("mySQL opties"), this);
    mysqlGroupBox->setObjectName(QStringLiteral("mysqlGroupBox"));
    mysqlGroupBox->setGeometry(16, 8, 241, 145);

    configComboBox = new QComboBox(mysqlGroupBox);
    configComboBox->setObjectName(QStringLiteral("configComboBox"));
    configComboBox->setGeometry(104, 16, 129, 21);
    auto* nameEdit = new NameEdit(configComboBox);
    configComboBox->setLineEdit(nameEdit);
    // A typed name is only ever a new name: never completed, never added by Enter.
    configComboBox->setCompleter(nullptr);
    configComboBox->setInsertPolicy(QComboBox::NoInsert);

    hostEditBox = edit(QStringLiteral("hostEditBox"), {104, 48, 129, 21}, mysqlGroupBox);
    userEditBox = edit(QStringLiteral("userEditBox"), {104, 80, 129, 21}, mysqlGroupBox);
    passwordEditBox = edit(QStringLiteral("passwordEditBox"), {104, 112, 129, 21}, mysqlGroupBox);
    passwordEditBox->setEchoMode(QLineEdit::Password);

    configuratieLabel = label(QStringLiteral("configuratieLabel"), QStringLiteral("&Configuratie:"),
                              configComboBox, {16, 24, 59, 13}, mysqlGroupBox);
    hostLabel = label(QStringLiteral("hostLabel"), QStringLiteral("H&ost:"), hostEditBox, {16, 56, 25, 13}, mysqlGroupBox);
    userLabel = label(QStringLiteral("userLabel"), QStringLiteral("&Gebruikersnaam:"), userEditBox,
                      {16, 88, 80, 13}, mysqlGroupBox);
    passwordLabel = label(QStringLiteral("passwordLabel"), QStringLiteral("&Wachtwoord:"), passwordEditBox,
                          {16, 120, 64, 13}, mysqlGroupBox);

    annulerenButton = plainButton(QStringLiteral("annulerenButton"), QStringLiteral("&Annuleren"), {96, 168, 75, 25}, this);
    okButton = plainButton(QStringLiteral("okButton"), QStringLiteral("&OK"), {184, 168, 75, 25}, this);

    setTabOrder(configComboBox, hostEditBox);
    setTabOrder(hostEditBox, userEditBox);
    setTabOrder(userEditBox, passwordEditBox);
    setTabOrder(passwordEditBox, annulerenButton);
    setTabOrder(annulerenButton, okButton);

    configComboBox->installEventFilter(this);
    hostLabel->installEventFilter(this);
    okButton->installEventFilter(this);

    // activated comes only from the user's pick; textEdited only from typing.
    connect(configComboBox, &QComboBox::activated, this, [this, nameEdit](int p) {
        if (!nameEdit->leaving())
            guarded([this, p] { configComboBoxSelect(p); });
    });
    connectGuarded(nameEdit, &QLineEdit::textEdited, this, [this] { configComboBoxChange(); });
    connectGuarded(okButton, &QPushButton::clicked, this, [this] { okButtonClick(); });
    connectGuarded(annulerenButton, &QPushButton::clicked, this, [this] { annulerenButtonClick(); });
}

bool ToptiesForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == configComboBox) {
        if (event->type() == QEvent::FocusOut) {
            // The combo's own list opening, or another window becoming
            // active, is not the user leaving the field.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
                guarded([this] { configComboBoxExit(); });
        }
    } else if ((watched == hostLabel || watched == okButton) && event->type() == QEvent::Shortcut) {
        // "H&ost" and "&OK" share their letter; Alt+O always means OK
        // rather than taking turns between the two.
        if (static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
            okButton->animateClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ToptiesForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (!shownBefore_) {
        shownBefore_ = true;
        placeOverMainWindow();
        // The frame is known only once the window system has shown the window.
        QTimer::singleShot(0, this, [this] { fitOuterSize(); });
    }
    // Not a child of the main window (see the class), but kept above it.
    if (QWindow* handle = windowHandle())
        handle->setTransientParent(HoofdVenster.windowHandle());
    guarded([this] { FormShow(); });
}

void ToptiesForm::placeOverMainWindow()
{
    QRect frame(0, 0, OuterWidth, OuterHeight);
    frame.moveCenter(HoofdVenster.frameGeometry().center());
    if (QScreen* screen = HoofdVenster.screen()) {
        const QRect available = screen->availableGeometry();
        frame.moveLeft(std::max(available.left(), std::min(frame.left(), available.right() + 1 - frame.width())));
        frame.moveTop(std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height())));
    }
    move(frame.topLeft());
}

void ToptiesForm::fitOuterSize()
{
    const QWindow* handle = windowHandle();
    if (!handle)
        return;
    const QMargins frame = handle->frameMargins();
    if (!frame.isNull())
        resize(OuterWidth - frame.left() - frame.right(), OuterHeight - frame.top() - frame.bottom());
}

void ToptiesForm::reject()
{
    // Escape, and closing through the window system (QDialog::closeEvent
    // rejects), leave the dialog as Annuleren does.
    HoofdVenster.setEnabled(true);
    QDialog::reject();
}

void ToptiesForm::FormShow()
{
    configComboBox->clear();
    configComboBox->clearEditText();
    for (int n = 1; n <= ConfigurationCount; ++n)
        configComboBox->addItem(QString::fromStdString(readConfigurationName(n)));
    // The first item added to an empty combo gets selected; the stored
    // choice below decides instead.
    configComboBox->setCurrentIndex(-1);

    const std::string c = readActiveConfiguration();
    const int active = strictToInt(c);
    configComboBox->setCurrentIndex(active >= 1 && active <= configComboBox->count() ? active - 1 : -1);
    selectedIndex = configComboBox->currentIndex();

    std::string host, user, password;
    HoofdVenster.ReadConfiguration(c, host, user, password);
    hostEditBox->setText(QString::fromStdString(host));
    userEditBox->setText(QString::fromStdString(user));
    passwordEditBox->setText(QString::fromStdString(password));
}

void ToptiesForm::configComboBoxSelect(int p)
{
    selectedIndex = p;
    std::string host, user, password;
    HoofdVenster.ReadConfiguration(std::to_string(p + 1), host, user, password);
    hostEditBox->setText(QString::fromStdString(host));
    userEditBox->setText(QString::fromStdString(user));
    passwordEditBox->setText(QString::fromStdString(password));
}

void ToptiesForm::configComboBoxChange()
{
    nameEdited = true;
}

void ToptiesForm::configComboBoxExit()
{
    if (!nameEdited)
        return;
    // Removing the current item makes the combo show another one's text.
    const QString name = configComboBox->currentText();
    if (selectedIndex >= 0 && selectedIndex < configComboBox->count())
        configComboBox->removeItem(selectedIndex);
    // insertItem puts a negative position first; we want those last.
    const int count = configComboBox->count();
    const int at = selectedIndex >= 0 ? std::min(selectedIndex, count) : count;
    configComboBox->insertItem(at, name);
    configComboBox->setCurrentIndex(at == selectedIndex ? at : -1);
    configComboBox->setEditText(name);
}

void ToptiesForm::okButtonClick()
{
    ConnectionSettings& settings = HoofdVenster.database().settings;
    settings.host = text(hostEditBox);
    settings.user = text(userEditBox);
    settings.password = text(passwordEditBox);

    const std::string n = std::to_string(selectedIndex + 1);
    writeActiveConfiguration(n, configComboBox->itemText(selectedIndex).toStdString());
    writeConfiguration(n, text(hostEditBox), text(userEditBox), text(passwordEditBox));

    HoofdVenster.setEnabled(true);
    hide();
}

void ToptiesForm::annulerenButtonClick()
{
    HoofdVenster.setEnabled(true);
    hide();
}

} // namespace kv
