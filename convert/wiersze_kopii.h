// The rows of a table copy: which parameter of the INSERT each Paradox field goes to and by which rule,
// and the loop that sends the rows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/engine.h"

namespace konw {

class SumaWierszy;
class TdmKonw;

// What a source field's value goes through on its way into its parameter.
enum class Regula : std::uint8_t {
  Zwykla,         // unchanged, a null stays null
  SpacjaDlaNull,  // a null becomes " "
  PustyDlaNull,   // a null becomes ""
  TakNie,         // "T" for true, "N" for false or null
  Klucz,          // a null becomes the key replacement of the source type
  Pogrub,         // "T" when the text is exactly "T", else "N"
  Uwagi,          // null when nothing but blanks and control characters
  PierwszyZnak,   // first character of the text
  DwaZnaki,       // first two characters of the text
};

// A copied source field: where it goes and how, worked out once per table.
struct Wiazanie {
  int pole = 0;      // position in the source table
  int parametr = 0;  // position of the target column among the INSERT's, which is also its parameter's
  Regula regula = Regula::Zwykla;
  db::Value zamiennikNull;  // Klucz: the value in place of a null
  // A column that keeps bytes (OCTETS, NONE, a binary blob): text goes as this source table's own
  // code-page bytes, as the old engine handed it over, not as the program's UTF-8.
  const db::Dataset* bajtyZ = nullptr;
};

// Puts the INSERT into the Firebird table (every column but the computed ones) into qryTemp, with the
// S_BILANSPOZ constants, and works out once where every source field goes and by which rule, so that the
// row loop does no lookups.
std::vector<Wiazanie> PrzygotujInsert(TdmKonw& dm, db::Table& zrodlo, const std::string& tabelaPdx,
                                      const std::string& tabelaIb);
// The value `v` of a source field into its parameter, by the field's rule.
void UstawParametr(db::Param& p, const Wiazanie& w, const db::Value& v);

// Inserts `liczba` rows of `zrodlo` from its first through the prepared INSERT. A refused row of
// BILTOBESTIAMAP without TYPSPR is left out (`typspr`): Firebird does not accept it. After each row
// `poWierszu` tells whether to go on; the rows read before it stops are all in when this returns.
// A large table travels in batches (through a server); a refused row is then reported after later rows
// were read, so whether it may be left out is noted for every row as it is read. The error of a refused
// row names it through `opisWiersza` (its position from 0). The largest `autoinc` of the rows read is
// kept in `najwiekszy`.
void KopiujWiersze(db::Table& zrodlo, db::Query& insert, const std::vector<Wiazanie>& wiazania,
                   std::int32_t liczba, const db::Field* typspr, const db::Field* autoinc,
                   std::int64_t& najwiekszy, SumaWierszy* suma, const std::function<bool()>& poWierszu,
                   const std::function<std::string(std::uint64_t)>& opisWiersza);

// "Rekord nr N tabeli P (klucz: A=1, B=x)": the source row at `wiersz` (from 0), its key fields read
// again from the table. Only for an error, so the walk to the row costs nothing in a copy.
std::string OpisRekordu(db::Table& zrodlo, const std::string& tabelaPdx, std::uint64_t wiersz);
// The same of the row `zrodlo` stands on, which is the one at `wiersz`.
std::string OpisBiezacegoRekordu(db::Table& zrodlo, const std::string& tabelaPdx, std::uint64_t wiersz);

}  // namespace konw
