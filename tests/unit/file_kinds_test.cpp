// Every kind of file the program opens, under a folder with accents, a non-Latin script and blanks
// in its names, and the same name as a named pipe: the good file is read, the pipe is refused at
// once instead of holding the window.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sqlite3.h>

#include "app/Backend.h"
#include "app/LanguageSettings.h"
#include "app/StatusLogMenu.h"
#include "config/ConfigReader.h"
#include "database/ProductDatabaseConnection.h"
#include "firmware/ImageCheck.h"
#include "module/Programmer.h"
#include "module/ProtocolFiles.h"
#include "support/RecordingViews.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace dravik;
using namespace dravik::test;

namespace {

// DRAVIK_DATA_DIR as the program reads it. On Windows the 8-bit environment holds only the ANSI
// code page, which cannot name every folder: the wide one can.
void setDataFolder(const QString& folder) {
#ifdef _WIN32
    _wputenv_s(L"DRAVIK_DATA_DIR", reinterpret_cast<const wchar_t*>(folder.utf16()));
#else
    qputenv("DRAVIK_DATA_DIR", QFile::encodeName(folder));
#endif
}

QString sample(const char* relative) { return QStringLiteral(DRAVIK_SOURCE_DIR "/data/") + QString::fromUtf8(relative); }

struct Kind {
    const char* name;
    const char* fileName;
    // Puts a good file of this kind at path.
    std::function<void(const QString& path)> make;
    // Opens it the way the program does: empty when it was read, otherwise the refusal.
    std::function<QString(const QString& path)> open;
};

std::function<void(const QString&)> copyOf(const char* relative) {
    return [relative](const QString& path) { ASSERT_TRUE(QFile::copy(sample(relative), path)); };
}

std::vector<Kind> kinds() {
    return {
        {"Backup", "my backup.bkd", copyOf("configurations/taviron-zed-63.bkd"),
         [](const QString& p) {
             const ConfigReadResult r = readConfigFile(p);
             return r.ok() ? QString() : r.error->describe();
         }},
        {"Firmware", "good image.fmd", copyOf("firmware/good.fmd"),
         [](const QString& p) {
             QByteArray image;
             const QString why = readFirmwareImage(p, image);
             return why.isEmpty() ? checkUpgradeImage(image, QStringLiteral("@2500\n01\nq\n")) : why;
         }},
        {"Protocol", "protocol file.txt", copyOf("protocols/VRAK1-CAN-DEMO.txt"),
         [](const QString& p) {
             auto tables = std::make_unique<SlotTables>();
             const ProtocolImage image = readProtocolImage(p, *tables);
             return image.ok ? QString() : image.error;
         }},
        {"Bench", "my bench.json", copyOf("benches/standard.json"),
         [](const QString& p) {
             QString error;
             return loadBench(p, error) ? QString() : error;
         }},
        {"Database", "products db.sqlite",
         [](const QString& p) {
             sqlite3* db = nullptr;
             ASSERT_EQ(sqlite3_open_v2(p.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                       nullptr),
                       SQLITE_OK);
             ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr), SQLITE_OK);
             sqlite3_close(db);
         },
         [](const QString& p) {
             QString error;
             const DatabaseMessageHandler keep = [&error](const QString& m) { error = m; };
             DatabaseConnection db(p, keep, keep);
             return db.ok() ? QString() : error;
         }},
        {"Settings", "CfgDravik.txt",
         [](const QString& p) {
             QFile f(p);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("3");
         },
         [](const QString& p) {
             setDataFolder(QFileInfo(p).absolutePath());
             LanguageFileReport report;
             const int lang = CfgAppReadLang(1, &report);
             qunsetenv("DRAVIK_DATA_DIR");
             return lang == 3 && !report.repaired ? QString() : QStringLiteral("not read: %1").arg(lang);
         }},
        {"SavedLog", "status log.txt", [](const QString&) {},
         [](const QString& p) {
             QString error;
             if (!saveLogFile(p, QStringLiteral("Übertragung läuft\r\n"), &error)) return error;
             QFile f(p);
             return f.open(QIODevice::ReadOnly) && f.readAll() == "Übertragung läuft\r\n" ? QString()
                                                                                          : QStringLiteral("differs");
         }},
    };
}

