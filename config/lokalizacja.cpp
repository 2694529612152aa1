#include "config/lokalizacja.h"

namespace konw {

void TfrmLokalizacja::ZaznaczLokalnie() {
  if (wybor_ == Wybor::Lokalnie) return;
  wybor_ = Wybor::Lokalnie;
  rbLocalClick();
}

void TfrmLokalizacja::ZaznaczSerwer() {
  if (wybor_ == Wybor::Serwer) return;
  wybor_ = Wybor::Serwer;
  rbServerClick();
}

void TfrmLokalizacja::rbLocalClick() {
  const bool lokalnie = rbLocalChecked();
  Lokalnie = lokalnie;
  EdServer = lokalnie ? "localhost" : "";
  EdServerEnabled = !lokalnie;
  FEInterBaseButtonWidth = lokalnie ? kSzerokoscPrzycisku : 0;
}

void TfrmLokalizacja::rbServerClick() {
  const bool lokalnie = !rbServerChecked();
  Lokalnie = lokalnie;
  EdServer = lokalnie ? "localhost" : "";
  EdServerEnabled = !lokalnie;
  FEInterBaseButtonWidth = lokalnie ? kSzerokoscPrzycisku : 0;
}

namespace {

void sprawdzNazwePliku(const std::string& path) {
  if (path.find_first_of("<>\"[]|") != std::string::npos) throw NiepoprawnaNazwaPliku(path);
}

}  // namespace

std::string TfrmLokalizacja::FileName() const {
  std::string path = feTekst_;
  // A quoted path comes back whole, blanks included; an unquoted one is taken as typed.
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  sprawdzNazwePliku(path);
  return path;
}

void TfrmLokalizacja::setFileName(const std::string& path) {
  sprawdzNazwePliku(path);
  feTekst_ = path.find(' ') != std::string::npos ? "\"" + path + "\"" : path;
}

}  // namespace konw
