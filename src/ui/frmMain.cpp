#include "frmMain.h"

#include "AddressFormat.h"
#include "CaptionFit.h"
#include "Connection.h"
#include "DeviceState.h"
#include "DottedLine.h"
#include "PictureButton.h"
#include "Pictures.h"
#include "Platform.h"
#include "PressGuard.h"
#include "SerialValues.h"
#include "StatusLamp.h"
#include "StoredPort.h"
#include "TypingLimit.h"
#include "Version.h"
#include "frmMainView.h"
#include "modComm.h"
#include "modProg.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScreen>
#include <QTextDocument>
#include <QTimer>
#include <functional>
#include <memory>

namespace tavixat {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kBackspace = 8;
constexpr int kAddressLength = 15;
constexpr QColor kAddressBackground{255, 255, 192};
constexpr QSize kConnectPictureSize{32, 32};
constexpr QSize kRefreshPictureSize{19, 14};

// Positions and sizes are kept in twips, as the window was laid out; 15 twips make a pixel.
QRect twips(int left, int top, int width, int height) {
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
            height / kTwipsPerPixel};
}

// The port list looks again at what is attached each time it drops down, so an adapter plugged in
// while the window is open shows up without a restart.
class PortList : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> aboutToDropDown;

    void showPopup() override {
        if (aboutToDropDown)
            aboutToDropDown();
        QComboBox::showPopup();
    }
};

template <typename Control>
Control* place(QWidget* container, const char* name, const QRect& geometry) {
    auto* control = new Control(container);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}

QLabel* placeLabel(QWidget* container, const char* name, const char* caption,
                   const QRect& geometry) {
    auto* label = place<QLabel>(container, name, geometry);
    // Labels show what they are given as it is: the version comes from the module.
    label->setTextFormat(Qt::PlainText);
    label->setText(QLatin1String(caption));
    return label;
}

QLineEdit* placeTextBox(QWidget* container, const char* name, const QRect& geometry, int maxLength,
                        const char* toolTip) {
    auto* box = place<QLineEdit>(container, name, geometry);
    setTypingLimit(*box, maxLength);
    box->setToolTip(QLatin1String(toolTip));
    return box;
}

QComboBox* placeSerialList(QWidget* container, const char* name, const QRect& geometry,
                           const QStringList& items) {
    auto* list = place<QComboBox>(container, name, geometry);
    list->setEditable(true);
    // Typed text must never become an item: positions stand for the device's values.
    list->setInsertPolicy(QComboBox::NoInsert);
    list->addItems(items);
    list->setCurrentIndex(-1);
    return list;
}

// Each widget is put below the ones before it, so the first one listed ends up in front.
void stackFrontToBack(std::initializer_list<QWidget*> widgets) {
    for (QWidget* widget : widgets)
        widget->lower();
}

// The character a key press types, as the address key filter sees it, or -1 for a key that
// types no character: cursor movement, Delete, Tab and the editing shortcuts keep their usual
// meaning in the field. A key that types several code units at once yields a code above 127.
int characterCode(const QKeyEvent& event) {
    if (event.key() == Qt::Key_Backspace)
        return kBackspace;
    for (const auto command : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::SelectAll,
                               QKeySequence::Undo, QKeySequence::Redo}) {
        if (event.matches(command))
            return -1;
    }
    if (event.key() == Qt::Key_Delete || event.key() == Qt::Key_Tab ||
        event.key() == Qt::Key_Backtab)
        return -1;
    const QString text = event.text();
    if (text.isEmpty())
        return -1;
    return text.size() == 1 ? text.at(0).unicode() : 0xFFFF;
}

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
    pressGuard_ = new PressGuard(this);
    view_ = std::make_unique<frmMainView>(*this);
    connection_ = std::make_unique<Connection>(comm_, platform_, device_, *view_,
                                               Connection::PortMemory::Remember);
    connectHandlers();
    fitCaptionFont(*this);
    centreOnScreen();
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::setUpWindow() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QLatin1String(kCaption));
    // The program sets its icon once for the whole application; decode it only when it has not.
    if (QGuiApplication::windowIcon().isNull())
        setWindowIcon(applicationIcon());
    setFixedSize(kClientSize);
}

