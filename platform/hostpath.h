// Locations as the product writes them (drive letter, backslashes) mapped onto the host file system.
#pragma once

#include <filesystem>
#include <string>

namespace konw {

// Maps a location to a host path. A Windows location ("C:\KALMIRO\Dane\Konwersja.log") has its drive
// letter resolved through KONWERSJA_DRIVE_<X> (a host directory) or else $WINEPREFIX/dosdevices/<x>:
// (default prefix ~/.wine); backslashes become slashes and every component that does not exist as
// written is matched without regard to case (see findIgnoringCase) against the directory's entries. A network
// share
// ("\\SERWER\Kalmiro\DANE\") is resolved through the variable uncVariable(server, share) names, or
// else as Wine does it, under $WINEPREFIX/dosdevices/unc/<server>/<share>. A plain host path is
// matched the same way component by component. A component that matches nothing is kept as written,
// so the result may name a file still to be created. Never throws.
std::filesystem::path hostPath(const std::string& location);

// The Wine prefix: $WINEPREFIX, else ~/.wine.
std::filesystem::path winePrefix();

// Whether a location is written the Windows way: a drive letter and a colon ("C:", "c:\x").
bool isDriveLocation(const std::string& location);

// Whether a location names a network share: it begins with two backslashes ("\\SERWER\Kalmiro").
bool isUncLocation(const std::string& location);

// The environment variable naming the host directory of the share \\server\share:
// KONWERSJA_UNC_<SERVER>_<SHARE>, both names upper-cased and every character other than an ASCII letter or
// digit (a '-', '.', '$', a space, a non-ASCII letter) written as '_'.
std::string uncVariable(const std::string& server, const std::string& share);

// The entry of `directory` whose name equals `name` ignoring letter case (every letter of Windows-1250:
// "DANE ŁÓDŹ" is "Dane Łódź"); empty when none. An exact match wins over a case-insensitive one.
std::filesystem::path findIgnoringCase(const std::filesystem::path& directory, const std::string& name);

}  // namespace konw
