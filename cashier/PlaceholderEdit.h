#pragma once

#include <QObject>
#include <QString>

#include <string>

class QLineEdit;

// An edit that shows a hint in its own text while nothing is typed: the hint in silver italic
// until the edit takes the focus, where it gives way to an empty black text; an edit left
// empty shows the hint again. The edit shows its hint exactly when its text equals the hint,
// so a cashier who types the hint itself has typed nothing. Lives as long as the edit.
class TPlaceholderEdit : public QObject {
public:
    TPlaceholderEdit(QLineEdit* edit, const char* placeholder);

    bool ShowsPlaceholder() const;
    // The typed text, trimmed: "" while the hint shows.
    std::string Typed() const;
    const QString& Placeholder() const { return placeholder_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowPlaceholder();
    void ShowTyping();

    QLineEdit* edit_;
    const QString placeholder_;
};
