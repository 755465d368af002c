#include "settingwindow.h"

#include "clsoperateini.h"
#include "settingscheck.h"
#include "units.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

// A field's label, its buddy, whose text (without a trailing ':') names the field for a screen reader.
QLabel *fieldLabel(const QString &text, QWidget *control, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(control);
    QString name = text;
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    control->setAccessibleName(name);
    return label;
}

QLineEdit *field(const char *name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMinimumWidth(70);
    return edit;
}

// The COMM list's entries show their device after the number, which stays the entry's text: the
// text of the box is what Save writes.
class PortDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString device = index.data(Qt::UserRole).toString();
        if (!device.isEmpty())
            option->text += QStringLiteral(" \u2014 ") + device;
    }
};

QLabel *heading(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

} // namespace

SettingWindow::SettingWindow(const QString &iniPath, QWidget *parent)
    : QWidget(parent, Qt::Window), m_iniPath(iniPath)
{
    setObjectName(QStringLiteral("setting"));
    setAttribute(Qt::WA_DeleteOnClose);

    nlow = field("nlow", this);
    nhigh = field("nhigh", this);
    dbmin = field("dbmin", this);
    dbmax = field("dbmax", this);
    mdiv = field("mdiv", this);
    mdiv2 = field("mdiv2", this);
    comsel = new QComboBox(this);
    comsel->setObjectName(QStringLiteral("comsel"));
    comsel->setEditable(true);
    comsel->setInsertPolicy(QComboBox::NoInsert);
    for (int port = 1; port <= 16; ++port)
        comsel->addItem(QString::number(port));
    comsel->setItemDelegate(new PortDelegate(comsel));

    Command1 = new QPushButton(QStringLiteral("Save"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3 = new QPushButton(QStringLiteral("Reset"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    // Save is the default button: Enter in any field saves, as in a dialog. The captions stay
    // exactly as users and their notes know them, so the keys are shortcuts named in the
    // tooltips rather than '&' mnemonics.
    Command1->setDefault(true);
    Command1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_S));
    Command1->setToolTip(QStringLiteral("Write these settings and redraw the report (Enter, Alt+S)"));
    Command2->setShortcut(QKeySequence(Qt::ALT | Qt::Key_C));
    Command2->setToolTip(QStringLiteral("Close without writing anything (Esc, Alt+C)"));
    Command3->setShortcut(QKeySequence(Qt::ALT | Qt::Key_R));
    Command3->setToolTip(
        QStringLiteral("Put the default ranges and port 1 into the fields; nothing is written "
                       "until Save (Alt+R)"));
    comsel->setToolTip(QStringLiteral("The port the meter is on, 1 to 16"));
    for (QLineEdit *edit : {nlow, nhigh, dbmin, dbmax, mdiv, mdiv2, comsel->lineEdit()})
        connect(edit, &QLineEdit::returnPressed, Command1, &QPushButton::click);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, Command2, &QPushButton::click);

    auto *fields = new QGridLayout;
    int row = 0;
    fields->addWidget(heading(QStringLiteral("Normal Data Range [mg/dl]:"), this), row++, 0, 1, 4);
    fields->addWidget(fieldLabel(QStringLiteral("Low:"), nlow, this), row, 0);
    fields->addWidget(nlow, row, 1);
    fields->addWidget(fieldLabel(QStringLiteral("High:"), nhigh, this), row, 2);
    fields->addWidget(nhigh, row++, 3);
    fields->addWidget(heading(QStringLiteral("BG Data Range [mg/dl]:"), this), row++, 0, 1, 4);
    fields->addWidget(fieldLabel(QStringLiteral("Min:"), dbmin, this), row, 0);
    fields->addWidget(dbmin, row, 1);
    fields->addWidget(fieldLabel(QStringLiteral("Max:"), dbmax, this), row, 2);
    fields->addWidget(dbmax, row++, 3);
    fields->addWidget(fieldLabel(QStringLiteral("Y Major Division"), mdiv, this), row, 0, 1, 2);
    fields->addWidget(mdiv, row++, 2, 1, 2);
    fields->addWidget(fieldLabel(QStringLiteral("Y Minor Division"), mdiv2, this), row, 0, 1, 2);
    fields->addWidget(mdiv2, row++, 2, 1, 2);
    fields->addWidget(fieldLabel(QStringLiteral("COMM"), comsel, this), row, 0, 1, 2);
    fields->addWidget(comsel, row++, 2, 1, 2);
    fields->setRowStretch(row, 1);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command3);
    buttons->addWidget(Command2);
    buttons->addStretch(1);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addSpacing(12);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &SettingWindow::save);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
    connect(Command3, &QPushButton::clicked, this, &SettingWindow::reset);

    setWindowTitle(QStringLiteral("Setting"));
}

