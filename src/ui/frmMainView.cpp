#include "frmMainView.h"

#include "TypingLimit.h"
#include "frmMain.h"
#include "modProg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace tavixat {

namespace {

// The entry whose text the list shows exactly; empty when the text shown, typed or not,
// matches no entry.
QString selectedEntry(const QComboBox& list) {
    const int index =
        list.findText(list.currentText(), Qt::MatchFixedString | Qt::MatchCaseSensitive);
    return index < 0 ? QString() : list.itemText(index);
}

} // namespace

QString frmMainView::name() const {
    return form_.txtName->text();
}
void frmMainView::setName(const QString& text) {
    showWholeText(*form_.txtName, text);
}
QString frmMainView::pinCode() const {
    return form_.txtPin->text();
}
void frmMainView::setPinCode(const QString& text) {
    showWholeText(*form_.txtPin, text);
}
void frmMainView::setPinCodeEnabled(bool enabled) {
    form_.enablePinCode(enabled);
}

QString frmMainView::selectedBaudRate() const {
    return selectedEntry(*form_.cboBaud);
}
QString frmMainView::selectedStopBits() const {
    return selectedEntry(*form_.cboStopBit);
}
QString frmMainView::selectedParity() const {
    return selectedEntry(*form_.cboParity);
}
void frmMainView::selectBaudRate(int index) {
    form_.cboBaud->setCurrentIndex(index);
}
void frmMainView::selectStopBits(int index) {
    form_.cboStopBit->setCurrentIndex(index);
}
void frmMainView::selectParity(int index) {
    form_.cboParity->setCurrentIndex(index);
}

void frmMainView::SelectMaster() {
    modProg::SelectMaster(form_);
}
void frmMainView::SelectSlave() {
    modProg::SelectSlave(form_);
}
bool frmMainView::isMasterChecked() const {
    return form_.chkMaster->checkState() == Qt::Checked;
}

QString frmMainView::remoteAddress() const {
    return form_.txtAddr->text();
}
void frmMainView::setRemoteAddress(const QString& text) {
    showWholeText(*form_.txtAddr, text);
}
void frmMainView::setOwnAddress(const QString& text) {
    form_.txtBDADDR->setText(text);
}

bool frmMainView::isDiscoverableChecked() const {
    return form_.chkDiscoverable->checkState() == Qt::Checked;
}
void frmMainView::setDiscoverableChecked(bool checked) {
    form_.chkDiscoverable->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}
bool frmMainView::isPinRequestChecked() const {
    return form_.chkPIN->checkState() == Qt::Checked;
}
void frmMainView::setPinRequestChecked(bool checked) {
    form_.chkPIN->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void frmMainView::setVersionCaption(const QString& text) {
    form_.lblVersion->setText(text);
}

int frmMainView::selectedPortIndex() const {
    return form_.cboPort->currentIndex();
}
QString frmMainView::connectCaption() const {
    return form_.cmdConnect->text();
}
void frmMainView::SetConnectedState(bool connected) {
    form_.SetConnectedState(connected);
}
void frmMainView::BeginBusy() {
    modProg::BeginBusy(form_);
}
void frmMainView::EndBusy() {
    modProg::EndBusy(form_);
}

void frmMainView::setKeepAliveEnabled(bool enabled) {
    if (enabled)
        form_.Timer1->start();
    else
        form_.Timer1->stop();
}

void frmMainView::unloadWindow() {
    form_.close();
}

} // namespace tavixat
