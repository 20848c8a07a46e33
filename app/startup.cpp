#include "startup.h"

#include "addtodb.h"
#include "foto.h"
#include "hoofdvenster.h"
#include "info.h"
#include "kvopties.h"

namespace kv {

Kwisvinder::Kwisvinder(const QStringList& arguments)
{
    HoofdVenster = std::make_unique<THoofdVenster>(arguments);
    HoofdVenster->show();
    StartFoto = std::make_unique<TStartFoto>();
    StartFoto->show();
    AboutBox = std::make_unique<TAboutBox>();
    optiesForm = std::make_unique<ToptiesForm>(*HoofdVenster);
    add2db = std::make_unique<Tadd2db>(*HoofdVenster);
    HoofdVenster->setWindows(optiesForm.get(), add2db.get(), AboutBox.get());
}

// The dialogs refer to the main window, so they go first.
Kwisvinder::~Kwisvinder()
{
    add2db.reset();
    optiesForm.reset();
    AboutBox.reset();
    StartFoto.reset();
    HoofdVenster.reset();
}

} // namespace kv
