#include "foto.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include "kvresources.h"

namespace kv {

TStartFoto::TStartFoto()
{
    setObjectName(QStringLiteral("StartFoto"));
    // No frame, no title bar; shown without taking the focus from the main
    // window, which is usable from the start.
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(461, 374);

    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 465, 377);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(splashPicture());

    Label1 = new QLabel(QStringLiteral("Kwisvinder"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(0, 344, 465, 31);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont font;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")});
    font.setPixelSize(27);
    font.setBold(true);
    Label1->setFont(font);
    QPalette colours = Label1->palette();
    colours.setColor(QPalette::Window, Qt::black);
    colours.setColor(QPalette::WindowText, QColor(128, 255, 255));
    Label1->setPalette(colours);
    Label1->setAutoFillBackground(true);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->geometry().center());
        move(frame.topLeft());
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(3000);
    connect(Timer1, &QTimer::timeout, this, &TStartFoto::Timer1Timer);
    Timer1->start();
}

void TStartFoto::Timer1Timer()
{
    close();
}

} // namespace kv
