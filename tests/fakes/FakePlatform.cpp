#include "FakePlatform.h"

namespace tavixat::test {

void FakePlatform::schedule(qint64 atMs, std::function<void()> action) {
    actions_.append({atMs, std::move(action)});
}

QStringList FakePlatform::messageTexts() const {
    QStringList texts;
    for (const auto& m : messages)
        texts << m.text;
    return texts;
}

void FakePlatform::showMessage(const QString& text, MessageIcon icon) {
    messages.append({text, icon, clock.now()});
}

QString FakePlatform::readSetting(const QString& section, const QString& key,
                                  const QString& defaultValue) {
    return settings.value(section + u'/' + key, defaultValue);
}

bool FakePlatform::saveSetting(const QString& section, const QString& key, const QString& value) {
    if (failSaving)
        return false;
    settings.insert(section + u'/' + key, value);
    return true;
}

void FakePlatform::sleep(int milliseconds) {
    sleeps.append(milliseconds);
    clock.advance(milliseconds);
}

void FakePlatform::processEvents() {
    ++processEventsCalls;
    // Actions may schedule further actions; run everything that is due, oldest first.
    for (;;) {
        qsizetype due = -1;
        for (qsizetype i = 0; i < actions_.size(); ++i) {
            if (actions_[i].at <= clock.now() && (due < 0 || actions_[i].at < actions_[due].at))
                due = i;
        }
        if (due < 0)
            return;
        const auto run = actions_.takeAt(due).run;
        run();
    }
}

} // namespace tavixat::test
