#pragma once

namespace tw::app {

/// How users reach the vendor: shown in the drive dialog's contact line and wherever else
/// the program offers help with an unrecognised volume.
constexpr const char* VendorWebAddress = "www.tarnwell.example";
constexpr const char* VendorChatNumber = "800 123 456";
constexpr const char* VendorPhone = "+1 555 0100";
/// The chat link a click on a contact line opens in the web browser.
constexpr const char* VendorChatLink = "https://www.tarnwell.example/chat";

} // namespace tw::app
