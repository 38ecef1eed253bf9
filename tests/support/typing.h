// Typing as a user does: one key press and release per character, with the key code the desktop
// gives it and the character as the event's text, sent through the application so that its key
// handling sees the keys first.
#pragma once

#include <QChar>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace qmtest {

inline void TypeText(QWidget* w, const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size();
        const char32_t code =
            pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
        const QString one = text.mid(i, pair ? 2 : 1);
        i += pair ? 2 : 1;
        // A letter's key code is its upper case (Qt::Key_A for "a", Qt::Key_Eacute for "é").
        const int key = static_cast<int>(QChar::toUpper(code));
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, one);
        QCoreApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, one);
        QCoreApplication::sendEvent(w, &release);
    }
}

}  // namespace qmtest
