#include "convert/inni.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "db/engine.h"
#include "platform/hostpath.h"
#include "platform/text.h"

namespace konw {

std::vector<std::string> InnePolaczenia(db::Database& baza) {
  db::Query q;
  q.setDatabase(&baza);
  q.addSql(
      "SELECT TRIM(MON$USER), TRIM(MON$REMOTE_ADDRESS), TRIM(MON$REMOTE_PROCESS) FROM MON$ATTACHMENTS "
      "WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND COALESCE(MON$SYSTEM_FLAG, 0) = 0");
  q.open();
  std::vector<std::string> linie;
  for (; !q.eof(); q.next()) {
    const auto tekst = [&](int k) {
      return q.field(k).isNull() ? std::string() : trim(q.field(k).asString());
    };
    std::string linia = "użytkownik " + tekst(0);
    if (const std::string adres = tekst(1); !adres.empty()) linia += ", adres " + adres;
    if (const std::string program = tekst(2); !program.empty()) linia += ", program " + program;
    linie.push_back(std::move(linia));
  }
  q.close();
  return linie;
}

std::vector<std::string> PlikiBlokad(const std::string& katalog) {
  std::vector<std::string> pliki;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(hostPath(katalog), ec)) {
    const std::string nazwa = e.path().filename().string();
    const std::string duze = upperAscii(nazwa);
    if (duze == "PDOXUSRS.NET" || (duze.size() > 4 && duze.ends_with(".LCK"))) pliki.push_back(nazwa);
  }
  std::ranges::sort(pliki);
  return pliki;
}

}  // namespace konw
