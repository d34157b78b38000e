// The construction of the window: its controls in their design-time state, where they sit, in
// which order they stack and take the focus, and which handler each one runs.

#include "AccessibleRoles.h"
#include "AddressBox.h"
#include "AddressFormat.h"
#include "DottedLine.h"
#include "PictureButton.h"
#include "Pictures.h"
#include "SerialValues.h"
#include "SettingsRules.h"
#include "StatusLamp.h"
#include "TypingLimit.h"
#include "frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <functional>

namespace tavixat {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr QColor kAddressBackground{255, 255, 192};
// Dark text on the light background whatever the colour scheme; the scheme greys it when disabled.
constexpr QColor kAddressText{0, 0, 0};
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
Control* placed(Control* control, const char* name, const QRect& geometry) {
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}

template <typename Control>
Control* place(QWidget* container, const char* name, const QRect& geometry) {
    return placed(new Control(container), name, geometry);
}

QGroupBox* placeFrame(QWidget* container, const char* name, const char* title,
                      const QRect& geometry) {
    auto* frame = place<QGroupBox>(container, name, geometry);
    frame->setTitle(QLatin1String(title));
    return frame;
}

// A push, option or check button with its caption.
template <typename Button>
Button* placeButton(QWidget* container, const char* name, const char* caption,
                    const QRect& geometry) {
    auto* button = place<Button>(container, name, geometry);
    button->setText(QLatin1String(caption));
    return button;
}

QLabel* placeLabel(QWidget* container, const char* name, const QString& caption,
                   const QRect& geometry) {
    auto* label = place<QLabel>(container, name, geometry);
    // Labels show what they are given as it is: the version comes from the module.
    label->setTextFormat(Qt::PlainText);
    label->setText(caption);
    return label;
}

QLabel* placeLabel(QWidget* container, const char* name, const char* caption,
                   const QRect& geometry) {
    return placeLabel(container, name, QLatin1String(caption), geometry);
}

QString charsMaxCaption(int limit) {
    return QStringLiteral("(%1 chars max)").arg(limit);
}

QLineEdit* placeTextBox(QLineEdit* box, const char* name, const QRect& geometry, int maxLength,
                        const char* toolTip) {
    placed(box, name, geometry);
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

} // namespace

void frmMain::setUpWindow() {
    installAccessibleRoles();
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
    Frame2 = placeFrame(this, "Frame2", "Serial settings", twips(5760, 120, 2415, 1695));
    Frame1 = placeFrame(this, "Frame1", "Device settings", twips(2640, 120, 3015, 3855));
    Frame3 = placeFrame(this, "Frame3", "Comm", twips(240, 120, 2295, 3855));

    auto* refresh =
        placeButton<PictureButton>(this, "cmdRefresh", "Refresh", twips(6240, 2160, 1335, 495));
    refresh->setIcon(refreshPicture());
    refresh->setIconSize(kRefreshPictureSize);
    refresh->hide();
    cmdRefresh = refresh;

    auto* ports = place<PortList>(this, "cboPort", twips(480, 600, 1335, 315));
    ports->aboutToDropDown = [this] { refreshPortList(); };
    cboPort = ports;

    auto* connectButton =
        placeButton<PictureButton>(this, "cmdConnect", "Connect", twips(480, 1200, 1335, 735));
    connectButton->setIcon(connectPicture());
    connectButton->setIconSize(kConnectPictureSize);
    cmdConnect = connectButton;

    cmdWrite =
        placeButton<QPushButton>(this, "cmdWrite", "Save settings", twips(5880, 2880, 2175, 495));
    cmdExit = placeButton<QPushButton>(this, "cmdExit", "Exit", twips(5880, 3480, 2175, 495));
    // Enter presses the focused button, as Space does.
    for (QPushButton* button : {cmdConnect, cmdWrite, cmdExit})
        button->setAutoDefault(true);

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
    OptSlave = placeButton<QRadioButton>(Frame1, "OptSlave", "Slave", twips(120, 2160, 855, 255));
    OptMaster =
        placeButton<QRadioButton>(Frame1, "OptMaster", "Master", twips(120, 2520, 975, 255));
    chkPIN = placeButton<QCheckBox>(Frame1, "chkPIN", "PIN request", twips(120, 1080, 1335, 255));
    chkPIN->setChecked(true);
    chkDiscoverable = placeButton<QCheckBox>(Frame1, "chkDiscoverable", "Discoverable Slave",
                                             twips(1080, 2160, 1815, 255));
    chkMaster = placeButton<QCheckBox>(Frame1, "chkMaster", "Master", twips(1920, 2520, 975, 255));
    chkMaster->hide();

    auto* address = new AddressBox(Frame1, [this](int& code) { txtAddr_KeyPress(code); });
    txtAddr = placeTextBox(address, "txtAddr", twips(840, 3120, 1935, 285), kAddressLength,
                           "Enter device MAC address to connect ");
    txtAddr->setText(QStringLiteral("0000 00 00 0000"));
    txtAddr->setAlignment(Qt::AlignCenter);
    txtPin = placeTextBox(new QLineEdit(Frame1), "txtPin", twips(840, 1440, 1935, 285), kPinLimit,
                          "Enter security code");
    txtName = placeTextBox(new QLineEdit(Frame1), "txtName", twips(840, 480, 1935, 285), kNameLimit,
                           "Enter Device name");

    // The separator runs from (0, 2040) to (3000, 2040), both ends drawn.
    Line8 = place<DottedLine>(Frame1, "Line8", twips(0, 2040, 3015, 15));

    lblCTA = placeLabel(Frame1, "lblCTA", "Connect to address (hex):", twips(120, 2880, 2175, 255));
    lblFMT = placeLabel(Frame1, "lblFMT", "(Format: xxxx xx xx xxxx)", twips(960, 3480, 1815, 255));
    Label8 = placeLabel(Frame1, "Label8", charsMaxCaption(kPinLimit), twips(1800, 1800, 975, 255));
    Label7 = placeLabel(Frame1, "Label7", charsMaxCaption(kNameLimit), twips(1680, 840, 1095, 255));
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
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        addressPalette.setColor(group, QPalette::Text, kAddressText);
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
    showConnectionOnLamp(false);
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

void frmMain::tieLabelsToBoxes() {
    // Qt takes a buddy's caption for its box's accessible name; no caption holds an '&', so no
    // shortcut comes with it. The version is a value shown in a label, named by its caption while
    // empty and labelled by it always.
    const std::pair<QLabel*, QWidget*> captions[] = {
        {Label1, txtName},    {Label2, txtPin},    {lblCTA, txtAddr},    {Label4, cboBaud},
        {Label5, cboStopBit}, {Label6, cboParity}, {Label9, lblVersion}, {Label10, txtBDADDR}};
    for (const auto& [label, box] : captions)
        label->setBuddy(box);
    // The hints below the boxes describe them.
    for (const auto& [hint, box] :
         {std::pair{Label7, txtName}, {Label8, txtPin}, {lblFMT, txtAddr}})
        box->setAccessibleDescription(hint->text());
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

} // namespace tavixat
