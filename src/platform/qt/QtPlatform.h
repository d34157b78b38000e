#pragma once

#include "Platform.h"

#include <QSet>

namespace tavixat {

// Platform services over Qt Widgets and QSettings.
class QtPlatform : public Platform {
public:
    void showMessage(const QString& text, MessageIcon icon) override;
    QString readSetting(const QString& section, const QString& key,
                        const QString& defaultValue) override;
    bool saveSetting(const QString& section, const QString& key, const QString& value) override;
    void sleep(int milliseconds) override;
    void processEvents() override;
    // Not counted: any number of busy calls is undone by one call with false.
    void setBusyPointer(bool busy) override;
    // Shows each warning about the port numbers once.
    QList<PortEntry> portTable() override;
    QString settingsProblem() override;

private:
    bool busy_ = false;
    QSet<QString> warned_;
};

} // namespace tavixat
