#include "app/LanguageSettings.h"

#include <QFile>

#include "app/DataFolder.h"
#include "platform/FileAccess.h"

namespace dravik {

namespace {

constexpr int kEnglish = 1;
constexpr int kLargestStored = 255;
// A language number with room for blanks and line ends; anything longer is not a settings file.
constexpr qint64 kMaxFileBytes = 4096;

QString writeNumber(const QString& path, int value) {
    return writeFileSafely(path, QByteArray::number(value));
}

}  // namespace

bool parseLanguageNumber(QByteArray content, int& value) {
    if (content.startsWith("\xEF\xBB\xBF")) content.remove(0, 3);
    QByteArray joined;
    for (char c : content) {
        if (c != '\r' && c != '\n') joined.append(c);
    }
    joined = joined.trimmed();
    if (joined.isEmpty()) return false;
    int number = 0;
    for (char c : joined) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
        if (number > kLargestStored) return false;
    }
    value = number;
    return true;
}

int CfgAppReadLang(int defaultLang, LanguageFileReport* report) {
    LanguageFileReport local;
    LanguageFileReport& r = report != nullptr ? *report : local;
    r = {};
    const QString path = settingsFilePath();
    if (!QFile::exists(path)) {
        r.created = true;
        r.writeError = writeNumber(path, defaultLang);
        return 0;
    }
    int value = 0;
    // Anything but a regular file (a pipe would hold the start-up for good) is replaced too.
    if (const FileContent content = readRegularFile(path, kMaxFileBytes);
        content.ok && parseLanguageNumber(content.bytes, value))
        return value;
    r.repaired = true;
    r.writeError = writeNumber(path, kEnglish);
    return kEnglish;
}

QString LanguageFileNotices::after(const LanguageFileReport& report) {
    if (report.repaired && !report.writeFailed())
        return QStringLiteral("The settings file could not be read; English is used and the file rewritten.");
    if (report.repaired)
        return QStringLiteral(
                   "The settings file could not be read; English is used, but the file cannot be "
                   "rewritten (%1) and is left as it was.")
            .arg(report.writeError);
    if (!report.created || !report.writeFailed() || toldMissing_) return {};
    toldMissing_ = true;
    return QStringLiteral("The settings file is missing and cannot be created (%1); English is used.")
        .arg(report.writeError);
}

bool Save_Language(int lang, int& Language_type, QString* error) {
    Language_type = lang;
    const QString reason = writeNumber(settingsFilePath(), lang);
    if (error != nullptr) *error = reason;
    return reason.isEmpty();
}

}  // namespace dravik
