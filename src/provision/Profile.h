#pragma once

#include "ModuleText.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace tavixat {

// A production profile: settings as `show --ini` writes them, where name and pin may hold
// placeholders filled in for each module:
//   {n} the unit number, {n:W} zero-padded to width W;
//   {addr} the module's own address as 12 lower-case hexadecimal digits, {addr:K} its last K;
//   {random:D} D random decimal digits, 4 <= D <= 8;
//   {role} M or S, the module's end of the link in a kit of two (--pairs only);
//   {{ a "{" of the text; any other "{" is an error.
class Profile {
public:
    // count random decimal digits.
    using RandomDigits = std::function<QString(int count)>;

    // A profile whose every value passes the checks of `set` for any module, whatever its own
    // address and random digits, numbered up to highestUnit; nothing, and the message, when a
    // value could be refused (a placeholder that can expand past a limit included).
    static std::optional<Profile> fromSettings(const QList<Assignment>& settings, int highestUnit,
                                               bool kits, QString& error);

    // The settings for one module, its placeholders filled in; nothing, and the message, when the
    // own address is not twelve hexadecimal digits or a value is refused (a unit number larger
    // than the profile was checked for).
    // In a kit, role is "M" or "S", and draws carries the random digits from the first module's
    // call, which draws them, to the second's, which gets the same.
    std::optional<QList<Assignment>> settingsFor(int unit, const QString& ownAddress,
                                                 QString& error, const QString& role = {},
                                                 QStringList* draws = nullptr) const;

    // The operating system's random source unless a test gives another.
    void setRandomSource(RandomDigits random) { random_ = std::move(random); }

private:
    explicit Profile(QList<Assignment> settings) : settings_(std::move(settings)) {}

    QList<Assignment> settings_;
    RandomDigits random_;
};

} // namespace tavixat
