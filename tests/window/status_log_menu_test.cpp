#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include "script/ScriptControls.h"
#include "app/StatusLogMenu.h"
#include "support/SystemReasons.h"

namespace dravik {
namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

const QString kLog =
    QStringLiteral("TX command: INTERFACE IDENTIFICATION. Data: 1.f1.\r\nRx: OK. Data: 1.\r\nCaffè\r\n");

TEST(StatusLogMenu, OffersCopySelectAllAndSaveLog) {
    QPlainTextEdit box;
    box.setReadOnly(true);
    QAction* save = makeSaveLogAction(&box, {});
    std::unique_ptr<QMenu> menu(makeStatusLogMenu(&box, save, nullptr));
    QStringList captions;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) captions << scripting::plainCaption(a->text());
    EXPECT_TRUE(captions.contains("Copy")) << captions.join(", ").toStdString();
    EXPECT_TRUE(captions.contains("Select All")) << captions.join(", ").toStdString();
    EXPECT_EQ(captions.last(), QStringLiteral("Save log…"));
}

// Saving writes the log as shown, byte for byte; cancelling writes nothing; a failed save says why,
// in a box and in the status log, and leaves the earlier file whole.
TEST(StatusLogMenu, SaveLogWritesPlainTextOrSaysWhyNot) {
    QTemporaryDir dir;
    const QString target = dir.filePath("log.txt");
    QString askedPath;
    QStringList failures;
    QString logged;
    QPlainTextEdit box;
    const StatusLogMenuHooks hooks{[] { return kLog; },
                                   [&] { return askedPath; },
                                   [&](const QString& why) { failures << why; },
                                   {},
                                   [&](const QString& line) { logged += line; }};
    installStatusLogMenu(&box, hooks);
    // Reachable by name, as a scripted run finds it.
    auto save = [&] { box.findChild<QAction*>("saveLogMenuItem")->trigger(); };

    askedPath.clear();  // cancelled
    save();
    EXPECT_FALSE(QFile::exists(target));

    askedPath = target;
    save();
    EXPECT_EQ(readAll(target), kLog.toUtf8());
    EXPECT_TRUE(failures.isEmpty());

    askedPath = dir.filePath("no such folder/log.txt");
    save();
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures[0],
              QStringLiteral("Cannot save the log to %1: %2").arg(QDir::toNativeSeparators(askedPath), dravik::test::kNoFolderReason));
    EXPECT_EQ(logged, QStringLiteral("Log not saved: %1: %2\r\n").arg(QDir::toNativeSeparators(askedPath), dravik::test::kNoFolderReason));

    // Overwriting replaces the whole file, shorter text included.
    QString error;
    ASSERT_TRUE(saveLogFile(target, QStringLiteral("short\r\n"), &error)) << error.toStdString();
    EXPECT_EQ(readAll(target), QByteArray("short\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"log.txt"});  // no temporary left
}

}  // namespace
}  // namespace dravik
