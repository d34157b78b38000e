#pragma once

#include "ModuleText.h"

#include <QList>
#include <QString>
#include <optional>

namespace tavixat {

// The settings as `show --ini` writes them: KEY=VALUE lines under "[Module]", in the order of
// kModuleKeys, the address only in the Master role. A value that a plain line would change (a blank
// at either end, a leading double quote, a control character) is written in double quotes, with \"
// \\ \t \n \r and \xHH escapes inside.
QString toIni(const ModuleSettings& settings);

// The KEY=VALUE lines under "[Module]"; blank lines and lines starting with ";" or "#" are
// skipped, and blanks around keys and unquoted values are dropped. Nothing, and a message
// naming the line, when the text is not of that form or names a key twice.
std::optional<QList<Assignment>> parseIni(const QString& text, QString& error);

// The settings of the file at path (at most 64 KiB), parsed as above; nothing, and a message
// naming the file, when it cannot be read, is not of that form or holds no setting.
std::optional<QList<Assignment>> readIniFile(const QString& path, QString& error);

} // namespace tavixat
