#pragma once
// What expect and expect-contains read from a control, as text a script can compare.

#include <QString>

#include "script/ScriptControls.h"

class QObject;

namespace dravik::scripting {

// Reads one of scriptProperties() from a widget or action into value. Booleans read "true" or
// "false"; colours "#rrggbb". A property the control does not have is a script error.
Outcome readProperty(QObject* control, const QString& name, const QString& property, QString& value);

// Whether actual satisfies the expected text: equality (booleans and colours ignore case), or for
// contains the expected text anywhere in actual.
bool propertyMatches(const QString& property, const QString& actual, const QString& expected, bool contains);

// The end of a long text, as much as a failure message quotes.
QString quotedTail(const QString& text);

}  // namespace dravik::scripting
