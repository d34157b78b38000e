#pragma once

#include <QLineEdit>
#include <functional>

namespace tavixat {

// The box for the address to connect to. Every character that reaches it goes through one key
// filter first: typed, or pasted with the paste shortcut, the context menu's Paste or the middle
// button's selection. Drops and input methods, which would go around the filter, are closed.
class AddressBox : public QLineEdit {
public:
    // Takes a character code by reference and sets it to 0 to cancel the character.
    using KeyFilter = std::function<void(int&)>;
    // The code of the Backspace key, which the filter sees as a character.
    static constexpr int kBackspace = 8;

    AddressBox(QWidget* parent, KeyFilter filter);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Inserts the characters of `text` that the filter lets through.
    void pasteFiltered(const QString& text);

    KeyFilter filter_;
};

} // namespace tavixat
