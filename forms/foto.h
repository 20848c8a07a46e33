#pragma once

#include <QWidget>

namespace kv {

// The splash window: a picture with the program's name, shown for three
// seconds at start.
class TStartFoto : public QWidget {
    Q_OBJECT
public:
    TStartFoto();
};

} // namespace kv
