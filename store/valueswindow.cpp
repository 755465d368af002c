#include "valueswindow.h"

#include "valueslistmodel.h"

// Placeholder until the values window lands.
ValuesWindow::ValuesWindow(const QString &storePath, QWidget *parent)
    : QWidget(parent, Qt::Window), m_storePath(storePath), m_model(new ValuesListModel(this))
{
    setObjectName(QStringLiteral("values"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Values [") + storePath + QStringLiteral("]"));
}
