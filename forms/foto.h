#pragma once

#include <QWidget>

class QLabel;
class QTimer;

namespace kv {

// The splash window: a picture with the program's name, shown for three
// seconds at start, beside a main window that already takes input.
class TStartFoto : public QWidget {
    Q_OBJECT
public:
    TStartFoto();

    // Each tick of Timer1 closes the window; once closed it stays closed.
    void Timer1Timer();

private:
    QLabel* Image1;
    QLabel* Label1;
    QTimer* Timer1;
};

} // namespace kv
