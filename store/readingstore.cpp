#include "readingstore.h"

// Placeholder until the store lands.
bool SaveXmlItem(const QString &, const QString &)
{
    return false;
}

void AddXmlNode(QDomElement &parent, const QString &name, const QString &text)
{
    QDomDocument doc = parent.ownerDocument();
    QDomElement e = doc.createElement(name);
    e.appendChild(doc.createTextNode(text));
    parent.appendChild(e);
}

bool DelXmlItem(const QString &, const QStringList &)
{
    return false;
}

StoreItems ReadStoreItems(const QString &)
{
    return {};
}

bool DelXmlItemsAt(const QString &, const QVector<StoreItemRef> &)
{
    return false;
}

StoreResetResult ResetStoreFromTemplate(const QString &, const QString &)
{
    return StoreResetResult::TemplateFailed;
}
