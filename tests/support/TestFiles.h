#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QtTest>

namespace fotoria::test {

// Writes a file, making its folder first; fails the running test when it cannot.
inline void writeFile(const QString &path, const QByteArray &content = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(content), qint64(content.size()));
}

// The whole file, or nothing when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// How many of `lines` match `pattern` (log lines, mostly).
inline int countMatching(const QStringList &lines, const QString &pattern)
{
    const QRegularExpression re(pattern);
    int n = 0;
    for (const QString &line : lines)
        n += re.match(line).hasMatch() ? 1 : 0;
    return n;
}

} // namespace fotoria::test
