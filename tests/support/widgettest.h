#pragma once

// Small helpers shared by the tests that drive real windows.

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "messagebox.h"

namespace kvtest {

// The child with this object name; a missing one ends the test program, as
// every later step would only fail less clearly.
template <typename T = QWidget>
T* child(QObject& parent, const QString& name)
{
    T* found = parent.findChild<T*>(name);
    if (!found)
        qFatal("no child %s", qPrintable(name));
    return found;
}

// Types text key by key. QTest::keyClicks takes ASCII only, so other letters
// go as key events carrying their text.
inline void type(QWidget* target, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClicks(target, QString(c));
        else
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// A message or error box the program asked for.
struct ShownMessage {
    kv::MessageBox::Kind kind;
    QString text;
};

} // namespace kvtest
