#include "kvopties.h"

#include "hoofdvenster.h"

namespace kv {

ToptiesForm::ToptiesForm(THoofdVenster& hoofdVenster)
    : HoofdVenster(hoofdVenster)
{
    setObjectName(QStringLiteral("optiesForm"));
    setWindowTitle(QStringLiteral("Opties"));
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(280, 234);
}

} // namespace kv
