#include "PlaceholderEdit.h"

#include <QEvent>
#include <QLineEdit>

#include "EditText.h"

namespace {

void SetLook(QLineEdit* edit, const QColor& colour, bool italic) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, colour);
    edit->setPalette(palette);
    QFont font = edit->font();
    font.setItalic(italic);
    edit->setFont(font);
}

}  // namespace

TPlaceholderEdit::TPlaceholderEdit(QLineEdit* edit, const char* placeholder)
    : QObject(edit), edit_(edit), placeholder_(QString::fromUtf8(placeholder)) {
    edit_->installEventFilter(this);
    ShowPlaceholder();
}

bool TPlaceholderEdit::ShowsPlaceholder() const {
    return edit_->text() == placeholder_;
}

std::string TPlaceholderEdit::Typed() const {
    return ShowsPlaceholder() ? std::string() : TrimmedText(edit_);
}

bool TPlaceholderEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_) {
        if (event->type() == QEvent::FocusIn && ShowsPlaceholder()) {
            ShowTyping();
        } else if (event->type() == QEvent::FocusOut && edit_->text().isEmpty()) {
            ShowPlaceholder();
        }
    }
    return QObject::eventFilter(watched, event);
}

void TPlaceholderEdit::ShowPlaceholder() {
    edit_->setText(placeholder_);
    SetLook(edit_, QColor(192, 192, 192), true);
}

void TPlaceholderEdit::ShowTyping() {
    edit_->clear();
    SetLook(edit_, Qt::black, false);
}
