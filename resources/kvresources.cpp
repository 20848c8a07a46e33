#include "kvresources.h"

// Outside any namespace: the macro declares the registration function.
static void registerResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(kwisvinder);
        return true;
    }();
    (void)registered;
}

namespace kv {

QPixmap splashPicture()
{
    registerResources();
    return QPixmap(QStringLiteral(":/kwisvinder/splash.jpg"));
}

QPixmap programIconPixmap()
{
    registerResources();
    return QPixmap(QStringLiteral(":/kwisvinder/kwisvinder.png"));
}

QIcon programIcon()
{
    return QIcon(programIconPixmap());
}

} // namespace kv
