#include "AppSettings.h"

#include "ProfileFile.h"
#include "RequestChoices.h"
#include "SaveFile.h"
#include "ServiceRegistry.h"

#include <QDir>
#include <QFileDevice>
#include <QUrl>

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kEndpoints = QStringLiteral("Endpoints");
const QString kTokens = QStringLiteral("Tokens");
const QString kLimits = QStringLiteral("Limits");
const QString kDownload = QStringLiteral("Download");
const QString kUpdateExisting = QStringLiteral("UpdateExisting");
const QString kPrices = QStringLiteral("Prices");
const QString kEndDate = QStringLiteral("EndDate");

// An integer key of [Download]; out of range reads as the default.
int ReadBounded(const ProfileFile &profile, const QString &key, int fallback, int low, int high)
{
    const int value = profile.ReadInt(kDownload, key, fallback);
    return value < low || value > high ? fallback : value;
}

// The values come back through a 1024-character buffer with its terminating NUL.
constexpr qsizetype kMaxTextLength = 1023;

// "http[s]://host[:port]" with at most a trailing "/", which is dropped.
bool BaseUrl(const QString &text, QString *normalised)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || url.hasQuery() ||
        url.hasFragment())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme != u"http" && scheme != u"https")
        return false;
    if (!url.path().isEmpty() && url.path() != u"/")
        return false;
    QString result = text;
    if (result.endsWith(u'/'))
        result.chop(1);
    *normalised = result;
    return true;
}

bool AllDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

void ReadEndpoint(const ProfileFile &profile, const QString &key, QString *endpoint)
{
    const QString text = profile.ReadString(kEndpoints, key, QString(), kMaxTextLength);
    QString url;
    if (BaseUrl(text, &url))
        *endpoint = url;
}

} // namespace

int FirstStartSource()
{
    return ServiceRegistry::IndexOf(u"eodhd");
}

QStringList FirstStartSymbols()
{
    return ServiceRegistry::At(FirstStartSource())->FallbackTokenSymbols();
}

QString DefaultBMpath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Brindlemoor\\DailyQuotes");
#else
    return QDir::homePath() + QStringLiteral("/Brindlemoor/DailyQuotes");
#endif
}

QString DefaultQLTpath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Quillamere Trader 6\\DailyQuotes");
#else
    return QDir::homePath() + QStringLiteral("/Quillamere Trader 6/DailyQuotes");
#endif
}

AppSettings INIfileRead(const QString &iniPath)
{
    ProfileFile profile;
    AppSettings settings;
    settings.FirstStart = profile.Load(iniPath) == ReadResult::Missing;

    settings.StartYear = QString::number(profile.ReadInt(kSettings, QStringLiteral("StartYear"), 2000));
    settings.DestinationFolder =
        profile.ReadString(kSettings, QStringLiteral("DestinationFolder"), QString(), kMaxTextLength);
    settings.BMpath =
        profile.ReadString(kSettings, QStringLiteral("BMpath"), DefaultBMpath(), kMaxTextLength);
    settings.QLTpath =
        profile.ReadString(kSettings, QStringLiteral("QLTpath"), DefaultQLTpath(), kMaxTextLength);

    settings.FileFormat = profile.ReadInt(kSettings, QStringLiteral("FileFormat"), 0);
    if (settings.FileFormat != 0 && settings.FileFormat != 1)
        settings.FileFormat = 0;
    settings.QuoteSource = profile.ReadInt(kSettings, QStringLiteral("QuoteSource"),
                                           settings.FirstStart ? FirstStartSource() : 0);
    if (!ServiceRegistry::At(settings.QuoteSource))
        settings.QuoteSource = 0;

    settings.services = ServiceRegistry::DefaultSettings();
    for (qsizetype i = 0; i < settings.services.size(); ++i) {
        const QuoteService::Description &service = ServiceRegistry::At(int(i))->Describe();
        ServiceSettings &one = settings.services[i];
        ReadEndpoint(profile, service.key, &one.base);
        if (service.token)
            one.token = profile.ReadString(kTokens, service.key, QString(), kMaxTextLength);
        // The extras are account numbers.
        for (const QuoteService::Extra &extra : service.extras) {
            const QString value = profile.ReadString(kEndpoints, extra.key, QString(), kMaxTextLength);
            if (AllDigits(value))
                one.extras[extra.key] = value;
        }
        // A value that does not read keeps the documented rates.
        if (const std::optional<QList<Rate>> rates =
                ParseRates(profile.ReadString(kLimits, service.key, QStringLiteral("-"), kMaxTextLength)))
            one.rates = *rates;
    }
    settings.Retries = ReadBounded(profile, QStringLiteral("Retries"), 3, 0, 10);
    settings.Jobs = ReadBounded(profile, QStringLiteral("Jobs"), 1, 1, 8);
    settings.UpdateExisting = ReadBounded(profile, kUpdateExisting, 0, 0, 1) == 1;
    settings.Prices = RequestChoices::PricesFromKey(profile.ReadString(kDownload, kPrices, QString()))
                          .value_or(PriceKind::Adjusted);
    settings.EndDate = profile.ReadString(kDownload, kEndDate, QString(), kMaxTextLength);
    return settings;
}

