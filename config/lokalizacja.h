// The data-location dialog's state and handlers, free of any toolkit: the window shows it through
// OperatorProgramu::showLocationDialog and the operator's edits land here. TfrmConvert::ActionZmienKonfig
// fills it, shows it and applies what the operator chose.
#pragma once

#include <stdexcept>
#include <string>

namespace konw {

class TfrmLokalizacja {
 public:
  static constexpr const char* kTytul = "Kalmiro - konfiguracja położenia danych";
  static constexpr const char* kTytulWyboruPliku = "Wybierz katalog zawierający plik Kalmiro.ini";
  static constexpr int kSzerokoscPrzycisku = 20;

  // True while the local mode is chosen.
  bool Lokalnie = false;
  // DEParadox: the Paradox data directory.
  std::string DEParadox;
  // EdServer: the Firebird server name and whether it can be edited.
  std::string EdServer;
  bool EdServerEnabled = true;
  // FEInterBase's browse button width; 0 hides it.
  int FEInterBaseButtonWidth = kSzerokoscPrzycisku;

  bool rbLocalChecked() const { return wybor_ == Wybor::Lokalnie; }
  bool rbServerChecked() const { return wybor_ == Wybor::Serwer; }
  // Checks a radio button the way the operator's click does: its handler runs when the state changes.
  void ZaznaczLokalnie();
  void ZaznaczSerwer();
  void rbLocalClick();
  void rbServerClick();
  // Whether the browse dialog of FEInterBase may open: a file on another machine is typed, not browsed.
  bool FEInterBaseBeforeDialog() const { return Lokalnie; }

  // FEInterBase as the edit shows it: a path holding blanks stands in double quotes.
  const std::string& FEInterBaseText() const { return feTekst_; }
  void setFEInterBaseText(const std::string& text) { feTekst_ = text; }
  // The file name the edit holds (without the quotes); throws NiepoprawnaNazwaPliku for a path with any
  // of < > " [ ] |.
  std::string FileName() const;
  void setFileName(const std::string& path);

 private:
  enum class Wybor { Zaden, Lokalnie, Serwer };
  Wybor wybor_ = Wybor::Zaden;  // the two radio buttons are one group
  std::string feTekst_;
};

// "Niepoprawna nazwa pliku - " + the path.
class NiepoprawnaNazwaPliku : public std::runtime_error {
 public:
  explicit NiepoprawnaNazwaPliku(const std::string& path)
      : std::runtime_error("Niepoprawna nazwa pliku - " + path) {}
};

}  // namespace konw
