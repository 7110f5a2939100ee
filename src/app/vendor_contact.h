#pragma once

namespace tw::app {

/// How users reach the vendor: shown in the drive dialog's contact line and wherever else
/// the program offers help with an unrecognised volume.
constexpr const char* VendorWebAddress = "www.tarnwell.example";
constexpr const char* VendorChatNumber = "800 123 456";
constexpr const char* VendorPhone = "+1 555 0100";
/// The chat link a click on a contact line opens in the web browser.
constexpr const char* VendorChatLink = "https://www.tarnwell.example/chat";

/// QQ numbers: the vendor's (welcome dialog) and customer service's (support request form).
constexpr const char* VendorQQNumber = "800123456";
constexpr const char* ServiceQQNumber = "800123457";
/// The QQ messenger's chat address: host of https://HOST/msgrd?v=3&uin=N&site=qq&menu=yes.
constexpr const char* QQChatHost = "wpa.qq.com";
/// The two addresses the about box offers for updates.
constexpr const char* VendorUpdateAddress1 = "https://www.tarnwell.example/download";
constexpr const char* VendorUpdateAddress2 = "https://tarnwell.example/updates";
/// Where support requests go (path /index.php); the environment variable
/// TARNWELL_SUPPORT_URL replaces scheme, host and port.
constexpr const char* SupportScheme = "https";
constexpr const char* SupportHost = "support.tarnwell.example";
constexpr int SupportPort = 443;

} // namespace tw::app
