#include "windowrole.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace {

QAccessibleInterface *windowInterface(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    // The program's windows are classes of its own made straight on QWidget. Qt's dialogs, menus
    // and pop-ups keep their interfaces, and so does a label that is parentless for a moment while
    // a layout is filled: an interface, once made, is kept for the object's life.
    const QMetaObject *own = object->metaObject();
    if (!widget || className != QLatin1String(own->className()) ||
        own->superClass() != &QWidget::staticMetaObject || widget->windowType() != Qt::Window)
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

void announceWindowsAsWindows()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(windowInterface);
}
