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
  // A row being inserted: shown at the end, stored only by zatwierdz.
  int dodaj();
  // Stores the row being inserted and returns its row; -1 when there was none; throws BrakKlucza
  // (nothing stored) when its first column is empty.
  int zatwierdz();
  void anuluj();
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
  // Stores the row being inserted, if any, and selects it; a row without its name is refused with a
  // message and stays selected. False when the row is still being inserted.
  bool zatwierdzWstawiany();
  // Drops the row being inserted, if any, and selects the row that was current before it.
  void anulujWstawiany();

 protected:
  // Escape outside a cell editor drops the row being inserted (and goes no further).
  void keyPressEvent(QKeyEvent* event) override;

 private:
  ModelTabeli* modelTabeli() const;
};

// Makes `widok` a grid over `model`: the selected row becomes the table's current one, and leaving the
// row being inserted stores it.
void polaczSiatke(SiatkaWidok* widok, ModelTabeli* model);

// The window of one control table: the grid dbg, the navigator DBNavigator1 and btnClose.
class TfrmPodTbl : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmPodTbl(const WidokPodtabeli& widok, QWidget* parent = nullptr);
  ModelTabeli* model() { return model_.get(); }

  // A cell still being edited, and a row being inserted, are posted when the window closes; a row
  // that cannot be stored keeps the window open.
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
