#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// A quiet line under the header band telling what the link did last that a person wants to
// know (no meter found in a whole search, an upload done), with a way to the upload log.
// Hidden while there is nothing to tell.
class LinkStatusLine : public QWidget
{
    Q_OBJECT
public:
    explicit LinkStatusLine(QWidget *parent = nullptr);

    void say(const QString &text);
    void clear();
    QString text() const;

signals:
    void logRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_text;
    QPushButton *m_log;
};
