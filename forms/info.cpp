#include "info.h"

namespace kv {

TAboutBox::TAboutBox()
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info Kwisvinder"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(298, 213);
}

} // namespace kv
