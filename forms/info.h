#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace kv {

// The about box: the program's icon, name, version and copyright; opened
// modally from the Help menu, the same each time.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox();

    void setVisible(bool visible) override;

    // "Versie major.minor", from the project version.
    static QString versionText();

private:
    bool placed_ = false;

    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Comments;
    QPushButton* OKButton;
};

} // namespace kv
