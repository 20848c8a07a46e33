// The yardstick for the program's start-up: the least a Qt Widgets window
// takes to start and show, built and started the same way. With --label it
// shows one line of text, so the font system is started as well.
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include "exitonexpose.h"

int main(int argc, char* argv[])
{
    ExitOnFirstExposeApplication application(argc, argv, QStringLiteral("Venster"));
    QWidget window;
    window.setObjectName(QStringLiteral("Venster"));
    window.resize(377, 250);
    if (QApplication::arguments().contains(QStringLiteral("--label")))
        (new QLabel(QStringLiteral("Kwisvinder"), &window))->move(8, 8);
    window.show();
    return QApplication::exec();
}
