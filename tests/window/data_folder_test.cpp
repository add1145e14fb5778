// The main data folder and its protocols folder: where they are, creating them, and the messages.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "app/DataFolder.h"
#include "window/TempDataDir.h"

namespace dravik {
namespace {

using Outcome = DataFolderCheck::Outcome;

bool isDir(const QString& path) { return QFileInfo(path).isDir(); }

TEST(DataFolderPaths, FollowTheDataDirectory) {
    TempDataDir dir;
    EXPECT_EQ(mainDataFolder(), QDir::cleanPath(dir.path()));
    EXPECT_EQ(protocolsFolder(), dir.file(QStringLiteral("protocols")));
    EXPECT_EQ(settingsFilePath(), dir.file(QStringLiteral("CfgDravik.txt")));

    EXPECT_FALSE(developerMarkerExists());
    ASSERT_TRUE(dir.create());
    ASSERT_TRUE(dir.write(QStringLiteral("Developer.txt"), {}));
    EXPECT_TRUE(developerMarkerExists());
}

TEST(DataFolderCheck, MissingMainFolderCreatesBothAndReportsOnlyTheMainFolder) {
    TempDataDir dir;
    const DataFolderCheck check = ensureDataFolders();

    EXPECT_EQ(check.outcome, Outcome::MainCreated);
    EXPECT_EQ(check.text, QStringLiteral("The main folder '") + displayPath(dir.path()) +
                              QStringLiteral("' doesn't exist. A new one has been just created!\r\n"
                                             "No protocols present!"));
    EXPECT_EQ(check.caption, QStringLiteral("Main folder check"));
    EXPECT_TRUE(isDir(dir.path()));
    EXPECT_TRUE(isDir(dir.file(QStringLiteral("protocols"))));

    EXPECT_FALSE(ensureDataFolders().needsMessage());  // second run: nothing to say
}

TEST(DataFolderCheck, MissingProtocolsFolderIsCreatedAndReported) {
    TempDataDir dir;
    ASSERT_TRUE(dir.create());
    const DataFolderCheck check = ensureDataFolders();

    EXPECT_EQ(check.outcome, Outcome::ProtocolsCreated);
    EXPECT_EQ(check.text,
              QStringLiteral("The path '") + displayPath(dir.file(QStringLiteral("protocols"))) +
                  QStringLiteral("' doesn't exist. A new protocols folder has been just created!\r\n"
                                 "No protocols present!"));
    EXPECT_EQ(check.caption, QStringLiteral("Protocols folder check"));
    EXPECT_TRUE(isDir(dir.file(QStringLiteral("protocols"))));
}

// A plain file where a folder belongs cannot be replaced; the check says so instead of claiming
// the folder was created.
TEST(DataFolderCheck, FolderThatCannotBeCreatedIsReportedAsFailure) {
    TempDataDir dir;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(dir.path()).path()));
    {
        QFile blocker(dir.path());
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    DataFolderCheck check = ensureDataFolders();
    EXPECT_EQ(check.outcome, Outcome::Failed);
    EXPECT_TRUE(check.text.contains(displayPath(dir.path()))) << check.text.toStdString();
    EXPECT_EQ(check.caption, QStringLiteral("Main folder check"));

    ASSERT_TRUE(QFile::remove(dir.path()));
    ASSERT_TRUE(dir.create());
    ASSERT_TRUE(dir.write(QStringLiteral("protocols"), "not a folder"));
    check = ensureDataFolders();
    EXPECT_EQ(check.outcome, Outcome::Failed);
    EXPECT_EQ(check.caption, QStringLiteral("Protocols folder check"));
}

}  // namespace
}  // namespace dravik
