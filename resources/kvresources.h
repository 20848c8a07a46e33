#pragma once

#include <QIcon>
#include <QPixmap>

namespace kv {

// The pictures built into the program. Each call makes sure the resources
// are registered, since they live in a static library that nothing else
// would pull in.
QPixmap splashPicture();
QPixmap programIconPixmap();
QIcon programIcon();

} // namespace kv
