#include "SearchJson.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace SearchJson {

namespace {

constexpr qsizetype kShownLength = 80;

QString Start(const QByteArray &body)
{
    QString text = QString::fromUtf8(body.left(4 * kShownLength)).simplified();
    if (text.size() > kShownLength)
        text.truncate(text.at(kShownLength - 1).isHighSurrogate() ? kShownLength - 1 : kShownLength);
    return text;
}

} // namespace

SearchReply Parse(const QByteArray &body, QStringView member,
                  const std::function<SymbolMatch(const QJsonObject &)> &read)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonValue list = member.isEmpty() ? QJsonValue(document.array()) : document.object().value(member);
    if ((member.isEmpty() && !document.isArray()) || !list.isArray())
        return {false, {}, QStringLiteral("reply is not a list of matches: ") + Start(body)};
    SearchReply reply{true, {}, {}};
    for (const QJsonValue &value : list.toArray()) {
        if (!value.isObject())
            continue;
        SymbolMatch match = read(value.toObject());
        if (!match.code.isEmpty())
            reply.matches.append(std::move(match));
    }
    return reply;
}

} // namespace SearchJson
