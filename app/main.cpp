#include <QApplication>

#include "kvresources.h"
#include "startup.h"
#include "version.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kv::ApplicationTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(kv::FileVersion));
    QApplication::setWindowIcon(kv::programIcon());
    kv::Kwisvinder windows(QApplication::arguments());
    return QApplication::exec();
}
