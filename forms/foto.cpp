#include "foto.h"

namespace kv {

TStartFoto::TStartFoto()
{
    setObjectName(QStringLiteral("StartFoto"));
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(461, 374);
}

} // namespace kv