bool INIfileWrite(const QString &iniPath, const AppSettings &settings, QString *error)
{
    ProfileFile profile;
    // An existing file that cannot be read is not replaced: its other sections would be lost.
    if (profile.Load(iniPath, error) == ReadResult::Failed)
        return false;

    const std::pair<QString, QString> values[] = {
        {QStringLiteral("StartYear"), TrimSpaces(settings.StartYear)},
        {QStringLiteral("DestinationFolder"), TrimSpaces(settings.DestinationFolder)},
        {QStringLiteral("BMpath"), TrimSpaces(settings.BMpath)},
        {QStringLiteral("QLTpath"), TrimSpaces(settings.QLTpath)},
        {QStringLiteral("FileFormat"), QString::number(settings.FileFormat)},
        {QStringLiteral("QuoteSource"), QString::number(settings.QuoteSource)}};
    QStringList refused;
    for (const auto &[key, value] : values) {
        if (!profile.WriteString(kSettings, key, value))
            refused.append(key);
    }

    // A file that never had the box on stays as it was.
    if ((settings.UpdateExisting || !profile.ReadString(kDownload, kUpdateExisting, QString()).isEmpty()) &&
        !profile.WriteString(kDownload, kUpdateExisting,
                             settings.UpdateExisting ? QStringLiteral("1") : QStringLiteral("0")))
        refused.append(kUpdateExisting);
    // Like UpdateExisting: a file that never had a choice made gains no key.
    if ((settings.Prices != PriceKind::Adjusted ||
         !profile.ReadString(kDownload, kPrices, QString()).isEmpty()) &&
        !profile.WriteString(kDownload, kPrices, RequestChoices::PricesKey(settings.Prices)))
        refused.append(kPrices);
    if ((!TrimSpaces(settings.EndDate).isEmpty() ||
         !profile.ReadString(kDownload, kEndDate, QString()).isEmpty()) &&
        !profile.WriteString(kDownload, kEndDate, TrimSpaces(settings.EndDate)))
        refused.append(kEndDate);

    // A file without tokens gains no [Tokens] section; a stored token can still be emptied.
    bool holdsToken = false;
    for (qsizetype i = 0; i < ServiceRegistry::Count(); ++i) {
        const QuoteService::Description &service = ServiceRegistry::At(int(i))->Describe();
        if (!service.token)
            continue;
        const QString &key = service.key;
        const QString token =
            i < settings.services.size() ? TrimSpaces(settings.services[i].token) : QString();
        const bool stored = profile.ReadString(kTokens, key, QStringLiteral("\n")) != u"\n";
        if ((stored || !token.isEmpty()) && !profile.WriteString(kTokens, key, token))
            refused.append(key);
        holdsToken = holdsToken || !profile.ReadString(kTokens, key, QString()).isEmpty();
    }

    const QByteArray bytes = profile.Bytes();
    const bool saved = SaveFileAtomically(
        iniPath,
        [&bytes, holdsToken](QIODevice &device) {
            auto *file = qobject_cast<QFileDevice *>(&device);
            const bool ownerOnly =
                !holdsToken ||
                (file && file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
            return ownerOnly && device.write(bytes) == bytes.size();
        },
        error);
    if (!saved)
        return false;
    if (!refused.isEmpty()) {
        if (error)
            *error = refused.join(QStringLiteral(", ")) +
                     QStringLiteral(" not written: a line break in the value");
        return false;
    }
    return true;
}
