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

enum Setting {
    Name,
    Pin,
    Baud,
    StopBits,
    Parity,
    Role,
    RemoteAddress,
    OwnAddress,
    Version,
    Visibility,
    PinRequest,
    SettingCount
};

const QString kMaster = QStringLiteral("Master");
const QString kSlave = QStringLiteral("Slave");
const QString kDiscoverable = QStringLiteral("discoverable");
const QString kInvisible = QStringLiteral("invisible");
const QString kPinRequest = QStringLiteral("PIN request");
const QString kNoPinRequest = QStringLiteral("no PIN request");

// Clicks rather than setters, so the window's own rules run as they do for a user.
void setCheckedByClick(QAbstractButton* box, bool checked) {
    if (box->isChecked() != checked)
        box->click();
}

} // namespace

void RecordingPlatform::showMessage(const QString& text, MessageIcon icon) {
    messages.append({text, icon});
}

QStringList RecordingPlatform::messageTexts() const {
    QStringList texts;
    for (const Message& m : messages)
        texts << m.text;
    return texts;
}

EndToEndRig::EndToEndRig() {
    form = std::make_unique<frmMain>(platform, comm, device);
    form->show();
}

EndToEndRig::~EndToEndRig() {
    form->close();
}

void EndToEndRig::pointComOneAt(const QString& devicePath) {
    QSettings settings(QString::fromLatin1(kApplicationTitle));
    settings.setValue(QStringLiteral("Ports/COM1"), devicePath);
    settings.sync();
}

void EndToEndRig::connectTo(const QString& devicePath) {
    pointComOneAt(devicePath);
    form->cboPort->setCurrentIndex(0);
    form->cmdConnect_Click();
}

bool EndToEndRig::isBusy() const {
    return !form->isEnabled() || QGuiApplication::overrideCursor() != nullptr;
}

bool EndToEndRig::isConnected() const {
    return form->cmdConnect->text() == QStringLiteral("Disconnect") &&
           form->shpStatus->fillColor() == frmMain::kConnectedColor && form->Timer1->isActive() &&
           port.isOpen() && !isBusy();
}

bool EndToEndRig::isDisconnected() const {
    return form->cmdConnect->text() == QStringLiteral("Connect") &&
           form->shpStatus->fillColor() == frmMain::kDisconnectedColor &&
           !form->Timer1->isActive() && !port.isOpen() && !isBusy();
}

QString EndToEndRig::describeState() const {
    return QStringLiteral("button \"%1\", lamp %2, keep-alive %3, port %4, %5; messages: %6")
        .arg(form->cmdConnect->text(), form->shpStatus->fillColor().name(),
             form->Timer1->isActive() ? QStringLiteral("on") : QStringLiteral("off"),
             port.isOpen() ? QStringLiteral("open") : QStringLiteral("closed"),
             isBusy() ? QStringLiteral("busy") : QStringLiteral("not busy"),
             platform.messageTexts().join(QStringLiteral(" | ")));
}

QStringList EndToEndRig::shownSettings() const {
    const frmMain& w = *form;
    return {w.txtName->text(),
            w.txtPin->text(),
            w.cboBaud->currentText(),
            w.cboStopBit->currentText(),
            w.cboParity->currentText(),
            w.OptMaster->isChecked() ? kMaster : kSlave,
            w.txtAddr->text(),
            w.txtBDADDR->text(),
            w.lblVersion->text(),
            w.chkDiscoverable->isChecked() ? kDiscoverable : kInvisible,
            w.chkPIN->isChecked() ? kPinRequest : kNoPinRequest};
}

void EndToEndRig::editSettings(const QStringList& settings) {
    Q_ASSERT(settings.size() == SettingCount);
    frmMain& w = *form;
    w.txtName->setText(settings[Name]);
    w.txtPin->setText(settings[Pin]);
    w.cboBaud->setCurrentIndex(w.cboBaud->findText(settings[Baud]));
    w.cboStopBit->setCurrentIndex(w.cboStopBit->findText(settings[StopBits]));
    w.cboParity->setCurrentIndex(w.cboParity->findText(settings[Parity]));
    (settings[Role] == kMaster ? w.OptMaster : w.OptSlave)->click();
    w.txtAddr->setText(settings[RemoteAddress]);
    // Only a Slave offers the choice; a Master keeps what the device said.
    if (w.chkDiscoverable->isEnabled())
        setCheckedByClick(w.chkDiscoverable, settings[Visibility] == kDiscoverable);
    setCheckedByClick(w.chkPIN, settings[PinRequest] == kPinRequest);
}

QStringList freshDeviceSettings() {
    return {QStringLiteral("TavixAT"),
            QStringLiteral("1234"),
            QStringLiteral("9600"),
            QStringLiteral("1"),
            QStringLiteral("None"),
            kSlave,
            QStringLiteral("0000 00 00 0000"),
            QStringLiteral("00ba 5e 12 3456"),
            QStringLiteral("v2.0"),
            kDiscoverable,
            kPinRequest};
}

} // namespace tavixat::test
