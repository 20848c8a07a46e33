#include "info.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "hoofdvenster.h"
#include "kvresources.h"
#include "version.h"

namespace kv {

namespace {

QLabel* label(const QString& name, const QString& text, QWidget* parent, int x, int y)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->move(x, y);
    l->adjustSize();
    return l;
}

} // namespace

TAboutBox::TAboutBox()
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info Kwisvinder"));
    // A dialog border: a close box only, and no resizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(windowFont());
    setFixedSize(298, 213);

    // A lowered outer bevel with a raised one inside it.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 281, 161);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    auto* inner = new QFrame(Panel1);
    inner->setObjectName(QStringLiteral("Panel1Inner"));
    inner->setGeometry(1, 1, 279, 159);
    inner->setFrameStyle(QFrame::Panel | QFrame::Raised);
    inner->setLineWidth(1);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(8, 8, 73, 57);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(programIconPixmap());

    ProductName = label(QStringLiteral("ProductName"), QStringLiteral("Kwisvinder"), Panel1, 88, 16);
    Version = label(QStringLiteral("Version"), versionText(), Panel1, 88, 40);
    Copyright = label(QStringLiteral("Copyright"), QStringLiteral("Copyright \u00a9 2026 Morvek"), Panel1, 8, 80);
    Comments = new QLabel(QStringLiteral("Alle rechten voorbehouden."), Panel1);
    Comments->setObjectName(QStringLiteral("Comments"));
    Comments->setGeometry(8, 104, 265, 39);
    Comments->setWordWrap(true);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 180, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

QString TAboutBox::versionText()
{
    return QStringLiteral("Versie %1.%2").arg(VersionMajor).arg(VersionMinor);
}

// Centred on the screen the first time; after that it opens where it was left.
void TAboutBox::setVisible(bool visible)
{
    if (visible && !placed_) {
        placed_ = true;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::setVisible(visible);
}

} // namespace kv
