#include "QtPlatform.h"

#include "PortTable.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace tavixat {

namespace {

QString settingsKey(const QString& section, const QString& key) {
    return section + u'/' + key;
}

} // namespace

void QtPlatform::showMessage(const QString& text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromLatin1(kApplicationTitle),
                    QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    QMessageBox::Ok, QApplication::activeWindow());
    // Device texts and commands contain angle brackets; they must not be taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString QtPlatform::readSetting(const QString& section, const QString& key,
                                const QString& defaultValue) {
    return readStoredText(settingsKey(section, key), defaultValue);
}

bool QtPlatform::saveSetting(const QString& section, const QString& key, const QString& value) {
    return storeText(settingsKey(section, key), value);
}

void QtPlatform::sleep(int milliseconds) {
    if (milliseconds > 0)
        QThread::msleep(ulong(milliseconds));
}

void QtPlatform::processEvents() {
    QCoreApplication::processEvents();
}

void QtPlatform::setBusyPointer(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

} // namespace tavixat

namespace tavixat {

QList<PortEntry> QtPlatform::portTable() {
    const PortTable table = refreshPortTable();
    // The list is refreshed each time it opens; a warning is worth one message box per run.
    for (const QString& warning : table.warnings)
        if (!warned_.contains(warning)) {
            warned_.insert(warning);
            showMessage(warning, MessageIcon::Error);
        }
    return table.ports;
}

QString QtPlatform::settingsProblem() {
    return tavixat::settingsProblem();
}

} // namespace tavixat
