#pragma once

#include "Platform.h"

namespace tavixat::bench {

// Platform services that cost nothing, so that only the reader is measured.
class NullPlatform : public Platform {
public:
    void showMessage(const QString&, MessageIcon) override {}
    QString readSetting(const QString&, const QString&, const QString& defaultValue) override {
        return defaultValue;
    }
    bool saveSetting(const QString&, const QString&, const QString&) override { return true; }
    void sleep(int) override {}
    void processEvents() override {}
    void setBusyPointer(bool) override {}
};

} // namespace tavixat::bench
