// The main window as designed: captions and the controls hidden when the window is created. The Qt
// window builds itself from these, and ScriptedOperator starts from the same state.
#pragma once

#include <array>
#include <string_view>

namespace konw::projekt {

struct Podpis {
  std::string_view control;
  std::string_view caption;
};

// The captions of the budget unit's labels, which the header of a run's logs repeats.
inline constexpr std::string_view kPodpisZwiazku = "Związek JST: ";
inline constexpr std::string_view kPodpisWojewodztwa = "Województwo: ";
inline constexpr std::string_view kPodpisPowiatu = "Powiat: ";
inline constexpr std::string_view kPodpisGminy = "Gmina: ";
inline constexpr std::string_view kPodpisKoduGus = "Kod GUS: ";

inline constexpr std::string_view kTytulOkna = "Kalmiro - przeniesienie danych Paradox-Firebird";

inline constexpr auto kPodpisy = std::to_array<Podpis>({
    // pages of PageControl, in order
    {"TabKonwersja", "Konwersja"},
    {"TabSheetLogi", "Wyniki"},
    {"tsPorownanie", "Porównanie"},
    {"TabOpcje", "Rodzaj konwersji"},
    {"tsListaTabel", "Lista tabel"},
    // pages of PageControlLogi: the summary of the run's tables, then the log pages in category order
    {"TabSheetPodsumowanie", "Podsumowanie"},
    {"TabSheetOgolny", "Ogólny"},
    {"TabSheetDodatInfo", "Dodatkowe informacje"},
    {"TabSheetBledy", "Błędy"},
    {"TabSheetBledyKryt", "Błędy krytyczne"},
    // page "Konwersja"
    {"GroupBoxKonfiguracja", "  Konfiguracja położenia danych "},
    {"lblInterbase", "Położenie danych w formacie Firebird: "},
    {"lblSciezkaInterbase", ""},
    {"lblParadox", "Położenie danych w formacie Paradox:"},
    {"lblSciezkaParadoxa", ""},
    {"lblEtykieta", "Numer wersji danych w formacie Paradox: "},
    {"lblWersjaPdx", ""},
    {"JST", "JST"},
    {"JB", "JB"},
    {"GroupBoxJednostka", "  Informacje o jednostce "},
    {"lblZwiazek", kPodpisZwiazku},
    {"lblWoj", kPodpisWojewodztwa},
    {"lblPow", kPodpisPowiatu},
    {"lblGm", kPodpisGminy},
    {"Label19", kPodpisKoduGus},
    {"lblCzekaj", "Proszę czekać..."},
    {"lblTabela", "Tabela: "},
    {"lblNazwaTabeli", ""},
    {"lblPostepTabeli", ""},
    {"btnKonfig", "Zmień konfigurację położenia &danych"},
    {"btnKonwert", "&Konwertuj"},
    {"btnBreak", "&Przerwij (klawiszem Enter lub spacją)"},
    {"btnClose", "&Zamknij"},
    {"btnZamknijWyniki", "&Zamknij"},
    {"RadioGroup1", "Rodzaj konwersji"},
});

// Value labels of the budget unit, filled from PARAMS by the logic.
inline constexpr auto kEtykietyJednostki = std::to_array<std::string_view>(
    {"txtZwiazek", "txtWoj", "txtPow", "txtGm", "txtWk", "txtPk", "txtGk", "txtGt", "txtTypgminy"});

// Hidden when the window is created (tabs of these pages: see kUkryteZakladki).
inline constexpr auto kUkryteKontrolki =
    std::to_array<std::string_view>({"btnBreak", "PanelPaski", "lblZwiazek", "lblGm", "txtZwiazek", "txtWoj",
                                     "txtPow", "txtGm", "txtWk", "txtPk", "txtGk", "txtGt", "txtTypgminy"});

inline constexpr auto kUkryteZakladki =
    std::to_array<std::string_view>({"TabSheetLogi", "tsPorownanie", "TabOpcje", "tsListaTabel"});

// The memos of the text pages, in the order of Strona: the four log categories, then the structure report.
inline constexpr auto kMemoStrony =
    std::to_array<std::string_view>({"mKomunikaty", "mKomInf", "mKomBl", "mKomBlKr", "mPorownanie"});

// The columns of the summary's list sgPodsumowanie (the first marks a problem table with "!").
inline constexpr auto kKolumnyPodsumowania =
    std::to_array<std::string_view>({"", "Tabela", "Wynik", "Wiersze", "Zweryfikowana", "Sekundy"});

// The progress bars, in the order of Pasek.
inline constexpr auto kPaski = std::to_array<std::string_view>({"PasekCzastkowy", "PasekCalosc"});

// Items of RadioGroup1, the conversion kinds 0..4.
inline constexpr auto kRodzajeKonwersji = std::to_array<std::string_view>(
    {"Wszystko", "Wszystko bez słowników", "Słowniki", "Słowniki bufor (nieaktualne)", "Wybrane tabele  =>"});

}  // namespace konw::projekt
