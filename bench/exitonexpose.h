#pragma once

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <cstdlib>

// For the start-up figures: the application of a start-up probe. It ends the
// process as soon as the named top-level widget's window has handled its
// first expose, that is painted its first frame, so the time a parent
// measures from spawning the process to its exit is the time to that shown
// window. Whatever else is queued behind it (another window's first frame)
// is not counted. Tearing down is skipped on purpose: it is not part of starting.
class ExitOnFirstExposeApplication : public QApplication {
public:
    ExitOnFirstExposeApplication(int& argc, char** argv, QString widgetName)
        : QApplication(argc, argv), widgetName_(std::move(widgetName))
    {
    }

    bool notify(QObject* receiver, QEvent* event) override
    {
        const bool handled = QApplication::notify(receiver, event);
        if (event->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(receiver);
            if (window && window->isExposed()) {
                for (QWidget* widget : QApplication::topLevelWidgets()) {
                    if (widget->objectName() == widgetName_ && widget->windowHandle() == window)
                        std::_Exit(0);
                }
            }
        }
        return handled;
    }

private:
    QString widgetName_;
};
