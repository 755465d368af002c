#pragma once

#include "reportactions.h"
#include "reportsnapshot.h"

#include <QWidget>

class FadingNote;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The statistics of the report on screen, with the documents made from it: the selected
// readings as CSV, the report as PDF, and a printout. It follows every redraw of the report.
class StatisticsWindow : public QWidget
{
    Q_OBJECT
public:
    explicit StatisticsWindow(QWidget *parent = nullptr);
    ~StatisticsWindow() override;

    void setSnapshot(const ReportSnapshot &snapshot);
    // Where the patient is kept, and the store whose date the documents name.
    void setPaths(const QString &iniPath, const QString &storePath);
    void setFileChooser(const reportactions::FileChooser &choose) { m_choose = choose; }

signals:
    // Asked around the making of a document, so no upload changes the store underneath.
    void linkHoldRequested(bool hold);

private:
    ReportSnapshot documentSnapshot() const;
    void keepPatient();
    void tellSaved(const QString &path);

    ReportSnapshot m_snapshot;
    QString m_iniPath;
    QString m_storePath;
    QLineEdit *m_name;
    QLineEdit *m_birth;
    QLineEdit *m_identifier;
    reportactions::FileChooser m_choose;
    QLabel *m_heading;
    QTableWidget *m_figures;
    QTableWidget *m_timeOfDay;
    QPushButton *m_csv;
    QPushButton *m_pdf;
    QPushButton *m_print;
    QPushButton *m_close;
    FadingNote *m_saved;
};
