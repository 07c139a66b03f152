#pragma once

#include <QFile>
#include <QString>

// A test's own data file as text; a missing one ends the test at once.
inline QString readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return QString::fromUtf8(file.readAll());
}
