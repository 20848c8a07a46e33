#include "addtodb.h"

#include "hoofdvenster.h"

namespace kv {

Tadd2db::Tadd2db(THoofdVenster& hoofdVenster)
    : HoofdVenster(hoofdVenster)
{
    setObjectName(QStringLiteral("add2db"));
    setWindowTitle(QStringLiteral("Toevoegen in database"));
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(278, 216);
}

} // namespace kv
