#pragma once

// Key presses and wheel notches sent straight to a widget, for the window
// benchmarks: the widget handles them as it handles the user's.

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QWidget>

namespace ruvo {

inline void Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(target, &release);
}

// Negative notches turn the wheel towards the user.
inline void Wheel(QWidget* target, int notches) {
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, notches * 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &wheel);
}

} // namespace ruvo
