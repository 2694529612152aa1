// The commit of a table copy.
#include "convert/zatwierdzenie.h"

#include "control/konwersja_dm.h"
#include "platform/text.h"

namespace konw {

WynikZatwierdzenia ZatwierdzKopie(TdmKonw& dm, const std::string& tabelaIb,
                                  const std::optional<StanZapisanej>& stan,
                                  const std::optional<std::string>& skopiowane) {
  WynikZatwierdzenia w;
  try {
    dm.DBi.commit();
    return w;
  } catch (const db::EngineError&) {
    w.blad = std::current_exception();
  }
  dm.DBi.rollback();
  w.stan = Zatwierdzenie::Nieznane;
  for (int proba = 0; proba < 2 && w.stan == Zatwierdzenie::Nieznane; ++proba) {
    try {
      if (proba > 0) {
        dm.DBi.disconnect();
        dm.DBi.connect();
      }
      dm.DBi.startTransaction({upperAscii(tabelaIb)});
      bool zatwierdzone = false;
      if (stan) {
        zatwierdzone = TakiSam(OdczytajStan(dm.DBi, *stan), *stan);
      } else {
        db::Query q;
        q.setDatabase(&dm.DBi);
        OtworzSql(q, "SELECT COUNT(*) FROM " + tabelaIb);
        zatwierdzone = std::to_string(q.field(0).asInteger()) == skopiowane.value_or("0");
      }
      dm.DBi.rollback();
      w.stan = zatwierdzone ? Zatwierdzenie::Zatwierdzone : Zatwierdzenie::Wycofane;
    } catch (const db::EngineError&) {
      dm.DBi.rollback();
      // Read again on a new connection; after that the outcome stays unknown.
    }
  }
  return w;
}

}  // namespace konw
