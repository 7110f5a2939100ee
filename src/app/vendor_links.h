#pragma once

#include <QUrl>

namespace tw::app {

/// The QQ messenger's chat with a QQ number: https://wpa.qq.com/msgrd?v=3&uin=N&site=qq&menu=yes,
/// keys in this order. Opened with QDesktopServices::openUrl, as every vendor link is.
QUrl QQChatUrl(const QString& qqNumber);
/// The vendor's web site: https:// + VendorWebAddress.
QUrl VendorSiteUrl();
/// The support endpoint's "/index.php" without a query: SupportScheme://SupportHost:SupportPort,
/// or the scheme, host and port of TARNWELL_SUPPORT_URL when that is set (its path is
/// replaced).
QUrl SupportEndpointUrl();

} // namespace tw::app
