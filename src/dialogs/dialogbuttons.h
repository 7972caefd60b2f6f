#pragma once

#include <QLatin1String>
#include <QPushButton>

// A dialog's row button: named for tests and styles, and never the default button, so Enter in
// a field cannot start an operation by accident.
inline QPushButton *makeDialogButton(const QString &text, const char *objectName, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(objectName));
    button->setAutoDefault(false);
    return button;
}
