#pragma once

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdlib>

// For the start-up figures: ends the process as soon as the named top-level
// widget's window has been exposed and its first frame handled, so the time
// a parent measures from spawning the process to its exit is the time to a
// shown window. Tearing down is skipped on purpose: it is not part of starting.
class ExitOnFirstExpose : public QObject {
public:
    explicit ExitOnFirstExpose(QString widgetName) : widgetName_(std::move(widgetName)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Expose)
            return false;
        auto* window = qobject_cast<QWindow*>(watched);
        if (!window || !window->isExposed())
            return false;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == widgetName_ && widget->windowHandle() == window) {
                // Runs once the expose has been handled, that is painted.
                QTimer::singleShot(0, [] { std::_Exit(0); });
                break;
            }
        }
        return false;
    }

private:
    QString widgetName_;
};
