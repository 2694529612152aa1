#include "app/scripted/scripted_operator.h"

#include <algorithm>

#include "app/widok/projekt_okna.h"

namespace konw {

ScriptedOperator::ScriptedOperator() {
  for (const auto& p : projekt::kPodpisy) captions_[std::string(p.control)] = std::string(p.caption);
  for (auto name : projekt::kUkryteKontrolki) hidden_.insert(std::string(name));
  for (auto name : projekt::kUkryteZakladki) hiddenTabs_.insert(std::string(name));
}

Button ScriptedOperator::messageBox(MsgKind kind, const std::string& caption, const std::string& text,
                                    unsigned buttons, Button defaultButton) {
  boxes_.push_back({kind, caption, text, buttons, defaultButton});
  if (!answers_.empty()) {
    Button b = answers_.front();
    answers_.pop_front();
    return b;
  }
  if (defaultButton != kNone) return defaultButton;
  // No default named: the first button of the box, as a system box does.
  for (Button b : {kOk, kYes, kNo, kCancel})
    if (buttons & b) return b;
  return kNone;
}

void ScriptedOperator::processMessages() {
  ++processMessagesCalls;
  if (onProcessMessages) onProcessMessages();
}

std::string ScriptedOperator::caption(const std::string& control) const {
  auto it = captions_.find(control);
  return it == captions_.end() ? std::string() : it->second;
}

void ScriptedOperator::setVisible(const std::string& control, bool visible) {
  if (visible)
    hidden_.erase(control);
  else
    hidden_.insert(control);
}

void ScriptedOperator::setEnabled(const std::string& control, bool enabled) {
  if (enabled)
    disabled_.erase(control);
  else
    disabled_.insert(control);
}

void ScriptedOperator::setChecked(const std::string& control, bool checked) {
  // The edition buttons are one group: checking one clears the other.
  if (checked && (control == "JST" || control == "JB")) checked_.erase(control == "JST" ? "JB" : "JST");
  if (checked)
    checked_.insert(control);
  else
    checked_.erase(control);
}

void ScriptedOperator::setTabVisible(const std::string& page, bool visible) {
  if (visible)
    hiddenTabs_.erase(page);
  else
    hiddenTabs_.insert(page);
}

void ScriptedOperator::setActivePage(const std::string& page) {
  if (page == "TabSheetPodsumowanie" || page == "TabSheetOgolny" || page == "TabSheetDodatInfo" ||
      page == "TabSheetBledy" || page == "TabSheetBledyKryt")
    activeLogPage_ = page;
  else
    activePage_ = page;
}

const std::vector<std::string>& ScriptedOperator::memo(const std::string& name) const {
  static const std::vector<std::string> kEmpty;
  auto it = memos_.find(name);
  return it == memos_.end() ? kEmpty : it->second;
}

void ScriptedOperator::setProgressRange(const std::string& bar, int min, int max) {
  Bar& b = progress_[bar];
  b.min = min;
  b.max = max;
  b.pos = std::clamp(b.pos, min, std::max(min, max));
}

const std::vector<std::vector<std::string>>& ScriptedOperator::listRows(const std::string& list) const {
  static const std::vector<std::vector<std::string>> kEmpty;
  auto it = lists_.find(list);
  return it == lists_.end() ? kEmpty : it->second.rows;
}

const std::vector<bool>& ScriptedOperator::listMarked(const std::string& list) const {
  static const std::vector<bool> kEmpty;
  auto it = lists_.find(list);
  return it == lists_.end() ? kEmpty : it->second.marked;
}

int ScriptedOperator::progressPosition(const std::string& bar) const {
  auto it = progress_.find(bar);
  return it == progress_.end() ? 0 : it->second.pos;
}

int ScriptedOperator::progressMin(const std::string& bar) const {
  auto it = progress_.find(bar);
  return it == progress_.end() ? 0 : it->second.min;
}

int ScriptedOperator::progressMax(const std::string& bar) const {
  auto it = progress_.find(bar);
  return it == progress_.end() ? 100 : it->second.max;
}

void ScriptedOperator::stepProgress(const std::string& bar) {
  Bar& b = progress_[bar];
  // A step past the end wraps to the start, as the window's bar does.
  b.pos = b.pos + 1 > b.max ? b.min : b.pos + 1;
}

// ---- report, location dialog, viewers

std::string ScriptedOperator::memoText(const std::string& memo) const {
  std::string text;
  const auto& lines = this->memo(memo);
  for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
  return text;
}

std::string ScriptedOperator::saveFileName(const std::string& proposedName,
                                           const std::string& defaultExtension, const std::string& filter) {
  saveQuestions.push_back({proposedName, defaultExtension, filter});
  if (saveAnswers_.empty()) return {};
  std::string file = saveAnswers_.front();
  saveAnswers_.pop_front();
  return file;
}

bool ScriptedOperator::showLocationDialog(TfrmLokalizacja& dialog) {
  ++locationDialogs;
  return onLocationDialog ? onLocationDialog(dialog) : false;
}

}  // namespace konw
