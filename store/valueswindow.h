#pragma once

#include <QWidget>

class FadingNote;
class QPushButton;
class ReadingHistory;
class QTableView;
class QTimer;
class ValuesListModel;

// The values window: lists every reading and deletes the ones the user ticks. The list is
// filled by the report; this window asks for a redraw by signal.
class ValuesWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ValuesWindow(const QString &storePath, QWidget *parent = nullptr);
    ValuesListModel *model() const { return m_model; }

    // The history deletes are remembered in; `listed` when the list shows it rather than the store.
    void setHistory(ReadingHistory *history, bool listed)
    {
        m_history = history;
        m_historyListed = listed;
    }

    // Removes the ticked readings from the listed source and marks them deleted in the history,
    // then asks for a redraw.
    void Command1_Click();
    // Says where the export went, in a line that fades.
    void tellSaved(const QString &text);

signals:
    void redrawRequested();
    // Every stored reading as CSV; the window itself knows no file formats.
    void csvExportRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void applyColumnWidths();
    void tell(const QString &name, const QString &text);

    QString m_storePath;
    ReadingHistory *m_history = nullptr;
    bool m_historyListed = false;
    bool m_toldMeterKeeps = false;
    ValuesListModel *m_model;
    QTableView *vlist;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *m_exportCsv;
    QPushButton *Command3;
    QTimer *Timer1;
    FadingNote *m_saved;
};
