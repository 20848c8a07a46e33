#pragma once

#include <exception>
#include <functional>

#include <QObject>
#include <QString>

namespace kv {

// The program's two kinds of message window.
class MessageBox {
public:
    enum class Kind { Information, Error };

    // The program's own messages: modal, centred on the screen, the
    // application title as caption, no icon, one "OK" that Enter and Escape press.
    static void information(const QString& text);

    // The application-wide error box: modal, application title, stop icon,
    // one OK, the message with a full stop added (see errorText).
    static void error(const QString& message);

    // A full stop is added when the last character sorts after "."; a
    // message ending in a letter or digit gets one, one ending in "'" does not.
    static QString errorText(const QString& message);

    // Tests answer boxes in advance: while a recorder is set, boxes are handed
    // to it instead of being shown.
    using Recorder = std::function<void(Kind, const QString&)>;
    static void setRecorder(Recorder recorder);

private:
    static Recorder& recorder();
};

// Shows an error that escaped an event handler in the error box; the event
// loop then goes on.
void reportError(const std::exception& error);

// Runs an event handler's body; an error it raises abandons the rest of the
// handler and is shown in the error box.
template <typename Handler>
void guarded(Handler&& handler)
{
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& error) {
        reportError(error);
    }
}

// Connects a signal to an event handler whose errors go to the error box.
template <typename Sender, typename Signal, typename Handler>
void connectGuarded(Sender* sender, Signal signal, QObject* context, Handler handler)
{
    QObject::connect(sender, signal, context, [handler] { guarded(handler); });
}

} // namespace kv
