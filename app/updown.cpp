#include "updown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

namespace kv {

UpDown::UpDown(QLineEdit* associate, int minimum, int maximum, int position, QWidget* parent)
    : QWidget(parent)
    , associate_(associate)
    , up_(new QToolButton(this))
    , down_(new QToolButton(this))
    , minimum_(minimum)
    , maximum_(maximum)
    , position_(position)
{
    setFocusPolicy(Qt::TabFocus);
    for (QToolButton* arrow : {up_, down_}) {
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(true);
    }
    up_->setObjectName(QStringLiteral("up"));
    down_->setObjectName(QStringLiteral("down"));
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    connect(up_, &QToolButton::clicked, this, [this] { press(Button::Up); });
    connect(down_, &QToolButton::clicked, this, [this] { press(Button::Down); });
    // The arrow keys in the edit work the arrows too.
    associate_->installEventFilter(this);
}

void UpDown::press(Button button)
{
    const int next = position_ + (button == Button::Up ? 1 : -1);
    if (next < minimum_ || next > maximum_)
        return;
    position_ = next;
    associate_->setText(QString::number(position_));
    emit clicked(button);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == associate_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            press(key == Qt::Key_Up ? Button::Up : Button::Down);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDown::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up)
        press(Button::Up);
    else if (event->key() == Qt::Key_Down)
        press(Button::Down);
    else
        QWidget::keyPressEvent(event);
}

void UpDown::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

} // namespace kv
