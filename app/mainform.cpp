#include "mainform.h"

#include "bandfocusring.h"
#include "datebox.h"
#include "flowlayout.h"
#include "formwatchers.h"
#include "linkstatusline.h"
#include "ownroles.h"
#include "permissionnotice.h"
#include "pickcombobox.h"
#include "trendchart.h"
#include "units.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QStringList PeriodEntries = {
    QStringLiteral("1 Day"),  QStringLiteral("7 Day"),   QStringLiteral("14 Day"),
    QStringLiteral("21 Day"), QStringLiteral("30 Day"),  QStringLiteral("60 Day"),
    QStringLiteral("90 Day"), QStringLiteral("180 Day"), QStringLiteral("User")};

const ViewRow ViewTable[] = {
    {QStringLiteral("Glucose Morning Trend"), QStringLiteral("Glucose Morning Trend [04:00-11:00] "), 1},
    {QStringLiteral("Glucose Noon Trend"), QStringLiteral("Glucose  Noon  Trend  [11:00-16:00] "), 2},
    {QStringLiteral("Glucose Night Trend"), QStringLiteral("Glucose  Night  Trend [16:00-04:00] "), 3},
    {QStringLiteral("ALL"), QStringLiteral("Glucose Day Trend[00:00-24:00] "), 0},
};

QLabel *bandLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAutoFillBackground(false);
    return label;
}

// The label beside a control names it, for a screen reader as for the eye.
void named(QLabel *label, QWidget *control)
{
    label->setBuddy(control);
    // A list box that cannot be typed in is heard by its name, which must stay the entry it
    // shows; the label reaches the reader as the box's label.
    if (auto *box = qobject_cast<QComboBox *>(control); box && !box->isEditable())
        return;
    QString name = label->text();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    control->setAccessibleName(name);
}

// The title's and the notice's sizes at the usual font, and their share of a person's larger font,
// so the title stays the largest text of the band.
constexpr qreal TitlePt = 24;
constexpr qreal NoticePt = 15;
constexpr qreal TitleShare = 1.5;
constexpr qreal NoticeShare = 1.25;

} // namespace

const ViewRow *findView(const QString &entry)
{
    for (const ViewRow &row : ViewTable) {
        if (row.entry == entry)
            return &row;
    }
    return nullptr;
}

