#include "Console.h"

#include <QDateTime>

#include <cstdio>

namespace Console {

void print(const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void printTimed(const QString& text) {
    print(QDateTime::currentDateTimeUtc().toString(QStringLiteral("HH:mm:ss.zzz")) + u' ' + text);
}

QString printable(QStringView text, qsizetype maxShown) {
    QString out;
    const QStringView shown = text.left(maxShown);
    out.reserve(shown.size());
    for (QChar c : shown) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            out += QLatin1String("\\\\");
        else if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0))
            out += QLatin1String("\\x") + QString::number(u, 16).rightJustified(2, u'0');
        else
            out += c;
    }
    if (text.size() > maxShown)
        out += QLatin1String("... [") + QString::number(text.size()) + QLatin1String(" characters]");
    return out;
}

} // namespace Console
