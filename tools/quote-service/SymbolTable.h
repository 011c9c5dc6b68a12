#pragma once

#include "QuoteRequest.h"

#include <QByteArray>

#include <optional>

// The three search forms, answered from a small table of names in each service's own spelling.
struct SymbolSearch
{
    QuoteForm form = QuoteForm::Eodhd; // the service whose search is asked
    QByteArray text;                   // percent-decoded
    QByteArray token;

    // nullopt for a target that is not a search.
    [[nodiscard]] static std::optional<SymbolSearch> Parse(const QByteArray &target, const QByteArray &head);
    // The service's JSON list of the names or codes that hold the text, in any letter case; an empty
    // list when none does.
    [[nodiscard]] QByteArray Matches() const;
};
