#pragma once

#include <QDialog>

namespace kv {

// The about box: the program's icon, name and version.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox();
};

} // namespace kv
