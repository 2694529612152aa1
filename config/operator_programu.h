// The operator as the program (app/) reaches it: what every part may ask of the operator
// (platform/operator.h), and the intents that show the configuration's values and the data-location dialog.
#pragma once

#include <optional>

#include "platform/operator.h"

namespace konw {

class TfrmLokalizacja;
struct DaneJednostki;
enum class Edycja;

class OperatorProgramu : public Operator {
 public:
  // Shows the data-location dialog modally over its state; true when it closes with OK.
  virtual bool showLocationDialog(TfrmLokalizacja& dialog) = 0;
  // The budget unit; none clears it.
  virtual void showUnit(const DaneJednostki* jednostka) = 0;
  // The edition's buttons (none checked for none); no handler runs.
  virtual void showEdition(std::optional<Edycja> edycja) = 0;
};

}  // namespace konw
