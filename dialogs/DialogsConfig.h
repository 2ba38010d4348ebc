#pragma once
// Addresses that belong to whoever ships Harvex, set when building (CMake cache variables
// HARVEX_UPDATE_URL, HARVEX_HOMEPAGE_URL, HARVEX_CONTACT_MAIL, HARVEX_INSTALL_URL).
// The update server's base URL may also be given at run time in the environment variable
// HARVEX_UPDATE_URL.

#include <QString>

namespace DialogsConfig {

QString UpdateBaseUrl();        // without a trailing '/'; "/update/version.txt" is appended
QString HomepageUrl();          // the "Homepage" link of the help window
QString ContactMail();          // the "author" link of the help window (mail address)
QString InstallInstructions();  // the missing-files window's "here"

}  // namespace DialogsConfig
