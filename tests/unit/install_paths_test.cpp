#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/InstallPaths.h"
#include "platform/SystemPaths.h"

namespace dravik {
namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

// An unpacked install tree: <root>/usr/bin holds the program; its files are where the system keeps
// them, <root>/usr/share/dravik on Linux, the program's own folder on Windows.
struct InstallTree {
    QTemporaryDir root;
    QString bin() const { return root.filePath("usr/bin"); }
    QString share() const { return installedDataFolder(bin()); }
    QString start() const { return root.filePath("start"); }
    InstallTree() {
        QDir().mkpath(bin());
        QDir().mkpath(start());
    }
};

TEST(InstallPaths, ShippedFilesComeFromTheInstalledTreeThenTheSourceTreeThenBesideTheProgram) {
    InstallTree t;
    const QString relative = QStringLiteral("benches/only-here.json");
    // Nothing anywhere: the installed place is named, so an error message points somewhere useful.
    EXPECT_EQ(locateShippedFile(relative, t.bin()), t.share() + u'/' + relative);
    touch(t.bin() + u'/' + relative);
    EXPECT_EQ(locateShippedFile(relative, t.bin()), t.bin() + u'/' + relative);
    touch(t.share() + u'/' + relative);
    EXPECT_EQ(locateShippedFile(relative, t.bin()), t.share() + u'/' + relative);
    // The source tree's own bench is found by a build that is not installed.
    EXPECT_EQ(locateShippedFile(QStringLiteral("benches/standard.json"), t.root.filePath("elsewhere")),
              QStringLiteral(DRAVIK_SOURCE_DIR "/data/benches/standard.json"));
}

TEST(InstallPaths, DatabaseIsLookedForInTheStartFolderThenBesideTheProgramThenTheInstalledFolder) {
    struct Case {
        const char* name;
        bool inStart;
        bool besideProgram;  // a build folder holds the database it made
        bool installed;
        const char* expect;  // "start", "bin", "share" or "" (not found)
    };
    const Case cases[] = {
        {"only in the start folder", true, false, false, "start"},
        {"only beside the program", false, true, false, "bin"},
        {"only installed", false, false, true, "share"},
        {"all: the start folder wins", true, true, true, "start"},
        {"beside the program before installed", false, true, true, "bin"},
        {"nowhere", false, false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallTree t;
        if (c.inStart) touch(t.start() + "/VuzUvazuzuvar.db");
        if (c.besideProgram) touch(t.bin() + "/VuzUvazuzuvar.db");
        if (c.installed) touch(t.share() + "/VuzUvazuzuvar.db");
        const DatabaseLookup lookup = findProductDatabase(t.start(), t.bin());
        const QString which = QString::fromLatin1(c.expect);
        const QString expected = which == "start" ? t.start()
                                 : which == "bin" ? t.bin()
                                 : which == "share" ? t.share()
                                                    : QString();
        EXPECT_EQ(lookup.folder, expected);
        EXPECT_EQ(lookup.found(), !expected.isEmpty());
        if (!lookup.found()) {
            QStringList looked{t.start(), t.bin(), t.share()};
            looked.removeDuplicates();  // on Windows the installed files are beside the program
            EXPECT_EQ(lookup.looked, looked);
            const QString text = missingDatabaseText(lookup);
            EXPECT_TRUE(text.contains("VuzUvazuzuvar.db")) << text.toStdString();
            EXPECT_TRUE(text.contains(QDir::toNativeSeparators(t.start()))) << text.toStdString();
            EXPECT_TRUE(text.contains(QDir::toNativeSeparators(t.share()))) << text.toStdString();
        }
    }
}

// A folder with a directory of the database's name holds no database.
TEST(InstallPaths, AFolderNamedLikeTheDatabaseIsNotTheDatabase) {
    InstallTree t;
    QDir().mkpath(t.start() + "/VuzUvazuzuvar.db");
    touch(t.share() + "/VuzUvazuzuvar.db");
    EXPECT_EQ(findProductDatabase(t.start(), t.bin()).folder, t.share());
}

}  // namespace
}  // namespace dravik