void SettingWindow::load()
{
    emit linkPauseRequested();
    clsOperateINI ini;
    ini.setINIFileName(m_iniPath);
    setWindowTitle(QStringLiteral("Setting"));
    // The ranges in the unit the report shows; they are kept in mg/dL whatever the unit.
    m_mmol = units::isMmol(ini.GetIniKey(QStringLiteral("setting"), QStringLiteral("unit")));
    m_storedRanges.clear();
    m_shownRanges.clear();
    QLineEdit *const ranges[] = {nlow, nhigh, dbmin, dbmax};
    const char *const keys[] = {"NormalLow", "NormalHigh", "DBMin", "DBMax"};
    for (int i = 0; i < 4; ++i) {
        m_storedRanges << ini.GetIniKey(QStringLiteral("setting"), QLatin1String(keys[i]));
        m_shownRanges << units::settingShown(m_storedRanges.back(), m_mmol);
        ranges[i]->setText(m_shownRanges.back());
        ranges[i]->setToolTip(m_mmol ? QStringLiteral("In mmol/L, the unit the report shows; kept in mg/dL")
                                     : QStringLiteral("In mg/dL"));
    }
    comsel->setEditText(ini.GetIniKey(QStringLiteral("comm"), QStringLiteral("usercommport")));
    mdiv->setText(ini.GetIniKey(QStringLiteral("setting"), QStringLiteral("MajorDivision")));
    mdiv2->setText(ini.GetIniKey(QStringLiteral("setting"), QStringLiteral("MinorDivision")));
}

void SettingWindow::save()
{
    QStringList stored;
    QLineEdit *const ranges[] = {nlow, nhigh, dbmin, dbmax};
    for (int i = 0; i < 4; ++i) {
        const QString typed = ranges[i]->text();
        stored << (i < m_shownRanges.size() && typed == m_shownRanges.at(i)
                       ? m_storedRanges.at(i)
                       : units::settingStored(typed, m_mmol));
    }
    const auto found =
        settingscheck::problems({stored[0], stored[1], stored[2], stored[3], mdiv->text(), mdiv2->text()});
    if (!found.isEmpty()) {
        QLineEdit *const fields[] = {nlow, nhigh, dbmin, dbmax, mdiv, mdiv2};
        QLineEdit *first = fields[int(found.front().field)];
        // Focused before the message opens, so closing the message lands the cursor there.
        first->setFocus(Qt::OtherFocusReason);
        first->selectAll();
        emit messageRequested(settingscheck::message(found));
        return;
    }
    clsOperateINI ini;
    ini.setINIFileName(m_iniPath);
    // Written as typed once the numbers pass: blanks or a "+" read the same in the report.
    ini.WriteIniKey(QStringLiteral("setting"), QStringLiteral("NormalLow"), stored[0]);
    ini.WriteIniKey(QStringLiteral("setting"), QStringLiteral("NormalHigh"), stored[1]);
    ini.WriteIniKey(QStringLiteral("setting"), QStringLiteral("DBMin"), stored[2]);
    ini.WriteIniKey(QStringLiteral("setting"), QStringLiteral("DBMax"), stored[3]);
    ini.WriteIniKey(QStringLiteral("comm"), QStringLiteral("usercommport"), comsel->currentText());
    ini.WriteIniKey(QStringLiteral("setting"), QStringLiteral("MajorDivision"), mdiv->text());
    ini.WriteIniKey(QStringLiteral("setting"), QStringLiteral("MinorDivision"), mdiv2->text());
    emit redrawRequested();
    close();
}

void SettingWindow::setPortDevices(const QStringList &devices, const QList<int> &custom)
{
    for (int i = 0; i < comsel->count() && i < devices.size(); ++i) {
        const int port = i + 1;
        const QString shown = custom.contains(port) ? tr("%1 (set in sys.ini)").arg(devices[i]) : devices[i];
        comsel->setItemData(i, shown, Qt::UserRole);
        comsel->setItemData(i, shown, Qt::ToolTipRole);
    }
}

void SettingWindow::reset()
{
    // The defaults in mg/dL, shown in the unit the fields are in.
    nlow->setText(units::settingShown(QStringLiteral("80"), m_mmol));
    nhigh->setText(units::settingShown(QStringLiteral("110"), m_mmol));
    dbmin->setText(units::settingShown(QStringLiteral("20"), m_mmol));
    dbmax->setText(units::settingShown(QStringLiteral("600"), m_mmol));
    comsel->setEditText(QStringLiteral("1"));
}

void SettingWindow::closeEvent(QCloseEvent *event)
{
    if (!m_closed) {
        m_closed = true;
        emit linkResumeRequested();
    }
    event->accept();
}
