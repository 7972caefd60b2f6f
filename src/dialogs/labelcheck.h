#pragma once

#include "common/volumelabel.h"

#include <QCoreApplication>
#include <QMessageBox>

// A label the file system cannot hold is said in a box, naming what is wrong, before anything
// is asked or done; it is never trimmed to fit behind the user's back. True when it may be used.
inline bool labelAccepted(QWidget *parent, const QString &fileSystem, const QString &label)
{
    const QString why = volumelabel::refusal(fileSystem, label);
    if (!why.isEmpty())
        QMessageBox::warning(parent, QCoreApplication::translate("volumelabel", "Invalid Volume Label"), why);
    return why.isEmpty();
}
