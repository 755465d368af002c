#pragma once

#include <QString>

class QCheckBox;
class QFrame;
class QLabel;
class QComboBox;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;
class DateBox;
class PickComboBox;
class PermissionNotice;
class LinkStatusLine;
class BandFocusRing;
class QToolButton;
class TrendChart;

// One row of the view list: its entry, the caption it shows under the band and its code.
struct ViewRow
{
    QString entry;
    QString caption;
    qint16 timeview;
};
// The row of a view entry; nullptr for a text that is none.
const ViewRow *findView(const QString &entry);

// The main window's controls, made and laid out in one place: the band with the report's
// choices and captions, the notice under it, the chart over its "No Graphic Data " label and
// the progress bar. The window wires them up.
struct MainForm
{
    QFrame *Frame1;
    QLabel *Label1;
    PickComboBox *Combo1;
    QComboBox *sel_viewtype;
    PickComboBox *unit;
    QCheckBox *m_historyView; // "All uploads"
    DateBox *xt_d1;
    DateBox *xt_d2;
    QLabel *com_info;
    QLabel *sel_info;
    QLabel *pjvalue;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;
    QPushButton *Command4;
    QPushButton *m_statisticsButton;
    QToolButton *m_logButton;
    QToolButton *m_helpButton;
    BandFocusRing *m_focusRing;
    PermissionNotice *m_notice;
    LinkStatusLine *m_linkStatus;
    QLabel *Label6;
    TrendChart *MSChart1;
    QProgressBar *jdt;
    QTimer *Timer1;

    void setupUi(QWidget *window);
};
