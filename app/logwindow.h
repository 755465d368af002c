#pragma once

#include <QKeySequence>
#include <QListWidget>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWidget>

// The upload log: one list the link writes its lines into, shown or not.
class LogWindow : public QWidget
{
    Q_OBJECT
public:
    explicit LogWindow(QWidget *parent = nullptr) : QWidget(parent, Qt::Window)
    {
        setObjectName(QStringLiteral("log"));
        setWindowTitle(QStringLiteral("logfile"));
        loglist = new QListWidget(this);
        loglist->setObjectName(QStringLiteral("loglist"));
        loglist->setUniformItemSizes(true);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(4, 4, 4, 4);
        layout->addWidget(loglist);
        new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
        resize(520, 320);
    }

    QListWidget *loglist;
};
