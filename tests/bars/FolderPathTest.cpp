#include "FolderPath.h"

#include <gtest/gtest.h>

namespace {

TEST(FolderPath, WithTrailingSeparatorAddsExactlyOne)
{
    const QString sep = FolderPath::Separator();
    const std::pair<QString, QString> cases[] = {
        {QString(), QString()},
        {sep, sep},
        {QStringLiteral("data"), QStringLiteral("data") + sep},
        {QStringLiteral("data") + sep, QStringLiteral("data") + sep},
        {sep + QStringLiteral("a") + sep + QStringLiteral("b"),
         sep + QStringLiteral("a") + sep + QStringLiteral("b") + sep},
        {QStringLiteral("data") + sep + sep, QStringLiteral("data") + sep + sep},
    };
    for (const auto &[folder, expected] : cases)
        EXPECT_EQ(FolderPath::WithTrailingSeparator(folder), expected) << folder.toStdString();
}

} // namespace
