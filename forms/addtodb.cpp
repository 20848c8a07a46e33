#include "addtodb.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QWindow>

#include "formwidgets.h"
#include "hoofdvenster.h"
#include "messagebox.h"
#include "statements.h"

namespace kv {

Tadd2db::Tadd2db(THoofdVenster& hoofdVenster)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint)
    , HoofdVenster(hoofdVenster)
{
    setObjectName(QStringLiteral("add2db"));
    setWindowTitle(QStringLiteral("Toevoegen in database"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(false);
    setFont(windowFont());
    // The outer size less a classic sizeable frame; the first show corrects
    // this to the frame the platform actually draws.
    resize(OuterWidth - 8, OuterHeight - 27);

    GroupBox1 = new QGroupBox(QStringLiteral("Gegevens"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 249, 129);

    addWoordLb = new QLabel(QStringLiteral("&Woord:"), GroupBox1);
    addWoordLb->setObjectName(QStringLiteral("addWoordLb"));
    addWoordLb->setGeometry(24, 24, 35, 13);

    addWoordEb = new QLineEdit(GroupBox1);
    addWoordEb->setObjectName(QStringLiteral("addWoordEb"));
    addWoordEb->setGeometry(96, 16, 121, 21);
    addWoordEb->setMaxLength(10);

    addLengteLb = new QLabel(QStringLiteral("&Lengte:"), GroupBox1);
    addLengteLb->setObjectName(QStringLiteral("addLengteLb"));
    addLengteLb->setGeometry(24, 52, 36, 13);

    addLengteEb = new QLineEdit(GroupBox1);
    addLengteEb->setObjectName(QStringLiteral("addLengteEb"));
    addLengteEb->setGeometry(96, 48, 121, 21);
    addLengteEb->setReadOnly(true);

    VoegToeBt = plainButton(QStringLiteral("VoegToeBt"), QStringLiteral("&Voeg toe"), {152, 96, 75, 25}, GroupBox1);
    AfsluitenBt = plainButton(QStringLiteral("AfsluitenBt"), QStringLiteral("&Afsluiten"), {184, 152, 75, 25}, this);

    setTabOrder(addWoordEb, addLengteEb);
    setTabOrder(addLengteEb, VoegToeBt);
    setTabOrder(VoegToeBt, AfsluitenBt);

    connectGuarded(addWoordEb, &QLineEdit::textChanged, this, [this] { addWoordEbChange(); });
    connectGuarded(VoegToeBt, &QPushButton::clicked, this, [this] { VoegToeBtClick(); });
    connectGuarded(AfsluitenBt, &QPushButton::clicked, this, [this] { AfsluitenBtClick(); });
}

void Tadd2db::showEvent(QShowEvent* event)
{
    // Kept above the main window without being its child.
    if (QWindow* window = windowHandle())
        window->setTransientParent(HoofdVenster.windowHandle());
    if (!shownBefore_) {
        shownBefore_ = true;
        if (QWindow* window = windowHandle()) {
            const QMargins frame = window->frameMargins();
            resize(OuterWidth - frame.left() - frame.right(), OuterHeight - frame.top() - frame.bottom());
        }
        // Centred on the main window once; after that it opens where it was left.
        QRect outer(0, 0, OuterWidth, OuterHeight);
        outer.moveCenter(HoofdVenster.frameGeometry().center());
        move(outer.topLeft());
    }
    QDialog::showEvent(event);
}

void Tadd2db::closeEvent(QCloseEvent* event)
{
    guarded([this] { FormClose(); });
    event->accept();
}

void Tadd2db::reject()
{
    close();
}

void Tadd2db::addWoordEbChange()
{
    addLengteEb->setText(QString::number(characterCount(addWoordEb->text().toStdString())));
}

void Tadd2db::VoegToeBtClick()
{
    // Without a connection nothing is sent and the word stays, to be tried again.
    if (!HoofdVenster.database().connected && !HoofdVenster.OpenDatabase())
        return;

    const StatementOutcome outcome =
        HoofdVenster.database().addWord(addWoordEb->text().toStdString(), addLengteEb->text().toStdString());
    if (!outcome.ok) {
        MessageBox::information(QStringLiteral("Het woord is niet toegevoegd!\n%1")
                                    .arg(QString::fromStdString(outcome.errorText)));
        addWoordEb->setFocus(Qt::OtherFocusReason);
        return;
    }

    addWoordEb->setText(QString());
    addLengteEb->setText(QString());
    addWoordEb->setFocus(Qt::OtherFocusReason);
}

void Tadd2db::AfsluitenBtClick()
{
    HoofdVenster.setEnabled(true);
    hide();
}

void Tadd2db::FormClose()
{
    HoofdVenster.setEnabled(true);
    hide();
}

} // namespace kv