class FileKinds : public ::testing::Test {
  protected:
    QString folder() {
        const QString f = dir.filePath(QStringLiteral("Données/Università ä/日本"));
        EXPECT_TRUE(QDir().mkpath(f));
        return f;
    }
    QTemporaryDir dir;
};

TEST_F(FileKinds, EachKindIsReadUnderAUnicodeFolderWithBlanks) {
    const QString base = folder();
    for (const Kind& k : kinds()) {
        SCOPED_TRACE(k.name);
        const QString path = QDir(base).filePath(QString::fromUtf8(k.fileName));
        k.make(path);
        EXPECT_EQ(k.open(path), QString());
    }
}

TEST_F(FileKinds, ANamedPipeOfEachKindIsRefusedWithoutWaiting) {
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: named pipes in a folder are a Linux file kind";
#else
    const QString base = folder();
    for (const Kind& k : kinds()) {
        if (std::string(k.name) == "SavedLog" || std::string(k.name) == "Settings") continue;
        SCOPED_TRACE(k.name);
        const QString path = QDir(base).filePath(QString::fromUtf8(k.fileName));
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        // Opened for reading, a pipe with no writer would wait here for good.
        EXPECT_TRUE(k.open(path).contains(QStringLiteral("not a file"))) << k.open(path).toStdString();
        QFile::remove(path);
    }
#endif
}

// The settings file is rewritten with the default when it is not a regular file, without waiting.
TEST_F(FileKinds, APipeAsTheSettingsFileIsReplacedWithTheDefault) {
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: named pipes in a folder are a Linux file kind";
#else
    const QString base = folder();
    const QString path = QDir(base).filePath(QStringLiteral("CfgDravik.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    setDataFolder(base);
    LanguageFileReport report;
    EXPECT_EQ(CfgAppReadLang(1, &report), 1);
    qunsetenv("DRAVIK_DATA_DIR");
    EXPECT_TRUE(report.repaired);
    EXPECT_TRUE(QFileInfo(path).isFile());
#endif
}

// The slot table keeps a protocol file's path as UTF-8 in its 200-byte field: the chosen protocol
// is programmed from the same file under any name, and a path that does not fit is refused.
TEST_F(FileKinds, AProtocolPathIsKeptWholeInTheSlotTableOrRefused) {
    const QString base = folder();
    ASSERT_TRUE(QFile::copy(sample("protocols/VRAK1-CAN-DEMO.txt"), QDir(base).filePath(QStringLiteral("a b.txt"))));
    auto tables = std::make_unique<SlotTables>();
    RecordingLog log;
    const int loaded = LoadExtProtocols(base, ProtocolLoadContext{10, 10, 0xA1}, *tables, log);
    ASSERT_GT(loaded, 0) << log.text().toStdString();
    EXPECT_EQ(Programmer::fromSlot(tables->SlotsTable[10]).filename, QDir(base).filePath(QStringLiteral("a b.txt")));

    const QString deep = QDir(base).filePath(QString(60, QChar(0x65E5)));  // 180 bytes of UTF-8
    ASSERT_TRUE(QDir().mkpath(deep));
    ASSERT_TRUE(QFile::copy(sample("protocols/VRAK1-CAN-DEMO.txt"), QDir(deep).filePath(QStringLiteral("p.txt"))));
    EXPECT_EQ(LoadExtProtocols(deep, ProtocolLoadContext{10, 10, 0xA1}, *tables, log), 0);
    EXPECT_TRUE(log.text().contains(QStringLiteral("its path is longer than 199 bytes"))) << log.text().toStdString();
}

}  // namespace
