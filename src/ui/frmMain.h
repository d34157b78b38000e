#pragma once

// The one window of TavixAT Setup.
//
// How a click flows through the layers: a handler of this window (say the Connect button's)
// runs a device sequence from src/device (connect, read or write the settings), which builds the
// device's commands and reads and writes the window's fields; the sequence talks to the device
// only through modComm (src/serial: send a command, wait for a bracketed reply field), and
// modComm drives the abstract SerialPort (src/platform, QSerialPort behind it). Message boxes,
// the settings store, sleeps and event processing come from Platform. Nothing below this window
// includes a header of src/ui.

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <chrono>
#include <memory>

class QCheckBox;
class QComboBox;
class QFocusEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace tavixat {

class Connection;
class DottedLine;
class PressGuard;
class frmMainView;
class Platform;
class StatusLamp;
class modComm;
struct DeviceState;

class frmMain : public QWidget {
    Q_OBJECT
public:
    // The build's version, from the project's one place for it.
    static constexpr const char* kCaption = "TavixAT Setup (" TAVIXAT_VERSION ")";
    static constexpr QSize kClientSize{561, 281};
    static constexpr std::chrono::milliseconds kKeepAliveInterval{1000};
    static constexpr QColor kConnectedColor{0, 255, 0};
    static constexpr QColor kDisconnectedColor{255, 0, 0};

    // Builds the window in its design-time state, then runs Form_Load.
    frmMain(Platform& platform, modComm& comm, DeviceState& device, QWidget* parent = nullptr);
    ~frmMain() override;

    Platform& platform() { return platform_; }
    modComm& comm() { return comm_; }
    DeviceState& device() { return device_; }

    // Start-up: fills the port list, selects the stored port, shows the disconnected state, warns
    // once about a settings file that cannot be read.
    void Form_Load();
    // Gives each port list entry a tooltip naming its device and whether that is attached.
    void refreshPortList();
    // Shutdown: closes the serial port. Runs whenever the window closes.
    void Form_Unload();

    // Which control takes input when: all of it in frmMainEnabling.cpp. SetConnectedState switches
    // the window between its connected and disconnected presentations; the role's inputs follow
    // the role, and the PIN code the PIN request.
    void SetConnectedState(bool Connected);
    void enableRoleInputs(bool master);
    void enablePinCode(bool requested);

    // The connection's handlers: they run the device sequences.
    void cmdConnect_Click();
    void cmdExit_Click();
    void cmdWrite_Click();
    void Timer1_Timer();

    // The busy state keeps the keyboard focus where it was, or puts it on Connect when that
    // control went disabled meanwhile.
    void rememberFocus();
    void restoreFocus();

    // Shows a trace's failure to be written, in a message box once no exchange with the module
    // waits: a box in the middle of one would hold the module's replies up.
    void reportTraceFailure(const QString& text);

    // True once the window has closed for good; nothing may use it then.
    bool isUnloaded() const { return unloaded_; }

    void OptMaster_Click();
    void OptSlave_Click();
    void chkPIN_Click();
    // Character code by reference: set to 0 to cancel the key. The address box runs it on every
    // character typed or pasted.
    void txtAddr_KeyPress(int& KeyAscii);
    void txtAddr_LostFocus();
    void txtPin_LostFocus();

    // Window-level controls, front-most first.
    QPushButton* cmdRefresh = nullptr;
    QComboBox* cboPort = nullptr;
    QPushButton* cmdConnect = nullptr;
    QPushButton* cmdWrite = nullptr;
    QPushButton* cmdExit = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QTimer* Timer1 = nullptr;

    // "Serial settings" (Frame2).
    QComboBox* cboParity = nullptr;
    QComboBox* cboStopBit = nullptr;
    QComboBox* cboBaud = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label4 = nullptr;

    // "Device settings" (Frame1).
    QRadioButton* OptSlave = nullptr;
    QRadioButton* OptMaster = nullptr;
    QCheckBox* chkPIN = nullptr;
    QCheckBox* chkDiscoverable = nullptr;
    QCheckBox* chkMaster = nullptr;
    QLineEdit* txtAddr = nullptr;
    QLineEdit* txtPin = nullptr;
    QLineEdit* txtName = nullptr;
    DottedLine* Line8 = nullptr;
    QLabel* lblCTA = nullptr;
    QLabel* lblFMT = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;

    // "Comm" (Frame3).
    QLineEdit* txtBDADDR = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    StatusLamp* shpStatus = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The construction of the controls, in frmMainControls.cpp.
    void setUpWindow();
    void createWindowControls();
    void createSerialControls();
    void createDeviceControls();
    void createCommControls();
    void applyStackingOrder();
    void applyTabOrder();
    void tieLabelsToBoxes();
    void connectHandlers();
    void centreOnScreen();
    void applyDesignTimeEnabling();
    void showConnectionOnLamp(bool connected);

    void selectTypedEntries();
    // Runs the lost-focus handler of a box the user left.
    void checkLeftBox(const QWidget& box, const QFocusEvent& event);
    // Shows a lost-focus handler's warning; a click that moved the focus then does nothing.
    void warnOfLeftBox(const QString& text);

    Platform& platform_;
    modComm& comm_;
    DeviceState& device_;
    std::unique_ptr<frmMainView> view_;
    std::unique_ptr<Connection> connection_;
    bool unloaded_ = false;
    QPointer<QWidget> focusBeforeBusy_;
    PressGuard* pressGuard_ = nullptr;
    bool warnedOnLeaving_ = false;
};

} // namespace tavixat
