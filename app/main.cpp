#include <QApplication>
#include <QFontDatabase>

#include <future>

#include "kvresources.h"
#include "startup.h"
#include "version.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // Reading the installed fonts is the longest single step of starting; it
    // runs beside loading the icon and building the main window up to its
    // font, which then waits for it (the font database is thread-safe).
    auto fonts = std::async(std::launch::async, [] { return QFontDatabase::families(); });
    QApplication::setApplicationName(QString::fromLatin1(kv::ApplicationTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(kv::FileVersion));
    QApplication::setWindowIcon(kv::programIcon());
    kv::Kwisvinder windows(QApplication::arguments());
    return QApplication::exec();
}
