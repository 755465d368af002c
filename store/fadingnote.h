#pragma once

#include <QLabel>

class QPropertyAnimation;

// A quiet line that says what was just done ("Saved to …") and fades away by itself, so nothing
// has to be closed.
class FadingNote : public QLabel
{
    Q_OBJECT
public:
    explicit FadingNote(QWidget *parent = nullptr);
    void say(const QString &text);

private:
    QPropertyAnimation *m_fade;
};
