#pragma once
// Names of the temporary files the safe writer makes beside its target. The name is short (a save
// must work for any name the system allows, up to 255 bytes) and the same for every save of one
// target, so a later save of that target finds and removes what an interrupted one left behind,
// and never touches anything else in the folder.

#include <QString>
#include <QStringList>

namespace dravik {

// ".dravik-" + eight hex digits of the target's file name + "."; the writer adds six characters.
QString tempFilePrefix(const QString& targetFileName);
constexpr int kTempFileUniqueLength = 6;

// True when name is one of the temporary names tempFilePrefix(targetFileName) starts.
bool isTempFileOf(const QString& name, const QString& targetFileName);

// The paths of the temporary files of targetFileName's saves now in folder (the writer decides
// which of them an interrupted save left).
QStringList tempFilesOf(const QString& folder, const QString& targetFileName);

}  // namespace dravik
