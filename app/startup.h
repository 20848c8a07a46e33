#pragma once

#include <memory>

#include <QStringList>

namespace kv {

class THoofdVenster;
class TStartFoto;
class TAboutBox;
class ToptiesForm;
class Tadd2db;

// The program's five windows, created once in a fixed order and kept until
// the end: the main window first (closing it ends the program), then the
// splash window, the about box, the options dialog and the add-word dialog.
class Kwisvinder {
public:
    explicit Kwisvinder(const QStringList& arguments);
    ~Kwisvinder();

    std::unique_ptr<THoofdVenster> HoofdVenster;
    std::unique_ptr<TStartFoto> StartFoto;
    std::unique_ptr<TAboutBox> AboutBox;
    std::unique_ptr<ToptiesForm> optiesForm;
    std::unique_ptr<Tadd2db> add2db;
};

// The application title: the name on the task bar and the caption of message boxes.
inline constexpr const char* ApplicationTitle = "Kwisvinder";

} // namespace kv
