#pragma once

#include <QDialog>

namespace kv {

class THoofdVenster;

// The options dialog: five named server configurations.
class ToptiesForm : public QDialog {
    Q_OBJECT
public:
    explicit ToptiesForm(THoofdVenster& hoofdVenster);

private:
    THoofdVenster& HoofdVenster;
};

} // namespace kv
