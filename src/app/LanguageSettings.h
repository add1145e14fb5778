#pragma once
// The language of the database texts, kept as one decimal number (no line end) in the settings file.

#include <QByteArray>
#include <QString>

namespace dravik {

// What reading the settings file found, for the caller's log.
struct LanguageFileReport {
    bool created = false;      // the file was missing and has been written with the default
    bool repaired = false;     // the content was not a number from 0 to 255; English was written
    bool writeFailed = false;  // creating or rewriting the file failed
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
// could not be written (the in-memory setting is still changed).
bool Save_Language(int lang, int& Language_type);

}  // namespace dravik
