#include "AddressBox.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <memory>

namespace tavixat {

namespace {

// The character a key press types, as the key filter sees it, or -1 for a key that types no
// character: cursor movement, Delete, Tab and the editing shortcuts keep their usual meaning in
// the box. A key that types several code units at once yields a code above 127.
int characterCode(const QKeyEvent& event) {
    if (event.key() == Qt::Key_Backspace)
        return AddressBox::kBackspace;
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

} // namespace

AddressBox::AddressBox(QWidget* parent, KeyFilter filter)
    : QLineEdit(parent), filter_(std::move(filter)) {
    setAcceptDrops(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void AddressBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste))
        return pasteFiltered(QGuiApplication::clipboard()->text());
    int code = characterCode(*event);
    if (code >= 0)
        filter_(code);
    if (code != 0)
        QLineEdit::keyPressEvent(event);
}

void AddressBox::contextMenuEvent(QContextMenuEvent* event) {
    const std::unique_ptr<QMenu> menu(createStandardContextMenu());
    // The menu's Paste would insert the clipboard unfiltered: send it through the filter.
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        // Qt may have made the connection either way; undo whichever it was.
        const bool wasPaste = disconnect(action, &QAction::triggered, this, &QLineEdit::paste) ||
                              disconnect(action, SIGNAL(triggered()), this, SLOT(paste()));
        if (wasPaste) {
            connect(action, &QAction::triggered, this,
                    [this] { pasteFiltered(QGuiApplication::clipboard()->text()); });
        }
    }
    menu->exec(event->globalPos());
}

void AddressBox::mouseReleaseEvent(QMouseEvent* event) {
    // The X11 selection paste of the middle button goes through the filter too.
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection())
        return pasteFiltered(clipboard->text(QClipboard::Selection));
    QLineEdit::mouseReleaseEvent(event);
}

void AddressBox::pasteFiltered(const QString& text) {
    QString admitted;
    for (const QChar c : text) {
        int code = c.unicode();
        if (code == kBackspace)
            continue; // edits nothing when pasted
        filter_(code);
        if (code != 0)
            admitted += c;
    }
    // insert() replaces the selection and keeps the box's maximum length.
    if (!admitted.isEmpty())
        insert(admitted);
}

} // namespace tavixat
