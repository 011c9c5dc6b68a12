#pragma once

#include "QuoteService.h"

#include <QByteArray>
#include <QJsonObject>
#include <QStringView>

#include <functional>

// Search replies that are JSON lists of objects, one match each. Pure.
namespace SearchJson {

// The matches `read` makes of each object of the list, which is the whole reply or, when `member` is
// not empty, that member of the reply's object. A reply of another shape is not ok, and its cause
// shows its start.
[[nodiscard]] SearchReply Parse(const QByteArray &body, QStringView member,
                                const std::function<SymbolMatch(const QJsonObject &)> &read);

} // namespace SearchJson
