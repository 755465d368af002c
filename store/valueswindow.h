#pragma once

#include <QWidget>

class ValuesListModel;

// The values window: lists every reading and deletes the ones the user ticks. The list is
// filled by the report; this window asks for a redraw by signal.
class ValuesWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ValuesWindow(const QString &storePath, QWidget *parent = nullptr);
    ValuesListModel *model() const { return m_model; }

signals:
    void redrawRequested();

private:
    QString m_storePath;
    ValuesListModel *m_model;
};
