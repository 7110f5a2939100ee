#include "app/vendor_links.h"

#include "app/vendor_contact.h"

#include <QUrlQuery>

namespace tw::app {

QUrl QQChatUrl(const QString& qqNumber) {
    QUrl url;
    url.setScheme("https");
    url.setHost(QQChatHost);
    url.setPath("/msgrd");
    QUrlQuery query;
    query.addQueryItem("v", "3");
    query.addQueryItem("uin", qqNumber);
    query.addQueryItem("site", "qq");
    query.addQueryItem("menu", "yes");
    url.setQuery(query);
    return url;
}

QUrl VendorSiteUrl() {
    return QUrl(QString("https://") + VendorWebAddress);
}

QUrl SupportEndpointUrl() {
    QUrl url;
    const QString over = qEnvironmentVariable("TARNWELL_SUPPORT_URL");
    if (!over.isEmpty()) {
        url = QUrl(over);
    } else {
        url.setScheme(SupportScheme);
        url.setHost(SupportHost);
        url.setPort(SupportPort);
    }
    url.setPath("/index.php");
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

} // namespace tw::app
