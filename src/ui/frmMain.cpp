#include "frmMain.h"

#include "AddressBox.h"
#include "AddressFormat.h"
#include "CaptionFit.h"
#include "Connection.h"
#include "DeviceState.h"
#include "Platform.h"
#include "PressGuard.h"
#include "StoredPort.h"
#include "frmMainView.h"
#include "modComm.h"
#include "modProg.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>

namespace tavixat {

namespace {

// A tooltip that Qt would take for rich text, given as rich text that shows it as it is, on one
// line as a plain tooltip would be.
QString plainToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

// Only a focus loss the user causes (a click, Tab or a shortcut elsewhere) is checked. Focus
// that leaves for another program, a message box or a popup is not the user leaving the field:
// a warning then would repeat itself or pop up over a window that is being switched.
bool isFocusLoss(const QFocusEvent& event) {
    switch (event.reason()) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        return true;
    default:
        return false;
    }
}

} // namespace

frmMain::frmMain(Platform& platform, modComm& comm, DeviceState& device, QWidget* parent)
    : QWidget(parent), platform_(platform), comm_(comm), device_(device) {
    setUpWindow();
    createWindowControls();
    createSerialControls();
    createDeviceControls();
    createCommControls();
    applyStackingOrder();
    applyTabOrder();
    tieLabelsToBoxes();
    applyDesignTimeEnabling();
    pressGuard_ = new PressGuard(this);
    view_ = std::make_unique<frmMainView>(*this);
    connection_ = std::make_unique<Connection>(comm_, platform_, device_, *view_,
                                               Connection::PortMemory::Remember, Pace::Window);
    connectHandlers();
    fitCaptionFont(*this);
    centreOnScreen();
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::Form_Load() {
    const int remembered = readRememberedPort(platform_);
    for (int n = 1; n <= kPortCount; ++n)
        cboPort->addItem(portKey(n));
    cboPort->setCurrentIndex(remembered - 1);
    SetConnectedState(false);
    const QString problem = platform_.settingsProblem();
    if (!problem.isEmpty())
        platform_.showMessage(problem + QStringLiteral("\r\nTavixAT Setup starts with its default "
                                                       "settings and leaves the file as it is, so "
                                                       "nothing in it is lost. Correct the file or "
                                                       "move it away to keep settings again."),
                              MessageIcon::Error);
    refreshPortList();
}

void frmMain::refreshPortList() {
    // Only the tooltips change: captions and the selected entry stay as they are.
    for (const PortEntry& entry : platform_.portTable()) {
        const QString state =
            entry.attached ? QStringLiteral("attached") : QStringLiteral("no device");
        // The device path comes from the settings file.
        cboPort->setItemData(
            entry.number - 1,
            plainToolTip(
                QStringLiteral("%1: %2 (%3)").arg(portKey(entry.number), entry.device, state)),
            Qt::ToolTipRole);
    }
}

void frmMain::reportTraceFailure(const QString& text) {
    constexpr int kRetryMs = 100;
    if (unloaded_)
        return;
    if (connection_->isExchangeRunning() || !isEnabled())
        return QTimer::singleShot(kRetryMs, this, [this, text] { reportTraceFailure(text); });
    platform_.showMessage(text, MessageIcon::Error);
}

void frmMain::Form_Unload() {
    comm_.ClosePort();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // A close that arrives while an exchange waits is completed when it has ended.
    if (!unloaded_ && !connection_->mayCloseNow()) {
        event->ignore();
        return;
    }
    if (!unloaded_) {
        unloaded_ = true;
        Timer1->stop();
        Form_Unload();
        connection_->windowUnloaded();
    }
    event->accept();
}

void frmMain::cmdConnect_Click() {
    connection_->cmdConnect_Click();
}
void frmMain::cmdExit_Click() {
    connection_->cmdExit_Click();
}
void frmMain::cmdWrite_Click() {
    selectTypedEntries();
    connection_->cmdWrite_Click();
}
void frmMain::Timer1_Timer() {
    connection_->Timer1_Timer();
}

void frmMain::selectTypedEntries() {
    // A list's text may have been typed over; an entry with exactly that text is what the user
    // chose. Text that matches no entry stays as typed, and Save refuses it.
    for (QComboBox* list : {cboBaud, cboStopBit, cboParity}) {
        const int typed =
            list->findText(list->currentText(), Qt::MatchFixedString | Qt::MatchCaseSensitive);
        if (typed >= 0 && typed != list->currentIndex())
            list->setCurrentIndex(typed);
    }
}

void frmMain::rememberFocus() {
    if (isEnabled())
        focusBeforeBusy_ = focusWidget();
}

void frmMain::restoreFocus() {
    QWidget* target = focusBeforeBusy_;
    focusBeforeBusy_ = nullptr;
    if (!target || !target->isEnabled() || !target->isVisibleTo(this))
        target = cmdConnect;
    target->setFocus(Qt::OtherFocusReason);
}

void frmMain::OptMaster_Click() {
    modProg::SelectMaster(*this);
}

void frmMain::OptSlave_Click() {
    modProg::SelectSlave(*this);
}

void frmMain::txtAddr_KeyPress(int& KeyAscii) {
    const bool ascii = KeyAscii >= 0 && KeyAscii <= 127;
    if (KeyAscii != AddressBox::kBackspace && !(ascii && isAddressCharacter(QChar(KeyAscii))))
        KeyAscii = 0;
}

void frmMain::txtAddr_LostFocus() {
    const QString lower = addressAsLeft(txtAddr->text());
    if (lower != txtAddr->text())
        txtAddr->setText(lower);
    if (!hasAddressShape(lower))
        warnOfLeftBox(QStringLiteral("Invalid address format!"));
}

void frmMain::txtPin_LostFocus() {
    if (txtPin->text().isEmpty())
        warnOfLeftBox(QStringLiteral("Invalid PIN code!"));
}

void frmMain::checkLeftBox(const QWidget& box, const QFocusEvent& event) {
    // Disabling the focused box (a module that stops answering, a lost line) moves the focus on
    // with the reason Tab gives, but by then the box is disabled: the user did not leave it.
    if (!isFocusLoss(event) || !box.isEnabled())
        return;
    warnedOnLeaving_ = false;
    if (&box == txtAddr)
        txtAddr_LostFocus();
    else if (&box == txtPin)
        txtPin_LostFocus();
    if (warnedOnLeaving_)
        pressGuard_->dropPressInFlight();
}

void frmMain::warnOfLeftBox(const QString& text) {
    warnedOnLeaving_ = true;
    platform_.showMessage(text, MessageIcon::Error);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == txtAddr || watched == txtPin))
        checkLeftBox(static_cast<QWidget&>(*watched), static_cast<QFocusEvent&>(*event));
    return QWidget::eventFilter(watched, event);
}

} // namespace tavixat
