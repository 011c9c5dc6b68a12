#include "SymbolLookupDialog.h"

#include "HttpTransfer.h"
#include "QtPrinters.h"
#include "QuoteDownloader.h"
#include "QuoteServiceProcess.h"
#include "ServiceRegistry.h"
#include "SymbolLookup.h"

#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QList<ServiceSettings> AtLocalService(const QString &eodhdToken)
{
    static const QuoteServiceProcess service({u"--token"_s, u"right"_s});
    QList<ServiceSettings> services = ServiceRegistry::DefaultSettings();
    for (ServiceSettings &one : services)
        one.base = service.BaseUrl();
    services[ServiceRegistry::IndexOf(u"eodhd")].token = eodhdToken;
    return services;
}

// The dialog's search, its matches chosen, and a failure shown where the user looks.
TEST(SymbolLookupDialogTest, FindsBerkshireAndShowsAFailure)
{
    const int eodhd = ServiceRegistry::IndexOf(u"eodhd");
    for (const QString &token : {u"right"_s, u"wrong"_s}) {
        SCOPED_TRACE(token.toStdString());
        HttpTransfer transfer;
        const QuoteDownloader downloader(transfer, AtLocalService(token));
        SymbolLookup lookup(downloader);
        SymbolLookupDialog dialog(lookup, eodhd, u"berkshire"_s);
        QEventLoop loop;
        QObject::connect(&lookup, &SymbolLookup::Finished, &loop, &QEventLoop::quit);
        dialog.Search();
        loop.exec();
        auto *table = dialog.findChild<QTableWidget *>(u"tblMatches"_s);
        const QString status = dialog.findChild<QLabel *>(u"lblStatus"_s)->text();
        if (token == u"wrong"_s) {
            EXPECT_EQ(status, u"Look-up failed: HTTP 401 Unauthorized: check the API token"_s);
            EXPECT_EQ(table->rowCount(), 0);
            EXPECT_TRUE(dialog.Chosen().isEmpty());
            continue;
        }
        ASSERT_EQ(table->rowCount(), 2);
        EXPECT_EQ(table->item(0, 2)->text(), u"US"_s);
        EXPECT_EQ(table->item(0, 4)->text(), u"USD"_s);
        EXPECT_EQ(dialog.Chosen(), QStringList{u"BRK-B.US"_s}); // the first is selected, so Add adds it
        table->selectAll();
        EXPECT_EQ(dialog.Chosen(), (QStringList{u"BRK-B.US"_s, u"BRK-A.US"_s}));
    }

    // The Add prompt's button works only where there is a search, and says why not elsewhere.
    HttpTransfer transfer;
    const QuoteDownloader downloader(transfer);
    SymbolLookup lookup(downloader);
    const SymbolPrompt yahoo = SymbolLookupDialog::AddPrompt(lookup, 0);
    EXPECT_FALSE(yahoo.lookUp);
    EXPECT_EQ(yahoo.lookUpTip, u"Yahoo! Finance offers no symbol search"_s);
    EXPECT_TRUE(SymbolLookupDialog::AddPrompt(lookup, eodhd).lookUp);
}

} // namespace
