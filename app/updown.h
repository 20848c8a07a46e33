#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kv {

// A pair of arrows bound to an edit: each press moves the position by one
// within [minimum, maximum], without wrapping, and writes it into the edit.
// Typing into the edit does not move the position.
class UpDown : public QWidget {
    Q_OBJECT
public:
    enum class Button { Up, Down };

    UpDown(QLineEdit* associate, int minimum, int maximum, int position, QWidget* parent = nullptr);

    int position() const { return position_; }
    void press(Button button);

signals:
    // An arrow moved the position (after the edit was written).
    void clicked(kv::UpDown::Button button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* associate_;
    QToolButton* up_;
    QToolButton* down_;
    int minimum_;
    int maximum_;
    int position_;
};

} // namespace kv
