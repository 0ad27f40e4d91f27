// The issue report's address and what it says of the system.
#include "app/IssueReport.h"

#include <QUrlQuery>
#include <gtest/gtest.h>

namespace kinetta::test
{
namespace
{

TEST(IssueReport, QueryHoldsAppVersionAndOsInOrderFullyEncoded)
{
    const QUrl url = issueReportUrl(QStringLiteral("0.1.0+git"),
                                    QStringLiteral("Débian 12 (a&b=c #1), kernel 6.1.0-18+x 100%"));
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(url.adjusted(QUrl::RemoveQuery).toString(), QString::fromLatin1(kIssueReportPage));
    EXPECT_EQ(url.query(QUrl::FullyEncoded),
              QStringLiteral(
                  "app=kinetta&version=0.1.0%2Bgit&os=D%C3%A9bian%2012%20%28a%26b%3Dc%20%231%29"
                  "%2C%20kernel%206.1.0-18%2Bx%20100%25"));

    // A reader of the query gets the texts back as given, in order.
    const auto items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0], qMakePair(QStringLiteral("app"), QStringLiteral("kinetta")));
    EXPECT_EQ(items[1], qMakePair(QStringLiteral("version"), QStringLiteral("0.1.0+git")));
    EXPECT_EQ(items[2].second, QStringLiteral("Débian 12 (a&b=c #1), kernel 6.1.0-18+x 100%"));
    EXPECT_EQ(issueReportUrl({}, QStringLiteral("Linux")).query(QUrl::FullyEncoded),
              QStringLiteral("app=kinetta&version=&os=Linux"))
        << "an empty version is sent empty";
}

TEST(IssueReport, OsIsThePrettyNameAndTheKernelRelease)
{
    const QString debian = QStringLiteral("NAME=\"Debian GNU/Linux\"\n"
                                          "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                                          "ID=debian\n");
    EXPECT_EQ(osDescription(debian, QStringLiteral("6.1.0-18-amd64")),
              QStringLiteral("Debian GNU/Linux 12 (bookworm), kernel 6.1.0-18-amd64"));
    EXPECT_EQ(osDescription(QStringLiteral("NAME=Arch\nPRETTY_NAME_X=no\n"), QStringLiteral("6.9")),
              QStringLiteral("Arch, kernel 6.9"))
        << "without PRETTY_NAME the NAME";
    EXPECT_EQ(osDescription(QStringLiteral("PRETTY_NAME='Say \\\"hi\\\"'\n"), {}),
              QStringLiteral("Say \"hi\""))
        << "quotes and escapes undone";
    EXPECT_EQ(osDescription({}, QStringLiteral("6.1")), QStringLiteral("Linux, kernel 6.1"));
    EXPECT_FALSE(readOsDescription().isEmpty());
}

} // namespace
} // namespace kinetta::test
