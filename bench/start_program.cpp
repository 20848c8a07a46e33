// The program's own start-up, as app/main.cpp, ending once the main window
// has been shown.
#include <QApplication>

#include "exitonexpose.h"
#include "kvresources.h"
#include "startup.h"
#include "version.h"

int main(int argc, char* argv[])
{
    ExitOnFirstExposeApplication application(argc, argv, QStringLiteral("HoofdVenster"));
    QApplication::setApplicationName(QString::fromLatin1(kv::ApplicationTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(kv::FileVersion));
    QApplication::setWindowIcon(kv::programIcon());
    kv::Kwisvinder windows(QApplication::arguments());
    return QApplication::exec();
}
