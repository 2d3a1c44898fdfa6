#include "platform/HttpHeaderText.h"

#include <QList>

namespace platform {

std::vector<std::pair<QByteArray, QByteArray>> ParseHeaderText(const QByteArray& text)
{
    std::vector<std::pair<QByteArray, QByteArray>> headers;
    QByteArray lines = text;
    lines.replace('\r', '\n');
    for (const QByteArray& line : lines.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        if (!name.isEmpty())
            headers.emplace_back(name, line.mid(colon + 1).trimmed());
    }
    return headers;
}

} // namespace platform