void MainForm::setupUi(QWidget *window)
{
    Frame1 = new QFrame(window);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setAutoFillBackground(true);
    QPalette band = Frame1->palette();
    band.setColor(QPalette::Window, band.color(QPalette::Highlight));
    band.setColor(QPalette::WindowText, band.color(QPalette::HighlightedText));
    Frame1->setPalette(band);
    Frame1->setAccessibleName(QStringLiteral("Report choices"));

    Label1 = bandLabel(QStringLiteral("Corvane"), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));

    auto *Label2 = bandLabel(QStringLiteral("Report"), Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Combo1 = new PickComboBox(Frame1);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->addItems(PeriodEntries);
    Combo1->showText(QStringLiteral("7 Day"));
    Combo1->setMinimumContentsLength(8);
    named(Label2, Combo1);
    Combo1->setToolTip(
        QStringLiteral("The report's period: days back from today, or User for the dates picked "
                       "below. Enter draws it."));
    auto *Label4 = bandLabel(QStringLiteral("and"), Frame1);
    Label4->setObjectName(QStringLiteral("Label4"));
    sel_viewtype = new QComboBox(Frame1);
    sel_viewtype->setObjectName(QStringLiteral("sel_viewtype"));
    for (const ViewRow &row : ViewTable)
        sel_viewtype->addItem(row.entry);
    sel_viewtype->setCurrentIndex(-1); // no selection until the start picks "ALL"
    named(Label4, sel_viewtype);
    sel_viewtype->setToolTip(QStringLiteral("The time of day whose readings the report shows"));
    // A screen reader hears a list box that cannot be typed in by its label alone, not the entry
    // it shows: the entry leads its description, which is told again at each change.
    QObject::connect(sel_viewtype, &QComboBox::currentTextChanged, sel_viewtype, [box = sel_viewtype] {
        box->setAccessibleDescription(box->currentText() + QStringLiteral(". ") + box->toolTip());
    });
    auto *Label8 = bandLabel(QStringLiteral("Unit"), Frame1);
    Label8->setObjectName(QStringLiteral("Label8"));
    unit = new PickComboBox(Frame1);
    unit->setObjectName(QStringLiteral("unit"));
    unit->addItems({units::MmolBoxText, units::MgdlBoxText});
    unit->showText(QString(units::MgdlBoxText));
    unit->setMinimumContentsLength(6);
    named(Label8, unit);
    m_historyView = new QCheckBox(QStringLiteral("All uploads"), Frame1);
    m_historyView->setObjectName(QStringLiteral("historyview"));
    m_historyView->setToolTip(
        QStringLiteral("Report on every reading any upload brought, as the reading history "
                       "keeps them, instead of the last upload's readings alone"));
    unit->setToolTip(QStringLiteral("The unit the report shows values in; a pick redraws at once"));

    auto *Label3 = bandLabel(QStringLiteral("Form"), Frame1);
    Label3->setObjectName(QStringLiteral("Label3"));
    xt_d1 = new DateBox(Frame1);
    xt_d1->setObjectName(QStringLiteral("xt_d1"));
    xt_d1->setEditText(QStringLiteral("xt_d1"));
    xt_d1->setMinimumContentsLength(10);
    named(Label3, xt_d1);
    xt_d1->setHelpTip(QStringLiteral("The last day of the report. Type a date, or open the calendar with "
                                     "Alt+Down."));
    auto *Label5 = bandLabel(QStringLiteral("To"), Frame1);
    Label5->setObjectName(QStringLiteral("Label5"));
    xt_d2 = new DateBox(Frame1);
    xt_d2->setObjectName(QStringLiteral("xt_d2"));
    xt_d2->setEditText(QStringLiteral("xt_d2"));
    xt_d2->setMinimumContentsLength(10);
    named(Label5, xt_d2);
    xt_d2->setHelpTip(QStringLiteral("The first day of the report. Type a date, or open the calendar with "
                                     "Alt+Down."));

    // The captions stay exactly as users and their notes know them, so the keys are
    // shortcuts named in the tooltips rather than '&' mnemonics, which would change the text.
    Command1 = new QPushButton(QStringLiteral("Apply"), Frame1);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_A));
    Command1->setToolTip(QStringLiteral("Draw the report of the period, view and dates chosen (Alt+A)"));
    Command3 = new QPushButton(QStringLiteral("ModifyData"), Frame1);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setShortcut(QKeySequence(Qt::ALT | Qt::Key_M));
    Command3->setToolTip(QStringLiteral("List every stored reading, to tick and delete readings (Alt+M)"));
    Command3->setAccessibleDescription(
        QStringLiteral("List every stored reading, to tick and delete readings"));
    Command2 = new QPushButton(QStringLiteral("Setting"), Frame1);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setShortcut(QKeySequence(Qt::ALT | Qt::Key_S));
    Command2->setToolTip(
        QStringLiteral("Edit the normal range, the chart's value axis and the meter's port (Alt+S)"));
    Command2->setAccessibleDescription(
        QStringLiteral("Edit the normal range, the chart's value axis and the meter's port"));
    Command4 = new QPushButton(QStringLiteral("test"), Frame1);
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setToolTip(QStringLiteral("Mark each reading on the chart with a dot"));
    Command4->setAccessibleDescription(QStringLiteral("Mark each reading on the chart with a dot"));
    m_statisticsButton = new QPushButton(QStringLiteral("S&tatistics"), Frame1);
    m_statisticsButton->setObjectName(QStringLiteral("statisticsButton"));
    m_statisticsButton->setToolTip(
        QStringLiteral("The figures of the report, and the report as CSV, PDF or on paper (Alt+T)"));
    m_logButton = new QToolButton(Frame1);
    m_logButton->setObjectName(QStringLiteral("logButton"));
    m_logButton->setText(QStringLiteral("&Log"));
    m_logButton->setToolTip(
        QStringLiteral("Open the upload log: the ports tried and the readings read (Ctrl+L)"));
    m_helpButton = new QToolButton(Frame1);
    m_helpButton->setObjectName(QStringLiteral("helpButton"));
    m_helpButton->setText(QStringLiteral("?"));
    m_helpButton->setAccessibleName(QStringLiteral("Help"));
    m_helpButton->setToolTip(
        QStringLiteral("Help: what each control does, where the files are and the keys (F1)"));
    for (QToolButton *b : {m_logButton, m_helpButton})
        b->setFocusPolicy(Qt::StrongFocus);
    // Tab reads the band as the eye does: row 1 ends with these two.
    QWidget::setTabOrder(m_historyView, m_logButton);
    QWidget::setTabOrder(m_logButton, m_helpButton);

    com_info = bandLabel(QStringLiteral("OFF COMM"), Frame1);
    com_info->setObjectName(QStringLiteral("com_info"));
    sel_info = bandLabel(QString(), Frame1);
    sel_info->setObjectName(QStringLiteral("sel_info"));
    sel_info->setAlignment(Qt::AlignCenter);
    pjvalue = bandLabel(QStringLiteral("xxxx"), Frame1);
    pjvalue->setObjectName(QStringLiteral("pjvalue"));
    pjvalue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // At a large font the three captions together are wider than the screen: each wraps.
    for (QLabel *caption : {com_info, sel_info, pjvalue})
        caption->setWordWrap(true);
    // A screen reader reads the view's caption and the average out as they change; the link's
    // caption, which runs through the ports many times a minute, is read when it is reached.
    markRole(sel_info, QAccessible::Notification);
    markRole(pjvalue, QAccessible::Notification);
    com_info->setAccessibleDescription(QStringLiteral("The meter link"));
    sel_info->setAccessibleDescription(QStringLiteral("The time of day the report shows"));
    pjvalue->setAccessibleDescription(QStringLiteral("The average of the charted readings"));

    // The two rows wrap rather than clip their controls when the window is narrower than they are.
    // Room for the focus ring drawn around a control (BandFocusRing) without touching its neighbours.
    auto *row1 = new FlowLayout(8);
    row1->addGroup({Label2, Combo1});
    row1->addGroup({Label4, sel_viewtype});
    row1->addGroup({Label8, unit});
    row1->addStretch();
    row1->addWidget(m_historyView);
    row1->addGroup({m_logButton, m_helpButton});
    auto *row2 = new FlowLayout(8);
    row2->addGroup({Label3, xt_d1});
    row2->addGroup({Label5, xt_d2});
    row2->addStretch();
    for (QWidget *w : {static_cast<QWidget *>(Command1), static_cast<QWidget *>(Command3),
                       static_cast<QWidget *>(Command2), static_cast<QWidget *>(Command4),
                       static_cast<QWidget *>(m_statisticsButton)})
        row2->addWidget(w);
    auto *row3 = new QHBoxLayout;
    row3->addWidget(com_info, 1);
    row3->addWidget(sel_info, 2);
    row3->addWidget(pjvalue, 1);

    // Box layouts rather than a grid: they hand the wrapping rows the height their lines need.
    auto *rows = new QVBoxLayout;
    rows->addLayout(row1);
    rows->addLayout(row2);
    auto *top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(Label1, 0, Qt::AlignVCenter);
    top->addLayout(rows, 1);
    auto *bandLayout = new QVBoxLayout(Frame1);
    bandLayout->setContentsMargins(10, 8, 10, 8);
    bandLayout->addLayout(top);
    bandLayout->addLayout(row3);
    m_focusRing = new BandFocusRing(Frame1);

    // Made in the order they are seen, which is the order Tab and a screen reader take them in.
    // A plugged-in cable the user may not open is told below the band.
    m_notice = new PermissionNotice(window);
    m_linkStatus = new LinkStatusLine(window);

    // Label6 lies in the chart's own area, behind it: hiding the chart uncovers it.
    auto *chartArea = new QWidget(window);
    auto *chartLayout = new QGridLayout(chartArea);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    Label6 = new QLabel(QStringLiteral("No Graphic Data "), chartArea);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setAlignment(Qt::AlignCenter);
    QPalette light = Label6->palette();
    // A light blue still dark enough to read at 4.5:1 on the window's grey.
    light.setColor(QPalette::WindowText, QColor(0x38, 0x6b, 0xb0));
    Label6->setPalette(light);
    MSChart1 = new TrendChart(chartArea);
    MSChart1->hide();
    chartLayout->addWidget(Label6, 0, 0);
    chartLayout->addWidget(MSChart1, 0, 0);
    new ChartCover(MSChart1, Label6);

    jdt = new QProgressBar(window);
    jdt->setObjectName(QStringLiteral("jdt"));
    jdt->setAccessibleName(QStringLiteral("Upload progress"));
    jdt->hide();

    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->setSpacing(6);
    layout->addWidget(Frame1);
    layout->addWidget(m_notice);
    layout->addWidget(m_linkStatus);
    layout->addWidget(chartArea, 1);
    layout->addWidget(jdt);

    new FontFollower(window, [this, window] {
        const qreal pt = QFontInfo(window->font()).pointSizeF();
        QFont title(QStringLiteral("Arial"), 1);
        title.setPointSizeF(std::max(TitlePt, pt * TitleShare));
        title.setBold(true);
        Label1->setFont(title);
        QFont notice(QStringLiteral("Arial"), 1);
        notice.setPointSizeF(std::max(NoticePt, pt * NoticeShare));
        Label6->setFont(notice);
    });

    Timer1 = new QTimer(window);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
}
