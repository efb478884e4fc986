#include "IniFileCheck.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace {

// Up to `count` characters of an INI value from `at` on, escapes decoded
// the way the settings reader decodes them.
QString unescaped(const QByteArray &text, int at, int count)
{
    QString out;
    const int size = text.size();
    while (at < size && out.size() < count) {
        char c = text.at(at++);
        if (c != '\\' || at >= size) {
            out += QChar(uchar(c));
            continue;
        }
        c = text.at(at++);
        if (c == 'x' || c == 'X' || (c >= '0' && c <= '7')) {
            const bool hex = c == 'x' || c == 'X';
            uint code = hex ? 0 : uint(c - '0');
            while (at < size && code <= 0xffff) {
                const char d = text.at(at);
                int digit = -1;
                if (d >= '0' && d <= (hex ? '9' : '7'))
                    digit = d - '0';
                else if (hex && d >= 'a' && d <= 'f')
                    digit = d - 'a' + 10;
                else if (hex && d >= 'A' && d <= 'F')
                    digit = d - 'A' + 10;
                if (digit < 0)
                    break;
                code = code * (hex ? 16 : 8) + uint(digit);
                ++at;
            }
            out += code <= 0xffff ? QChar(ushort(code)) : QChar(QChar::ReplacementCharacter);
        } else {
            out += QChar(uchar(c)); // \" \\ \n and the like: never '@'
        }
    }
    return out;
}

} // namespace

bool IniFileCheck::holdsOnlyTextValues(const QByteArray &text, const QString &allowedStreamed)
{
    // The other '@' forms are read as text; these two through a stream.
    static const QString kStreamed = QStringLiteral("@Variant(");
    static const QString kTime = QStringLiteral("@DateTime(");
    // A file of zeros (a crash before the data reached the disk) is no text.
    if (text.contains('\0') || text.contains("\\\n") || text.contains("\\\r"))
        return false;
    const int look = qMax(allowedStreamed.size(), kTime.size());
    for (int i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c != '=' && c != ',' && c != '"')
            continue;
        int at = i + 1;
        while (at < text.size() && (text.at(at) == ' ' || text.at(at) == '\t'))
            ++at;
        if (unescaped(text, at, 1) != QLatin1String("@"))
            continue;
        const QString start = unescaped(text, at, look);
        const bool allowed = !allowedStreamed.isEmpty() && start.startsWith(allowedStreamed);
        if ((start.startsWith(kStreamed) && !allowed) || start.startsWith(kTime))
            return false;
    }
    return true;
}

bool IniFileCheck::setAside(const QString &path, const char *who, const char *reason)
{
    const QString aside = path + QStringLiteral(".unreadable");
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    QFile::remove(aside);
    const bool moved = QFile::rename(path, aside);
    qWarning().nospace() << who << ": " << path << " " << reason << "; "
                         << (moved ? "the file is kept as " : "cannot move it to ") << aside;
    return moved;
}

bool IniFileCheck::vet(const QString &path, const char *who, const QString &allowedStreamed)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || holdsOnlyTextValues(file.readAll(), allowedStreamed))
        return true;
    file.close();
    return setAside(path, who, "holds values this program never writes");
}
