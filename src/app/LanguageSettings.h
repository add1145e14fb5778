#pragma once
// The language of the database texts, kept as one decimal number (no line end) in the settings file.

#include <QByteArray>
#include <QString>

namespace dravik {

// What reading the settings file found, for the caller's log.
struct LanguageFileReport {
    bool created = false;   // the file was missing and has been written with the default
    bool repaired = false;  // the content was not a number from 0 to 255; English was written
    QString writeError;     // why creating or rewriting the file failed; empty when it worked
    bool writeFailed() const { return !writeError.isEmpty(); }
};

// What the technician is told of the settings file after each reading, as one sentence; empty when
// there is nothing to tell (read as it was, or created). A missing file that cannot be created is
// read again at each connection while no language has been used yet: that is told the first time.
class LanguageFileNotices {
  public:
    QString after(const LanguageFileReport& report);

  private:
    bool toldMissing_ = false;
};

// The settings file's content as a language number from 0 to 255. Lines are joined without
// separators ("1\r\n" reads as 1, "1\n2" as 12); blanks around the number, leading zeros and a
// byte-order mark are allowed. False for anything else.
bool parseLanguageNumber(QByteArray content, int& value);

// Missing file: writes `defaultLang` and returns 0 (not read yet). A number from 0 to 255 is
// returned as read; values outside 1..3 select English at the text lookups. Content that is no such
// number returns English (1) and the file is rewritten with 1.
int CfgAppReadLang(int defaultLang, LanguageFileReport* report = nullptr);

// Sets Language_type to `lang`, then creates or overwrites the settings file. False when the file
// could not be written (the in-memory setting is still changed), with the reason in error.
bool Save_Language(int lang, int& Language_type, QString* error = nullptr);

}  // namespace dravik
