#include "statisticswindow.h"

#include "datetext.h"
#include "fadingnote.h"
#include "formwatchers.h"
#include "reportactions.h"
#include "reportsnapshot.h"
#include "spokencells.h"
#include "statistics.h"
#include "units.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int RowPadding = 6; // a row's height beyond its font's

QTableWidget *table(const QString &name, const QStringList &heads, QWidget *parent)
{
    auto *t = new QTableWidget(0, int(heads.size()), parent);
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(heads);
    t->verticalHeader()->hide();
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    // Reached with Tab and read cell by cell with the arrow keys, as a screen reader needs.
    t->setFocusPolicy(Qt::StrongFocus);
    t->setTabKeyNavigation(false);
    speakCells(t);
    t->horizontalHeader()->setStretchLastSection(true);
    t->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + RowPadding);
    return t;
}

void fill(QTableWidget *t, const QVector<QStringList> &rows)
{
    t->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c) {
            auto *item = new QTableWidgetItem(rows[r][c]);
            // The indent that sets a line under its heading is for the eye only, and so is a dash.
            const QString words = rows[r][c].trimmed();
            item->setData(Qt::AccessibleTextRole,
                          words == QStringLiteral("–") ? QStringLiteral("none") : words);
            t->setItem(r, c, item);
        }
    // The last column is left alone: sized to its contents it would stop taking the rest of the width.
    for (int c = 0; c + 1 < t->columnCount(); ++c)
        t->resizeColumnToContents(c);
}

} // namespace

StatisticsWindow::StatisticsWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("statistics"));
    setWindowTitle(QStringLiteral("Statistics"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Made first, as it is seen first above the buttons: a screen reader lists it so.
    auto *scroll = new QScrollArea(this);

    // Made in the order they are seen, which is the order Tab and a screen reader take them in.
    auto *who = new QFormLayout;
    const auto field = [this, who](const QString &name, const QString &label, const QString &hint) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setPlaceholderText(hint);
        edit->setMaxLength(80);
        edit->setAccessibleName(label.chopped(1)); // the label without its colon
        who->addRow(label, edit);
        connect(edit, &QLineEdit::editingFinished, this, &StatisticsWindow::keepPatient);
        return edit;
    };
    m_name =
        field(QStringLiteral("patientName"), QStringLiteral("Patient name:"), QStringLiteral("optional"));
    m_birth = field(QStringLiteral("patientBirthDate"), QStringLiteral("Date of birth:"),
                    QStringLiteral("optional, e.g. 1960-01-02"));
    m_identifier =
        field(QStringLiteral("patientIdentifier"), QStringLiteral("Identifier:"), QStringLiteral("optional"));

    m_heading = new QLabel(this);
    m_heading->setObjectName(QStringLiteral("statsHeading"));
    m_heading->setWordWrap(true);
    m_figures = table(QStringLiteral("figures"), {QStringLiteral("Figure"), QStringLiteral("Value")}, this);
    // The values keep their room and the figures' names wrap, so that at a large font no value
    // is pushed out of sight to the right.
    m_figures->setWordWrap(true);
    m_figures->horizontalHeader()->setStretchLastSection(false);
    m_figures->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_figures->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_figures->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto *todLabel = new QLabel(QStringLiteral("By time of day, every blood reading of the period:"), this);
    todLabel->setWordWrap(true); // at a large font it is wider than the screen
    m_timeOfDay = table(QStringLiteral("timeOfDay"),
                        {QStringLiteral("Window"), QStringLiteral("Hours"), QStringLiteral("Readings"),
                         QStringLiteral("Median"), QStringLiteral("25–75 %"), QStringLiteral("Lows")},
                        this);
    // Each table is named by the text above it; the heading, which changes, describes the figures.
    m_heading->setBuddy(m_figures);
    m_figures->setAccessibleName(QStringLiteral("Figures of the report"));
    todLabel->setBuddy(m_timeOfDay);
    m_timeOfDay->setAccessibleName(QStringLiteral("By time of day"));
    // Four windows: the table shows them all without scrolling.
    const auto showFourRows = [t = m_timeOfDay] {
        // A large font may need a scroll bar across, which must not cover the last row.
        const QScrollBar *across = t->horizontalScrollBar();
        t->setFixedHeight(t->horizontalHeader()->sizeHint().height() +
                          4 * t->verticalHeader()->defaultSectionSize() + 2 * t->frameWidth() + 2 +
                          (across->maximum() > 0 ? across->sizeHint().height() : 0));
    };
    connect(m_timeOfDay->horizontalScrollBar(), &QScrollBar::rangeChanged, this, showFourRows);
    // Its rows are as high as the font, which a person may change while the window is open.
    new FontFollower(m_timeOfDay, [t = m_timeOfDay, showFourRows] {
        t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + RowPadding);
        showFourRows();
    });

    m_csv = new QPushButton(QStringLiteral("&Export CSV…"), this);
    m_csv->setObjectName(QStringLiteral("exportCsv"));
    m_pdf = new QPushButton(QStringLiteral("Save P&DF…"), this);
    m_pdf->setObjectName(QStringLiteral("savePdf"));
    m_print = new QPushButton(QStringLiteral("&Print…"), this);
    m_print->setObjectName(QStringLiteral("printReport"));
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("closeStatistics"));
    m_csv->setToolTip(QStringLiteral("Save the readings of this report as a CSV file (Alt+E)"));
    m_pdf->setToolTip(QStringLiteral("Save the report, chart and figures, as a PDF file (Alt+D)"));
    m_print->setToolTip(QStringLiteral("Print the report (Alt+P)"));
    m_close->setToolTip(QStringLiteral("Close this window (Esc, Alt+C)"));
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);

    m_saved = new FadingNote(this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_csv);
    buttons->addWidget(m_pdf);
    buttons->addWidget(m_print);
    buttons->addWidget(m_saved, 1);
    buttons->addWidget(m_close);
    // At a large font or scale the window cannot show it all on a small screen: what is above the
    // buttons scrolls as one, each table keeping room for a few rows, and the buttons stay in reach.
    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addLayout(who);
    pageLayout->addWidget(m_heading);
    pageLayout->addWidget(m_figures, 1);
    pageLayout->addWidget(todLabel);
    pageLayout->addWidget(m_timeOfDay);
    m_figures->setMinimumHeight(m_timeOfDay->height());
    scroll->setObjectName(QStringLiteral("statisticsPage"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(page);
    scroll->setFocusPolicy(Qt::NoFocus); // a stop of its own would say nothing
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons);

    const auto hold = [this](bool on) { emit linkHoldRequested(on); };
    connect(m_csv, &QPushButton::clicked, this,
            [this] { tellSaved(reportactions::saveSelectedCsv(this, m_snapshot, m_choose)); });
    connect(m_pdf, &QPushButton::clicked, this,
            [this, hold] { tellSaved(reportactions::savePdf(this, documentSnapshot(), hold, m_choose)); });
    connect(m_print, &QPushButton::clicked, this,
            [this, hold] { reportactions::print(this, documentSnapshot(), hold); });
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    // The page's widgets joined the end of the tab chain when the page took them: the chain is
    // laid again in the order they are seen, the patient's name first.
    QWidget *const seen[] = {m_name, m_birth, m_identifier, m_figures, m_timeOfDay,
                             m_csv,  m_pdf,   m_print,      m_close};
    for (size_t i = 1; i < std::size(seen); ++i)
        setTabOrder(seen[i - 1], seen[i]);
    m_name->setFocus();
    resize(600, 760);
}

