#include "FolderPath.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TEST(FolderPath, WithTrailingSeparatorAddsExactlyOne)
{
    const QString sep = FolderPath::Separator();
    EXPECT_EQ(FolderPath::WithTrailingSeparator(QString()), QString());
    EXPECT_EQ(FolderPath::WithTrailingSeparator(sep), sep);
    EXPECT_EQ(FolderPath::WithTrailingSeparator(QStringLiteral("data")), QStringLiteral("data") + sep);
    EXPECT_EQ(FolderPath::WithTrailingSeparator(QStringLiteral("data") + sep), QStringLiteral("data") + sep);
}

} // namespace
