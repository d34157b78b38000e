#include "EndToEndRig.h"

#include "StatusLamp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>

namespace tavixat::test {

namespace {

constexpr int kStartTimeoutMs = 5000;
constexpr int kStopTimeoutMs = 3000;

enum Setting { Name, Pin, Baud, StopBits, Parity, Role, RemoteAddress, Visibility = 9, PinRequest };

// Clicks rather than setters, so the window's own rules run as they do for a user.
void setCheckedByClick(QAbstractButton* box, bool checked) {
    if (box->isChecked() != checked)
        box->click();
}

QString describeState(const QString& button, const QColor& lamp, bool keepAlive, bool open,
                      bool busy) {
    return QStringLiteral("button %1, lamp %2, keep-alive %3, port open %4, busy %5")
        .arg(button, lamp.name())
        .arg(int(keepAlive))
        .arg(int(open))
        .arg(int(busy));
}

} // namespace

SimProcess::~SimProcess() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(kStopTimeoutMs))
        kill();
}

bool SimProcess::start(const QStringList& arguments) {
    process_.start(QStringLiteral(TAVIXAT_SIM_PATH), arguments);
    while (!process_.canReadLine()) {
        if (!process_.waitForReadyRead(kStartTimeoutMs))
            return false;
    }
    linePath_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    return !linePath_.isEmpty();
}

QStringList SimProcess::heardCommands() {
    // What the event loop has not taken in yet is still in the pipe.
    if (process_.state() != QProcess::NotRunning)
        process_.waitForReadyRead(0);
    log_ += QString::fromLocal8Bit(process_.readAllStandardError());
    // Each line: seconds since start, two blanks, then the command and what became of it.
    QStringList commands;
    for (const QString& line : log_.split(u'\n', Qt::SkipEmptyParts)) {
        const QString entry = line.trimmed().section(QStringLiteral("  "), 1);
        if (entry.startsWith(u'<'))
            commands << entry.section(QStringLiteral("  "), 0, 0);
    }
    return commands;
}

void SimProcess::kill() {
    process_.kill();
    process_.waitForFinished(kStopTimeoutMs);
}

void EndToEndRig::connectTo(const QString& devicePath) {
    QSettings(QString::fromLatin1(kApplicationTitle))
        .setValue(QStringLiteral("Ports/COM1"), devicePath);
    form.cboPort->setCurrentIndex(0);
    form.cmdConnect_Click();
}

QString EndToEndRig::state() const {
    const bool busy = !form.isEnabled() || QGuiApplication::overrideCursor() != nullptr;
    return describeState(form.cmdConnect->text(), form.shpStatus->fillColor(),
                         form.Timer1->isActive(), port.isOpen(), busy);
}

QString connectedState() {
    return describeState(QStringLiteral("Disconnect"), frmMain::kConnectedColor, true, true, false);
}

QString disconnectedState() {
    return describeState(QStringLiteral("Connect"), frmMain::kDisconnectedColor, false, false,
                         false);
}

QString EndToEndRig::shownSettings() const {
    return QStringList{form.txtName->text(),
                       form.txtPin->text(),
                       form.cboBaud->currentText(),
                       form.cboStopBit->currentText(),
                       form.cboParity->currentText(),
                       form.OptMaster->isChecked() ? "Master" : "Slave",
                       form.txtAddr->text(),
                       form.txtBDADDR->text(),
                       form.lblVersion->text(),
                       form.chkDiscoverable->isChecked() ? "discoverable" : "invisible",
                       form.chkPIN->isChecked() ? "PIN request" : "no PIN request"}
        .join(u'|');
}

void EndToEndRig::editSettings(const QString& settings) {
    const QStringList s = settings.split(u'|');
    form.txtName->setText(s[Name]);
    form.txtPin->setText(s[Pin]);
    form.cboBaud->setCurrentIndex(form.cboBaud->findText(s[Baud]));
    form.cboStopBit->setCurrentIndex(form.cboStopBit->findText(s[StopBits]));
    form.cboParity->setCurrentIndex(form.cboParity->findText(s[Parity]));
    (s[Role] == "Master" ? form.OptMaster : form.OptSlave)->click();
    form.txtAddr->setText(s[RemoteAddress]);
    // Only a Slave offers the choice; a Master keeps what the device said.
    if (form.chkDiscoverable->isEnabled())
        setCheckedByClick(form.chkDiscoverable, s[Visibility] == "discoverable");
    setCheckedByClick(form.chkPIN, s[PinRequest] == "PIN request");
}

} // namespace tavixat::test
