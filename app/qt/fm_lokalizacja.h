// The dialog frmLokalizacja: shows the location dialog's state (config/lokalizacja.h) and writes the
// operator's edits back into it.
#pragma once

#include <QDialog>

class QLineEdit;
class QRadioButton;
class QToolButton;

namespace konw {

class TfrmLokalizacja;

class FmLokalizacja : public QDialog {
  Q_OBJECT

 public:
  explicit FmLokalizacja(QWidget* parent = nullptr);
  // Shows `stan` modally; true when closed with OK. The edits are in `stan` either way.
  bool pokaz(TfrmLokalizacja& stan);

 private:
  // Brings the controls in line with the state (after filling and after a radio handler).
  void odswiez();
  void przegladajKatalog();
  void przegladajPlik();

  TfrmLokalizacja* stan_ = nullptr;
  QLineEdit* paradox_ = nullptr;
  QLineEdit* serwer_ = nullptr;
  QLineEdit* plik_ = nullptr;
  QRadioButton* lokalnie_ = nullptr;
  QRadioButton* serwerRb_ = nullptr;
  QToolButton* przyciskPliku_ = nullptr;
  bool odswiezanie_ = false;
};

}  // namespace konw
