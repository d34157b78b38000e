#include "QtPlatform.h"

#include "PortTable.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>

namespace tavixat {

namespace {

QString settingsKey(const QString& section, const QString& key) {
    return section + u'/' + key;
}

} // namespace

void QtPlatform::showMessage(const QString& text, MessageIcon icon) {
    const QPointer<QWidget> window = QApplication::activeWindow();
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromLatin1(kApplicationTitle),
                    QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    QMessageBox::Ok, window);
    // Device texts and commands contain angle brackets; they must not be taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
    // The box took the focus. The window gets it back, and with it the control that had it, even
    // where no window manager reactivates a window whose dialog closed.
    if (window)
        window->activateWindow();
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