void StatisticsWindow::tellSaved(const QString &path)
{
    if (!path.isEmpty())
        m_saved->say(reportactions::savedTo(path));
}

void StatisticsWindow::setSnapshot(const ReportSnapshot &snapshot)
{
    m_snapshot = snapshot;
    const statistics::Limits limits = statistics::limits(snapshot);
    const statistics::Figures figures = statistics::compute(snapshot);
    m_heading->setText(QStringLiteral("The readings of the report (period %1, view %2, %4), in %3. Control "
                                      "tests are left out; the mean can therefore differ from the average "
                                      "above the chart.")
                           .arg(periodText(snapshot, &datetext::dateToBoxText), snapshot.viewText,
                                units::name(snapshot.mmol), snapshot.source));
    m_figures->setAccessibleDescription(m_heading->text());
    QVector<QStringList> rows;
    for (const statistics::Line &line : statistics::lines(figures, limits, snapshot.mmol))
        rows.push_back({line.label, line.value});
    fill(m_figures, rows);
    fill(m_timeOfDay, statistics::timeOfDayRows(figures, snapshot.mmol));
    const bool any = !snapshot.selectedAt.isEmpty();
    m_csv->setEnabled(any);
}

StatisticsWindow::~StatisticsWindow()
{
    // A field losing focus as the children go would ask for fields already deleted.
    for (QLineEdit *edit : {m_name, m_birth, m_identifier})
        edit->disconnect(this);
    keepPatient();
}

void StatisticsWindow::setPaths(const QString &iniPath, const QString &storePath)
{
    m_iniPath = iniPath;
    m_storePath = storePath;
    const Patient p = patient::read(iniPath);
    m_name->setText(p.name);
    m_birth->setText(p.birthDate);
    m_identifier->setText(p.identifier);
}

void StatisticsWindow::keepPatient()
{
    if (!m_iniPath.isEmpty())
        patient::write(m_iniPath, {m_name->text(), m_birth->text(), m_identifier->text()});
}

ReportSnapshot StatisticsWindow::documentSnapshot() const
{
    ReportSnapshot s = m_snapshot;
    s.patient = {m_name->text().trimmed(), m_birth->text().trimmed(), m_identifier->text().trimmed()};
    const QFileInfo store(m_storePath);
    if (!m_storePath.isEmpty() && store.exists())
        s.storeWritten = store.lastModified();
    return s;
}
