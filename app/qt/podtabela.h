// The control-table grids: the page "Lista tabel" over ListaTabel and the window TfrmPodTbl over one of
// the other control tables. Both edit straight into the tables (control/podtabela.h).
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QTableView>
#include <functional>
#include <memory>

#include "control/podtabela.h"

namespace konw {

class TdmKonw;

// A control table's rows for a view; an edit is posted when the cell's editor closes.
class ModelTabeli : public QAbstractTableModel {
  Q_OBJECT

 public:
  ModelTabeli(db::Table& tabela, std::vector<std::string> kolumny, int pominiete, QObject* parent = nullptr);
  SiatkaTabeli& siatka() { return siatka_; }
  // Reads the rows again.
  void wczytaj();
  int dodaj();
  void usun(int wiersz);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  SiatkaTabeli siatka_;
};

// A grid whose open editor can be posted or cancelled from a navigator.
class SiatkaWidok : public QTableView {
  Q_OBJECT

 public:
  explicit SiatkaWidok(QWidget* parent = nullptr);
  // Posts (true) or cancels (false) the cell being edited, if any.
  void zakonczEdycje(bool zatwierdz);
  // Selects a row and makes it the table's current one.
  void wybierz(int wiersz);
};

// The window of one control table: the grid dbg, the navigator DBNavigator1 and btnClose.
class TfrmPodTbl : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmPodTbl(const WidokPodtabeli& widok, QWidget* parent = nullptr);
  ModelTabeli* model() { return model_.get(); }

  // A cell still being edited is posted when the window closes.
  void done(int result) override;

 private:
  SiatkaWidok* dbg_ = nullptr;
  std::unique_ptr<ModelTabeli> model_;
};

// Shows the window of `tabela` modally and destroys it when it closes (the hourglass meanwhile).
void PokazPodtabele(QWidget* parent, TdmKonw& dm, db::Table* tabela, const std::string& podpis,
                    bool szczegolowa);

// Places on `page` the grid over ListaTabel, its navigator and the five viewer buttons;
// `poZmianieListy` runs after a row was added or deleted.
void zbudujStroneListaTabel(QWidget* page, std::function<TdmKonw*()> dm,
                            std::function<void()> poZmianieListy);

}  // namespace konw
