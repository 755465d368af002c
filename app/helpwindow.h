#pragma once

#include "programdir.h"

#include <QWidget>

class QPushButton;
class QTextBrowser;

// The short help opened by F1 and the band's "?" button: what each control does, where the
// files are, what to do when no meter is found, and the keys.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(const ProgramDir &dir, QWidget *parent = nullptr);
    QString text() const;

signals:
    void aboutRequested();

private:
    QTextBrowser *m_text;
};

// The version, the licence and the project's page.
class AboutWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *parent = nullptr);
    static QString version();
    static QString homepage();
};
