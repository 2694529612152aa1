// The control-table viewers: what the window TfrmPodTbl shows of a control table, and the rows of a
// control table as a grid edits them, every change posted at once.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/value.h"

namespace db {
class Table;
}

namespace konw {

class TdmKonw;

// A row posted without the value that names it (the grid's first column): the message says which.
class BrakKlucza : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The window of one control table: its caption, the table (null: nothing shown) and how many of its
// leading columns are hidden (IDTF, and for a detail table of ListaTabel also the link TABELA).
struct WidokPodtabeli {
  std::string podpis;
  db::Table* tabela = nullptr;
  int ukryteKolumny = 0;
};

// The window for `tabela`; a detail table's caption names ListaTabel's current TABELA.
WidokPodtabeli PrzygotujPodtabele(TdmKonw& dm, db::Table* tabela, const std::string& podpis,
                                  bool szczegolowa);

// The five viewers of the page "Lista tabel": button, table, caption, whether it is a detail table.
struct PrzyciskPodtabeli {
  const char* przycisk;
  const char* tekst;
  db::Table TdmKonw::*tabela;
  const char* podpis;
  bool szczegolowa;
};
extern const std::vector<PrzyciskPodtabeli> kPrzyciskiPodtabel;

// The columns of ListaTabel that the page "Lista tabel" edits, in order.
extern const std::vector<std::string> kKolumnyListyTabel;

// The rows of an open table as a grid shows them: read once into memory (so that painting never
// moves the table's cursor), each row known by its bookmark. Every edit of a stored row is posted at
// once; a failed one is cancelled and passed on, so no row stays half-edited. A row being inserted
// lives only here, after the stored ones, until it is posted (its first column, the row's name, must
// not be empty) or cancelled.
class SiatkaTabeli {
 public:
  // `kolumny` names the fields shown; empty shows every field after the first `pominiete`.
  SiatkaTabeli(db::Table& tabela, std::vector<std::string> kolumny, int pominiete = 0);

  // Reads the rows again; the table's current row stays.
  void wczytaj();
  int wiersze() const { return static_cast<int>(wartosci_.size()); }
  int kolumny() const { return static_cast<int>(pola_.size()); }
  const std::string& naglowek(int kolumna) const { return pola_.at(static_cast<std::size_t>(kolumna)); }
  bool logiczna(int kolumna) const;
  const db::Value& wartosc(int wiersz, int kolumna) const;
  // The value as the grid shows it ("" for null).
  std::string tekst(int wiersz, int kolumna) const;
  // The row the table's cursor is on; -1 when there is none.
  int biezacy() const;
  // Makes the row current in the table.
  void przejdz(int wiersz);
  // Sets a field from the text typed (converted to the field's type; empty means null) and posts.
  void ustaw(int wiersz, int kolumna, const std::string& tekst);
  void ustawLogiczna(int wiersz, int kolumna, bool wartosc);
  // Appends an empty row being inserted (one at a time); returns its grid row. Nothing is stored yet.
  int dodaj();
  // The grid row being inserted; -1 when there is none.
  int nowy() const { return nowy_ ? wiersze() - 1 : -1; }
  // Stores the row being inserted (a detail table links it to its master's row) and returns its grid row
  // among the stored ones; -1 when nothing was being inserted. A row whose first column is empty is
  // refused with BrakKlucza and stays being inserted; a failed insert is passed on and the row stays too.
  int zatwierdz();
  // Drops the row being inserted, if any.
  void anuluj();
  // Deletes a stored row; the row being inserted is dropped instead.
  void usun(int wiersz);

 private:
  void zapisz(int wiersz, int kolumna, db::Value v);
  int indeksPola(int kolumna) const;

  db::Table& tabela_;
  bool nowy_ = false;
  std::vector<std::string> wybrane_;
  int pominiete_;
  std::vector<std::string> pola_;
  std::vector<int> indeksy_;
  std::vector<db::FieldType> typy_;
  std::vector<std::int64_t> zakladki_;
  std::vector<std::vector<db::Value>> wartosci_;
};

}  // namespace konw
