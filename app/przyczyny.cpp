#include "app/przyczyny.h"

#include <cctype>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include "platform/hostpath.h"
#include "platform/ini.h"
#include "platform/text.h"

namespace konw {

namespace fs = std::filesystem;

namespace {

bool istnieje(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec);
}

std::string tekstBledu() {
  try {
    if (std::exception_ptr e = std::current_exception()) std::rethrow_exception(e);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
  }
  return {};
}

}  // namespace

std::string PrzyczynaBrakuLokalizacji(const std::string& location) {
  if (location.empty()) return {};
  const fs::path host = hostPath(location);
  if (istnieje(host)) return {};
  if (isDriveLocation(location)) {
    const char litera = static_cast<char>(std::toupper(static_cast<unsigned char>(location[0])));
    const std::string zmienna = std::string("KONWERSJA_DRIVE_") + litera;
    if (const char* v = std::getenv(zmienna.c_str()); v && *v) {
      if (!istnieje(v))
        return "dysk " + std::string(1, litera) + ": wskazuje zmienna " + zmienna + " na katalog " + v +
               ", którego nie ma";
    } else {
      const fs::path link = winePrefix() / "dosdevices" / (lowerAscii(std::string(1, litera)) + ":");
      if (!istnieje(link))
        return "dysk " + std::string(1, litera) +
               ": nie jest przypisany do żadnego katalogu (brak zmiennej " + zmienna + " i brak " +
               link.string() + " w prefiksie Wine)";
    }
  }
  return "nie istnieje " + location +
         (host.string() == location ? std::string() : " (" + host.string() + ")");
}

std::string PrzyczynaBrakuWinIni() {
  const fs::path plik = profileFilePath("WIN.INI");
  if (istnieje(plik)) return {};
  return "Nie ma pliku WIN.INI: szukano " + plik.string() +
         ".\r\nWIN.INI wskazuje opcja --winini (konwersja-cli) albo zmienna KONWERSJA_WININI; bez nich jest "
         "to drive_c/windows/win.ini prefiksu Wine (zmienna WINEPREFIX, domyślnie ~/.wine).";
}

bool BazaZajetaPrzezInnyProgram() {
  const std::string t = tekstBledu();
  return t.find("already opened with engine instance") != std::string::npos ||
         t.find("lock\" operation for file") != std::string::npos;
}

std::string PrzyczynaBledu(const std::string& SciezkaInterbase) {
  if (BazaZajetaPrzezInnyProgram())
    return "baza danych Firebird " + SciezkaInterbase +
           " jest otwarta przez inny program na tym komputerze (np. drugie okno konwersji albo program "
           "korzystający z niej bez serwera); można ją otworzyć dopiero po jego zamknięciu";
  std::string t = tekstBledu();
  if (const auto eol = t.find_first_of("\r\n"); eol != std::string::npos) t.resize(eol);
  return t;
}

}  // namespace konw
