#pragma once

#include <QDialog>

namespace kv {

class THoofdVenster;

// The add-word dialog of the maintenance mode.
class Tadd2db : public QDialog {
    Q_OBJECT
public:
    explicit Tadd2db(THoofdVenster& hoofdVenster);

private:
    THoofdVenster& HoofdVenster;
};

} // namespace kv
