#pragma once

#include "ModuleRecord.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace tavixat {

// The writable settings by the keys of `set` and of the ini files, in the order `show --ini`
// writes them.
inline const QStringList kModuleKeys = {"name",   "pin",  "pin-request", "baud",        "stop-bits",
                                        "parity", "role", "address",     "discoverable"};

struct Assignment {
    QString key;
    QString value;
};

// "KEY=VALUE" as typed on the command line; nothing when there is no "=".
std::optional<Assignment> splitAssignment(const QString& text);

// Puts the value in the settings as the window's boxes and lists would take it from the user.
// Empty text when it did; otherwise a message that names the key or the value.
QString applySetting(ModuleSettings& settings, const Assignment& assignment);

// Every change must be one the window would take, before anything goes to the module: the
// message for the first that is not, or empty text.
QString checkChanges(const QList<Assignment>& changes);

// A setting by its key, as `show --ini` writes it.
QString settingText(const ModuleSettings& settings, const QString& key);

QJsonObject toJsonObject(const ModuleSettings& settings);
QString toJson(const ModuleSettings& settings);

// The keys whose values the module reports otherwise than they were saved. The address counts
// only in the Master role: a Slave is never sent one.
QStringList differingKeys(const ModuleSettings& saved, const ModuleSettings& reported);

// The key of the setting a set command carries ("stop-bits" for "<SBIT=2>"); empty for a command
// that carries none.
QString settingKeyOfCommand(const QString& command);

} // namespace tavixat