void frmMain::createWindowControls() {
    Frame2 = place<QGroupBox>(this, "Frame2", twips(5760, 120, 2415, 1695));
    Frame2->setTitle(QStringLiteral("Serial settings"));
    Frame1 = place<QGroupBox>(this, "Frame1", twips(2640, 120, 3015, 3855));
    Frame1->setTitle(QStringLiteral("Device settings"));
    Frame3 = place<QGroupBox>(this, "Frame3", twips(240, 120, 2295, 3855));
    Frame3->setTitle(QStringLiteral("Comm"));

    auto* refresh = place<PictureButton>(this, "cmdRefresh", twips(6240, 2160, 1335, 495));
    refresh->setText(QStringLiteral("Refresh"));
    refresh->setIcon(refreshPicture());
    refresh->setIconSize(kRefreshPictureSize);
    refresh->setEnabled(false);
    refresh->hide();
    cmdRefresh = refresh;

    auto* ports = place<PortList>(this, "cboPort", twips(480, 600, 1335, 315));
    ports->aboutToDropDown = [this] { refreshPortList(); };
    cboPort = ports;

    auto* connectButton = place<PictureButton>(this, "cmdConnect", twips(480, 1200, 1335, 735));
    connectButton->setText(QStringLiteral("Connect"));
    connectButton->setIcon(connectPicture());
    connectButton->setIconSize(kConnectPictureSize);
    cmdConnect = connectButton;

    cmdWrite = place<QPushButton>(this, "cmdWrite", twips(5880, 2880, 2175, 495));
    cmdWrite->setText(QStringLiteral("Save settings"));
    cmdExit = place<QPushButton>(this, "cmdExit", twips(5880, 3480, 2175, 495));
    cmdExit->setText(QStringLiteral("Exit"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kKeepAliveInterval);
}

void frmMain::createSerialControls() {
    cboParity = placeSerialList(Frame2, "cboParity", twips(960, 1200, 1215, 315), kParityNames);
    cboStopBit = placeSerialList(Frame2, "cboStopBit", twips(960, 840, 1215, 315), kStopBits);
    cboBaud = placeSerialList(Frame2, "cboBaud", twips(960, 480, 1215, 315), kBaudRates);
    Label6 = placeLabel(Frame2, "Label6", "Parity bit:", twips(240, 1200, 735, 255));
    Label5 = placeLabel(Frame2, "Label5", "Stop bit(s):", twips(120, 840, 855, 255));
    Label4 = placeLabel(Frame2, "Label4", "Baud rate:", twips(120, 480, 735, 255));
}

void frmMain::createDeviceControls() {
    OptSlave = place<QRadioButton>(Frame1, "OptSlave", twips(120, 2160, 855, 255));
    OptSlave->setText(QStringLiteral("Slave"));
    OptMaster = place<QRadioButton>(Frame1, "OptMaster", twips(120, 2520, 975, 255));
    OptMaster->setText(QStringLiteral("Master"));
    chkPIN = place<QCheckBox>(Frame1, "chkPIN", twips(120, 1080, 1335, 255));
    chkPIN->setText(QStringLiteral("PIN request"));
    chkPIN->setChecked(true);
    chkDiscoverable = place<QCheckBox>(Frame1, "chkDiscoverable", twips(1080, 2160, 1815, 255));
    chkDiscoverable->setText(QStringLiteral("Discoverable Slave"));
    chkMaster = place<QCheckBox>(Frame1, "chkMaster", twips(1920, 2520, 975, 255));
    chkMaster->setText(QStringLiteral("Master"));
    chkMaster->hide();

    txtAddr = placeTextBox(Frame1, "txtAddr", twips(840, 3120, 1935, 285), kAddressLength,
                           "Enter device MAC address to connect ");
    txtAddr->setText(QStringLiteral("0000 00 00 0000"));
    txtAddr->setAlignment(Qt::AlignCenter);
    txtAddr->setEnabled(false);
    // Every way in besides typing and pasting is closed, so that the key filter sees all input.
    txtAddr->setAcceptDrops(false);
    txtAddr->setAttribute(Qt::WA_InputMethodEnabled, false);
    txtPin = placeTextBox(Frame1, "txtPin", twips(840, 1440, 1935, 285), 8, "Enter security code");
    txtName = placeTextBox(Frame1, "txtName", twips(840, 480, 1935, 285), 14, "Enter Device name");

    // The separator runs from (0, 2040) to (3000, 2040), both ends drawn.
    Line8 = place<DottedLine>(Frame1, "Line8", twips(0, 2040, 3015, 15));

    lblCTA = placeLabel(Frame1, "lblCTA", "Connect to address (hex):", twips(120, 2880, 2175, 255));
    lblFMT = placeLabel(Frame1, "lblFMT", "(Format: xxxx xx xx xxxx)", twips(960, 3480, 1815, 255));
    Label8 = placeLabel(Frame1, "Label8", "(8 chars max)", twips(1800, 1800, 975, 255));
    Label7 = placeLabel(Frame1, "Label7", "(14 chars max)", twips(1680, 840, 1095, 255));
    Label2 = placeLabel(Frame1, "Label2", "Pin code:", twips(120, 1440, 855, 255));
    Label1 = placeLabel(Frame1, "Label1", "Name:", twips(240, 480, 615, 255));
}

void frmMain::createCommControls() {
    txtBDADDR = place<QLineEdit>(Frame3, "txtBDADDR", twips(120, 3360, 2055, 285));
    txtBDADDR->setReadOnly(true);
    txtBDADDR->setAlignment(Qt::AlignCenter);
    txtBDADDR->setToolTip(QStringLiteral("Device MAC address"));
    QPalette addressPalette = txtBDADDR->palette();
    addressPalette.setColor(QPalette::Base, kAddressBackground);
    txtBDADDR->setPalette(addressPalette);

    lblVersion = placeLabel(Frame3, "lblVersion", "", twips(120, 2640, 1215, 255));
    lblVersion->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblVersion->setLineWidth(1);
    lblVersion->setAlignment(Qt::AlignCenter);
    // The colours of a text field rather than of the dialog: the version reads as a value.
    lblVersion->setAutoFillBackground(true);
    lblVersion->setBackgroundRole(QPalette::Base);
    lblVersion->setForegroundRole(QPalette::Text);

    Label9 = placeLabel(Frame3, "Label9", "TavixAT version:", twips(120, 2400, 1215, 255));
    Label10 = placeLabel(Frame3, "Label10", "MAC address:", twips(120, 3120, 1215, 255));

    shpStatus = place<StatusLamp>(Frame3, "shpStatus", twips(1800, 1320, 255, 255));
    shpStatus->setFillColor(kDisconnectedColor);
}

void frmMain::applyStackingOrder() {
    stackFrontToBack({cmdRefresh, cboPort, cmdConnect, cmdWrite, cmdExit, Frame2, Frame1, Frame3});
    stackFrontToBack({cboParity, cboStopBit, cboBaud, Label6, Label5, Label4});
    stackFrontToBack({OptSlave, OptMaster, chkPIN, chkDiscoverable, chkMaster, txtAddr, txtPin,
                      txtName, Line8, lblCTA, lblFMT, Label8, Label7, Label2, Label1});
    stackFrontToBack({txtBDADDR, lblVersion, Label9, Label10, shpStatus});
}

void frmMain::applyTabOrder() {
    // The controls that can take the focus, by tab index; frames and labels never take it, and
    // Qt skips the hidden and disabled ones as it goes.
    QWidget* const order[] = {cmdConnect, cboPort,    txtName,         txtPin,    chkMaster,
                              txtAddr,    cboBaud,    cboStopBit,      cboParity, cmdWrite,
                              cmdExit,    cmdRefresh, chkDiscoverable, chkPIN,    txtBDADDR,
                              OptMaster,  OptSlave};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void frmMain::connectHandlers() {
    connect(OptMaster, &QRadioButton::clicked, this, &frmMain::OptMaster_Click);
    connect(OptSlave, &QRadioButton::clicked, this, &frmMain::OptSlave_Click);
    connect(chkPIN, &QCheckBox::clicked, this, &frmMain::chkPIN_Click);
    connect(cmdConnect, &QPushButton::clicked, this, &frmMain::cmdConnect_Click);
    connect(cmdWrite, &QPushButton::clicked, this, &frmMain::cmdWrite_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
    txtAddr->installEventFilter(this);
    txtPin->installEventFilter(this);
}

void frmMain::centreOnScreen() {
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmMain::Form_Load() {
    const int remembered = readRememberedPort(platform_);
    for (int n = 1; n <= kPortCount; ++n)
        cboPort->addItem(QStringLiteral("COM") + QString::number(n));
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
                QStringLiteral("COM%1: %2 (%3)").arg(entry.number).arg(entry.device, state)),
            Qt::ToolTipRole);
    }
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

void frmMain::SetConnectedState(bool Connected) {
    cboPort->setEnabled(!Connected);
    cmdConnect->setText(Connected ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
    shpStatus->setFillColor(Connected ? kConnectedColor : kDisconnectedColor);
    txtBDADDR->setEnabled(Connected);
    lblVersion->setEnabled(Connected);
    txtName->setEnabled(Connected);
    if (isPinRequestLocked(device_.FirmwareVersion)) {
        chkPIN->setEnabled(false);
        chkPIN->setChecked(true);
    } else {
        chkPIN->setEnabled(Connected);
    }
    txtPin->setEnabled(Connected && chkPIN->checkState() != Qt::Unchecked);
    OptMaster->setEnabled(Connected);
    OptSlave->setEnabled(Connected);
    chkDiscoverable->setEnabled(Connected && !OptMaster->isChecked());
    cboBaud->setEnabled(Connected);
    cboStopBit->setEnabled(Connected);
    cboParity->setEnabled(Connected);
    cmdWrite->setEnabled(Connected);
}

void frmMain::OptMaster_Click() {
    modProg::SelectMaster(*this);
}

void frmMain::OptSlave_Click() {
    modProg::SelectSlave(*this);
}

void frmMain::chkPIN_Click() {
    txtPin->setEnabled(chkPIN->checkState() != Qt::Unchecked);
}

void frmMain::txtAddr_KeyPress(int& KeyAscii) {
    const bool digit = KeyAscii >= '0' && KeyAscii <= '9';
    const bool hexLetter =
        (KeyAscii >= 'A' && KeyAscii <= 'F') || (KeyAscii >= 'a' && KeyAscii <= 'f');
    if (!digit && !hexLetter && KeyAscii != ' ' && KeyAscii != kBackspace)
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
    if (watched == txtAddr) {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (filterAddressKey(static_cast<QKeyEvent&>(*event)))
                return true;
            break;
        case QEvent::ContextMenu:
            showAddressContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        case QEvent::MouseButtonRelease: {
            // The X11 selection paste of the middle button goes through the filter too.
            const QClipboard* clipboard = QGuiApplication::clipboard();
            if (static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton &&
                clipboard->supportsSelection()) {
                pasteIntoAddress(clipboard->text(QClipboard::Selection));
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    if (event->type() == QEvent::FocusOut && (watched == txtAddr || watched == txtPin))
        checkLeftBox(static_cast<QWidget&>(*watched), static_cast<QFocusEvent&>(*event));
    return QWidget::eventFilter(watched, event);
}

bool frmMain::filterAddressKey(QKeyEvent& event) {
    if (event.matches(QKeySequence::Paste)) {
        pasteIntoAddress(QGuiApplication::clipboard()->text());
        return true;
    }
    int code = characterCode(event);
    if (code < 0)
        return false;
    txtAddr_KeyPress(code);
    return code == 0;
}

void frmMain::pasteIntoAddress(const QString& text) {
    QString admitted;
    for (const QChar c : text) {
        int code = c.unicode();
        if (code == kBackspace)
            continue; // edits nothing when pasted
        txtAddr_KeyPress(code);
        if (code != 0)
            admitted += c;
    }
    // insert() replaces the selection and keeps the field's maximum length.
    if (!admitted.isEmpty())
        txtAddr->insert(admitted);
}

void frmMain::showAddressContextMenu(const QPoint& globalPos) {
    const std::unique_ptr<QMenu> menu(txtAddr->createStandardContextMenu());
    // The menu's Paste would insert the clipboard unfiltered: send it through the filter.
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        // Qt may have made the connection either way; undo whichever it was.
        const bool wasPaste = disconnect(action, &QAction::triggered, txtAddr, &QLineEdit::paste) ||
                              disconnect(action, SIGNAL(triggered()), txtAddr, SLOT(paste()));
        if (wasPaste) {
            connect(action, &QAction::triggered, this,
                    [this] { pasteIntoAddress(QGuiApplication::clipboard()->text()); });
        }
    }
    menu->exec(globalPos);
}

} // namespace tavixat
