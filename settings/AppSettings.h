#pragma once

#include "QuoteService.h"

#include <QList>

#include <QString>
#include <QStringList>

// The settings kept in "Quorbex.ini" between runs.
struct AppSettings
{
    QString StartYear;         // the text of txtStartYear
    QString DestinationFolder; // the caption of lblDestinationFolder
    QString BMpath;
    QString QLTpath;
    int FileFormat = 0;              // 0 .bin, 1 .kyv
    int QuoteSource = 0;             // a number of the service registry
    QList<ServiceSettings> services; // by registry number: [Endpoints] and [Limits] (read, never written)
                                     // and [Tokens]
    // [Download]; Retries and Jobs are only read, the others written only once they have been set.
    int Retries = 3; // 0..10
    int Jobs = 1;    // 1..8
    bool UpdateExisting = false;
    PriceKind Prices = PriceKind::Adjusted; // "adjusted" or "raw"
    QString EndDate{};                      // YYYY-MM-DD, or empty for none; checked before a run
    bool FirstStart = false;                // there was no settings file at all
};

// A missing section or key gives the defaults; FileFormat and QuoteSource out of range read as 0. With no
// file at all, QuoteSource is FirstStartSource(): the old services' defaults fail at once online.
[[nodiscard]] AppSettings INIfileRead(const QString &iniPath);
// Stores the six settings and the tokens, keeping everything else the file holds. False, with the reason in
// `error`, when the file could not be written (the old file is then left whole), when an
// existing file could not be read (it is then not replaced), or when a value holds a line
// break (that key alone keeps its old value).
[[nodiscard]] bool INIfileWrite(const QString &iniPath, const AppSettings &settings,
                                QString *error = nullptr);

// The service a first start opens on, and the symbols it serves before the user has a token.
[[nodiscard]] int FirstStartSource();
[[nodiscard]] QStringList FirstStartSymbols();

[[nodiscard]] QString DefaultBMpath();
[[nodiscard]] QString DefaultQLTpath();
