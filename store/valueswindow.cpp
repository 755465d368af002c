#include "valueswindow.h"

#include "fadingnote.h"
#include "history.h"
#include "readingstore.h"
#include "spokencells.h"
#include "valueslistmodel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>

namespace {

using namespace std::chrono_literals;
constexpr auto RefreshDelay = 500ms;

// The list's column widths were laid out in twips; 15 of them make a pixel on a usual screen.
constexpr double TwipsPerPixel = 15.0;
constexpr int NarrowestColumn = 24;

} // namespace

ValuesWindow::ValuesWindow(const QString &storePath, QWidget *parent)
    : QWidget(parent, Qt::Window), m_storePath(storePath), m_model(new ValuesListModel(this))
{
    setObjectName(QStringLiteral("values"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Values [") + storePath + QStringLiteral("]"));

    vlist = new QTableView(this);
    vlist->setObjectName(QStringLiteral("vlist"));
    vlist->setAccessibleName(QStringLiteral("Stored readings"));
    vlist->setModel(m_model);
    vlist->verticalHeader()->hide();
    vlist->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    vlist->verticalHeader()->setDefaultSectionSize(vlist->fontMetrics().height() + 8);
    vlist->horizontalHeader()->setHighlightSections(false);
    // Only the rows on screen are measured for the columns' widths: a long list costs no more.
    vlist->horizontalHeader()->setResizeContentsPrecision(0);
    vlist->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    vlist->setSelectionBehavior(QAbstractItemView::SelectRows);
    vlist->setSelectionMode(QAbstractItemView::SingleSelection);
    vlist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    vlist->setAlternatingRowColors(true);
    vlist->setShowGrid(false);
    vlist->setWordWrap(false);

    Command3 = new QPushButton(QStringLiteral("Save"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command1 = new QPushButton(QStringLiteral("Delete"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    m_exportCsv = new QPushButton(QStringLiteral("&Export CSV…"), this);
    m_exportCsv->setObjectName(QStringLiteral("exportCsv"));
    // The three captions stay exactly as users and their notes know them, so their keys
    // are shortcuts named in the tooltips rather than '&' mnemonics.
    Command3->setShortcut(QKeySequence(Qt::ALT | Qt::Key_S));
    Command3->setToolTip(QStringLiteral("Close the list; deletions are in the store already (Alt+S)"));
    Command1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_D));
    Command1->setToolTip(QStringLiteral("Delete the ticked readings from the store (Delete, Alt+D)"));
    Command2->setShortcut(QKeySequence(Qt::ALT | Qt::Key_C));
    Command2->setToolTip(QStringLiteral("Close the list (Esc, Alt+C)"));
    m_exportCsv->setToolTip(QStringLiteral("Save every stored reading as a CSV file (Alt+E)"));
    vlist->setToolTip(QStringLiteral("Every stored reading. Space ticks or unticks the current row."));
    vlist->installEventFilter(this);
    speakCells(vlist);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(Command3);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addStretch(1);
    buttons->addWidget(m_exportCsv);
    auto *list = new QVBoxLayout;
    list->addWidget(vlist, 1);
    m_saved = new FadingNote(this);
    list->addWidget(m_saved);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(list, 1);
    layout->addLayout(buttons);

    connect(Command3, &QPushButton::clicked, this, &QWidget::close);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
    connect(Command1, &QPushButton::clicked, this, &ValuesWindow::Command1_Click);
    connect(m_exportCsv, &QPushButton::clicked, this, &ValuesWindow::csvExportRequested);
    connect(m_model, &QAbstractItemModel::modelReset, this, &ValuesWindow::applyColumnWidths);

    // One refresh per load, shortly after it, whether or not the window is on screen.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(RefreshDelay);
    connect(Timer1, &QTimer::timeout, this, &ValuesWindow::redrawRequested);
    Timer1->start();

    resize(680, 440);
    applyColumnWidths();
}

void ValuesWindow::Command1_Click()
{
    const QVector<StoreItemRef> ticked = m_model->checkedItems();
    QStringList lines;
    for (const StoreItemRef &item : ticked)
        lines << item.recordLine;
    const bool remembered = m_history && m_history->isOpen() && m_history->markDeleted(lines);
    if (m_historyListed) {
        if (!remembered && !ticked.isEmpty())
            tell(QStringLiteral("deleteFailed"),
                 tr("The ticked readings were not deleted: the reading history "
                    "could not be written.\n\n%1")
                     .arg(m_history ? m_history->lastError() : QString()));
        emit redrawRequested();
        return;
    }
    int notFound = 0;
    if (!DelXmlItemsAt(m_storePath, ticked, &notFound) && !ticked.isEmpty()) {
        tell(QStringLiteral("deleteFailed"), tr("The ticked readings were not deleted: the reading store "
                                                "could not be read or written.\n\n%1")
                                                 .arg(m_storePath));
    } else if (notFound > 0) {
        // The store changed after the list was filled (an upload, another program): what the
        // ticks pointed at is no longer there, and the refill below shows the store as it is.
        tell(QStringLiteral("deleteStale"),
             (notFound == 1 ? tr("1 ticked reading was not deleted")
                            : tr("%1 ticked readings were not deleted").arg(notFound)) +
                 tr(" because the reading store changed after the list was filled. The list now shows "
                    "the store as it is."));
    } else if (remembered && !ticked.isEmpty() && !m_toldMeterKeeps) {
        m_toldMeterKeeps = true;
        tell(QStringLiteral("deleteMeterKeeps"),
             tr("Deleted from this upload's readings; the meter still holds it and will send it again — it "
                "stays deleted under All uploads"));
    }
    emit redrawRequested();
}

void ValuesWindow::tellSaved(const QString &text)
{
    m_saved->say(text);
}

// A message that does not block the window or the program.
void ValuesWindow::tell(const QString &name, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(name);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

// Space ticks the current row wherever in the row the cursor is (the view alone ticks only
// from the check box's own column); Delete is the Delete button.
bool ValuesWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == vlist && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Space) {
            const int row = vlist->currentIndex().row();
            if (row >= 0) {
                const bool ticked = !m_model->isChecked(row);
                m_model->setChecked(row, ticked);
                // Said for a screen reader, which does not tell a table cell's tick.
                m_saved->say(
                    (ticked ? tr("Reading %1 ticked") : tr("Reading %1 no longer ticked")).arg(row + 1));
            }
            return true;
        }
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Delete) {
            Command1->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ValuesWindow::applyColumnWidths()
{
    const double w = vlist->width() * TwipsPerPixel;
    const double twips[ValuesListModel::ColumnCount] = {w / 10, w / 6 + 1000, w / 6,
                                                        w / 6,  w / 6 - 500,  w / 6 - 500};
    // Shares of the list's width, yet never narrower than the header and the texts need at the
    // person's font, which may be far larger than the shares were made for. The rows on screen
    // are measured, and the last row stands for the widest number; a hidden list would measure
    // every row, so it is measured once shown.
    const bool shown = vlist->isVisible();
    const int last = m_model->rowCount() - 1;
    for (int c = 0; c < ValuesListModel::ColumnCount; ++c) {
        int needed = vlist->horizontalHeader()->sectionSizeHint(c);
        if (shown && last >= 0)
            needed = std::max({needed, static_cast<QAbstractItemView *>(vlist)->sizeHintForColumn(c),
                               vlist->sizeHintForIndex(m_model->index(last, c)).width()});
        vlist->setColumnWidth(c, std::max({NarrowestColumn, needed, int(twips[c] / TwipsPerPixel)}));
    }
}

void ValuesWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyColumnWidths();
}

void ValuesWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    applyColumnWidths();
}
