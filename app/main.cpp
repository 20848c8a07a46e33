#include <QApplication>

#include "startup.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kv::ApplicationTitle));
    kv::Kwisvinder windows(QApplication::arguments());
    return QApplication::exec();
}
