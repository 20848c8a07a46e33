#pragma once

#include <QPushButton>

namespace kv {

// A push button at a fixed place that is never a default button, so Enter in
// a field neither stores nor leaves anything behind the user's back.
inline QPushButton* plainButton(const QString& name, const QString& caption, const QRect& geometry, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace kv
