// The page tsPorownanie: the comparison report's memo and its three buttons.
#pragma once

#include <QWidget>
#include <functional>

namespace konw {

class TfrmConvert;

// Places the memo mPorownanie and the buttons btnPorownaj, btnErrAllowPorow and btnZapiszPorownanie on
// `page`; the buttons call the logic that `logika` returns (nothing while it is null).
void zbudujStronePorownanie(QWidget* page, std::function<TfrmConvert*()> logika);

// A filter written as "description|pattern|description|pattern" in the file dialog's form.
QString filtrDialogu(const std::string& filter);

}  // namespace konw
