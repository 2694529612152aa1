// The product's tables as the demo installation ships them: the Paradox side, its Firebird
// counterpart, and what the control tables say about the pair.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/driver.h"
#include "db/paradox/writer.h"
#include "tools/demo/rng.h"

namespace konw::demo {

// One Firebird column: its name and its SQL type (with NOT NULL where the key needs it).
struct FbColumn {
  std::string name;
  std::string sql;
};

// A difference the control tables accept (ListaTabelRozmiary / ListaTabelKolejnosc rows).
struct AcceptedSize {
  std::string fbField;
  int pdxSize;
  int fbSize;
};
struct AcceptedOrder {
  std::string fbField;
  int pdxNumber;  // 0: the field may be missing from Paradox
  int fbNumber;
};

struct DemoTable {
  std::string pdx;     // Paradox table name, file pdx + ".DB"
  std::string fb;      // Firebird table name; "" when Firebird has no such table
  std::string subdir;  // "" (data directory), "BUFOR" or "BUFOR/JO"
  db::paradox::TableSpec tdef;

  std::vector<FbColumn> fbColumns;
  std::vector<std::string> fbPrimary;
  std::vector<std::vector<std::string>> fbIndexes;
  std::string fbCheck;       // an extra table constraint, SQL text
  std::string autoIncField;  // Paradox + field; with it the Firebird table gets a generator and a trigger

  bool writePdx = true;  // false: the Paradox file is absent (a listed table the unit never used)
  bool listed = true;    // a ListaTabel row
  bool skipped = false;  // a ListaTabelSkip row
  bool dictionary = false;
  bool dizez = false;  // belongs to the JB edition too (also written to the JB data set)
  bool large = false;  // scaled by the --rows count
  std::string dictKey, dictKeyIb;

  std::vector<std::pair<std::string, std::string>> fieldMap;  // Paradox name -> Firebird name
  std::vector<AcceptedSize> sizes;
  std::vector<AcceptedOrder> orders;
  std::vector<std::string> skipFbIndexes;   // Firebird keys Paradox lacks, accepted
  std::vector<std::string> skipPdxIndexes;  // Paradox keys Firebird lacks, accepted
  bool skipNoIndex = false;                 // a Firebird table without any index, accepted

  std::vector<db::Row> rows;  // Paradox rows
  // Large tables make their rows only when they are written, so that one table at a time is in memory.
  std::function<void(DemoTable&)> fill;
  std::vector<db::Row>
      productOnly;  // dictionary entries the product ships and the user removed (Paradox order)
  // Entries (by row number) whose text the user changed; Firebird keeps the product's wording.
  std::vector<std::size_t> changedByUser;
  // Entries (by row number) the user added; Firebird has them not.
  std::vector<std::size_t> addedByUser;

  std::string trigger() const { return autoIncField.empty() || fb.empty() ? "" : fb + "_BI"; }
  std::string generator() const { return autoIncField.empty() || fb.empty() ? "" : "GEN_" + fb + "_ID"; }
};

// Fields from a compact list "NAME:TYPE[size],..." (e.g. "ID:+,ROK:A4,KWOTA:N,OPIS:M20").
std::vector<db::paradox::FieldSpec> fieldList(const std::string& text);
// A table of the catalogue named `pdx` in Paradox and `fb` in Firebird, with the fields of the list
// `fields` (as fieldList reads it), the first `keyFields` of them its Paradox key.
DemoTable demoTable(std::string pdx, std::string fb, const std::string& fields, int keyFields);

// Firebird columns that mirror the Paradox fields one to one, renamed through fieldMap; key fields NOT NULL.
std::vector<FbColumn> mirrorColumns(const DemoTable& t);
// The Firebird type that faithfully holds a Paradox field.
std::string fbTypeFor(const db::paradox::FieldSpec& f);

// Index of a Firebird column by name; -1 when absent.
int fbColumnIndex(const DemoTable& t, const std::string& name);
// The Firebird name of a Paradox field through fieldMap.
std::string fbNameOf(const DemoTable& t, const std::string& pdxField);

// The tables of one installation. `rows` is the number of rows of the large tables together;
// `jb` builds the smaller data set of the JB edition (only tables that belong to it).
std::vector<DemoTable> buildCatalogue(std::int64_t rows, bool jb);

// Parts of the catalogue, by kind.
void addUnitTables(std::vector<DemoTable>& out, bool jb);
void addDictionaries(std::vector<DemoTable>& out);
void addBudgetTables(std::vector<DemoTable>& out, std::int64_t rows, bool jb);
void addOtherTables(std::vector<DemoTable>& out);

// Shared sample data: the budget classification used by dictionaries and plans alike.
struct Chapter {
  const char* dzial;
  const char* rozdzial;
  const char* nazwaDzialu;
  const char* nazwaRozdzialu;
};
struct Paragraph {
  const char* par;  // three digits
  const char* nazwa;
  char typ;  // 'D' revenue, 'W' expenditure
};
const std::vector<Chapter>& chapters();
const std::vector<Paragraph>& paragraphs();

}  // namespace konw::demo
