// The toolkit's floor: the least a Qt Widgets program does to show a window of the tool's size.
// With --label the window also holds one line of text, so the font system loads before the
// window maps, as it does for any window with text.

#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("TavixAT bench floor"));
    window.setFixedSize(561, 281);
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0) {
        auto* label = new QLabel(QStringLiteral("Serial settings"), &window);
        label->move(16, 8);
    }
    window.show();
    return QApplication::exec();
}
