#include "ImageStoreIndex.h"

namespace {

// As the toolkit's own writer: Qt 6 keeps characters beyond ASCII as UTF-8,
// Qt 5 escapes them. Either build reads both.
constexpr bool kWritesUtf8 = QT_VERSION >= QT_VERSION_CHECK(6, 0, 0);

bool isHexDigit(uint c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

QByteArray ImageStoreIndex::render(const QMap<QString, bool> &playlists)
{
    // The toolkit keeps "/" in its keys and sorts them as strings ("1/path"
    // before "10/active" before "2/active", "size" last); "\" is only how
    // the file spells the separator.
    QMap<QString, QString> values;
    int i = 1;
    for (auto it = playlists.cbegin(); it != playlists.cend(); ++it, ++i) {
        const QString n = QString::number(i);
        values.insert(
            n + QStringLiteral("/active"), it.value() ? QStringLiteral("true") : QStringLiteral("false"));
        // "@" starts a typed value: the toolkit doubles a leading one and
        // wraps a string holding a NUL.
        QString path = it.key();
        if (path.contains(QChar(0)))
            path = QStringLiteral("@String(") + path + QLatin1Char(')');
        else if (path.startsWith(QLatin1Char('@')))
            path.prepend(QLatin1Char('@'));
        values.insert(n + QStringLiteral("/path"), path);
    }
    values.insert(QStringLiteral("size"), QString::number(playlists.size()));

    QByteArray out("[imagestore]\n");
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        out += it.key().toLatin1().replace('/', '\\');
        out += '=';
        appendValue(out, it.value());
        out += '\n';
    }
    return out;
}

void ImageStoreIndex::appendValue(QByteArray &out, const QString &value)
{
    const int start = out.size();
    bool needsQuotes = false;
    // After a \x escape a following hex digit would be read as part of it.
    bool escapeNextIfHex = false;
    for (int i = 0; i < value.size(); ++i) {
        const uint c = value.at(i).unicode();
        if (kWritesUtf8 && c >= 0x80) {
            // A character beyond the basic plane is two UTF-16 units.
            const int units = value.at(i).isHighSurrogate() && i + 1 < value.size() ? 2 : 1;
            out += QStringView(value).mid(i, units).toUtf8();
            i += units - 1;
            escapeNextIfHex = false;
            continue;
        }
        if (c == ';' || c == ',' || c == '=')
            needsQuotes = true;
        if (escapeNextIfHex && isHexDigit(c)) {
            out += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        escapeNextIfHex = false;
        switch (c) {
        case '\0':
            out += "\\0";
            escapeNextIfHex = true;
            break;
        case '\a':
            out += "\\a";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\v':
            out += "\\v";
            break;
        case '"':
        case '\\':
            out += '\\';
            out += char(c);
            break;
        default:
            if (c <= 0x1f || c >= 0x7f) {
                out += "\\x" + QByteArray::number(c, 16);
                escapeNextIfHex = true;
            } else {
                out += char(c);
            }
        }
    }
    if (needsQuotes || (out.size() > start && (out.at(start) == ' ' || out.at(out.size() - 1) == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}
