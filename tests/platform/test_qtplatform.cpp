#include "PrivateSettings.h"
#include "PseudoTerminal.h"
#include "QtPlatform.h"
#include "QtSerialPort.h"
#include "SettingsStore.h"
#include "modComm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace tavixat;
using namespace tavixat::test;

namespace {

struct SeenBox {
    bool shown = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format = Qt::AutoText;
    bool modal = false;
    QWidget* parent = nullptr;
};

QMessageBox* openMessageBox() {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        return box;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (box && box->isVisible())
            return box;
    }
    return nullptr;
}

// Once the event loop runs (inside the modal box, if one opens), notes the box and presses OK.
void answerNextMessageBox(SeenBox& seen) {
    QTimer::singleShot(0, [&seen] {
        QMessageBox* box = openMessageBox();
        if (!box)
            return;
        seen = {true,
                box->icon(),
                box->windowTitle(),
                box->text(),
                box->standardButtons(),
                box->textFormat(),
                box->isModal(),
                box->parentWidget()};
        box->button(QMessageBox::Ok)->click();
    });
}

QString iniText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

// The Qt platform services, and opening a real port through the serial link with them.
class TestQtPlatform : public QObject {
    Q_OBJECT
    PrivateSettings settings_;

private slots:
    void init();
    void showMessage_data();
    void showMessage();
    void settings_data();
    void settings();
    void openPortThroughSerialLink_data();
    void openPortThroughSerialLink();
    void busyPointer_data();
    void busyPointer();
};

void TestQtPlatform::init() {
    QFile::remove(settings_.iniFile());
    QSettings(QStringLiteral("TavixAT Setup")).clear();
}

void TestQtPlatform::showMessage_data() {
    QTest::addColumn<MessageIcon>("icon");
    QTest::addColumn<QMessageBox::Icon>("shownIcon");
    QTest::newRow("error") << MessageIcon::Error << QMessageBox::Critical;
    QTest::newRow("information") << MessageIcon::Information << QMessageBox::Information;
}

void TestQtPlatform::showMessage() {
    QFETCH(MessageIcon, icon);
    QWidget window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QtPlatform platform;
    SeenBox seen;
    answerNextMessageBox(seen);

    platform.showMessage(QStringLiteral("ERROR, Check COM3!\r\n/dev/ttyS2: <b>busy</b>"), icon);

    QVERIFY(seen.shown);
    QTEST(seen.icon, "shownIcon");
    QCOMPARE(seen.title, QStringLiteral("TavixAT Setup"));
    QCOMPARE(seen.text, QStringLiteral("ERROR, Check COM3!\n/dev/ttyS2: <b>busy</b>"));
    QCOMPARE(seen.format, Qt::PlainText);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(seen.modal);
    QCOMPARE(seen.parent, &window);
}

void TestQtPlatform::settings_data() {
    QTest::addColumn<bool>("storeBlocked");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("read");
    QTest::newRow("kept") << false << true << "12";
    QTest::newRow("store cannot be written") << true << false << "1";
}

void TestQtPlatform::settings() {
    QFETCH(bool, storeBlocked);
    QtPlatform platform;
    const QString section = QStringLiteral("Properties");
    const QString key = QStringLiteral("CommPort");
    // A plain file where the store's folder should be: nobody, not even root, can write there.
    const QString folder = settings_.folder();
    if (storeBlocked) {
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }

    QTEST(platform.saveSetting(section, key, QStringLiteral("12")), "saved");
    QTEST(platform.readSetting(section, key, QStringLiteral("1")), "read");
    if (storeBlocked)
        QVERIFY(QFile::remove(folder) && QDir().mkpath(folder));
    else
        QVERIFY(iniText(settings_.iniFile()).contains(QStringLiteral("[Properties]\nCommPort=12")));
}

void TestQtPlatform::openPortThroughSerialLink_data() {
    QTest::addColumn<bool>("deviceThere");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<QString>("stored");
    QTest::newRow("opens and is remembered") << true << true << "12";
    QTest::newRow("missing device, nothing remembered") << false << false << "7";
}

void TestQtPlatform::openPortThroughSerialLink() {
    QFETCH(bool, deviceThere);
    PseudoTerminal far;
    QVERIFY(far.isValid());
    const QString path = deviceThere ? far.slavePath() : PseudoTerminal::missingDevicePath();
    QVERIFY(storeText(QStringLiteral("Ports/COM12"), path));
    QVERIFY(storeText(QStringLiteral("Properties/CommPort"), QStringLiteral("7")));
    QtPlatform platform;
    QtSerialPort port;
    modComm comm(port, platform);
    SeenBox seen;
    answerNextMessageBox(seen);

    QTEST(comm.OpenPort(12), "opened");
    QCoreApplication::processEvents(); // lets the box watcher run when no box opened

    QFETCH(QString, stored);
    QVERIFY(iniText(settings_.iniFile()).contains(QStringLiteral("CommPort=") + stored + u'\n'));
    QCOMPARE(seen.shown, !deviceThere);
    if (!deviceThere) {
        QVERIFY2(seen.text.startsWith(QStringLiteral("ERROR, Check COM12!\n") + path + u':'),
                 qPrintable(seen.text));
        QCOMPARE(seen.icon, QMessageBox::Critical);
    }
}

void TestQtPlatform::busyPointer_data() {
    QTest::addColumn<QList<bool>>("calls");
    QTest::addColumn<bool>("busyAtEnd");
    QTest::newRow("busy") << QList<bool>{true} << true;
    QTest::newRow("busy twice, then not busy once") << QList<bool>{true, true, false} << false;
    QTest::newRow("busy again after not busy") << QList<bool>{true, false, true} << true;
    QTest::newRow("not busy without busy") << QList<bool>{false, false} << false;
}

void TestQtPlatform::busyPointer() {
    QFETCH(QList<bool>, calls);
    QFETCH(bool, busyAtEnd);
    QtPlatform platform;
    for (bool busy : calls)
        platform.setBusyPointer(busy);

    const QCursor* pointer = QGuiApplication::overrideCursor();
    QCOMPARE(pointer != nullptr, busyAtEnd);
    if (pointer)
        QCOMPARE(pointer->shape(), Qt::WaitCursor);
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

QTEST_MAIN(TestQtPlatform)
#include "test_qtplatform.moc"
