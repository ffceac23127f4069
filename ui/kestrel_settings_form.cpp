#include "ui/kestrel_settings_form.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

#include "ui/dialog_texts.h"
#include "ui/dialog_views.h"

namespace kestrel {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string trimmed(const std::string& s) {
  std::size_t begin = 0, end = s.size();
  while (begin < end && isBlank(s[begin])) ++begin;
  while (end > begin && isBlank(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

// The decimal number at the start of the text, as a C conversion would read it; 0 when none.
// False when the value does not fit a double.
bool leadingValue(const std::string& s, double& value) {
  value = 0.0;
  const auto result =
      std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::fixed);
  if (result.ec == std::errc::result_out_of_range) return false;
  if (result.ec != std::errc()) value = 0.0;
  return std::isfinite(value);
}

}  // namespace

KestrelSettingsForm::KestrelSettingsForm(std::vector<std::string> layerNames,
                                         const std::string (&layers)[kLayerCount],
                                         double shiftDistance, DialogViews* views,
                                         sima::Language language)
    : layerNames_(std::move(layerNames)),
      shiftText_(formatShift(shiftDistance)),
      shiftDistance_(shiftDistance),
      views_(views),
      language_(language) {
  for (int i = 0; i < kLayerCount; ++i) {
    accepted_[i] = layers[i];
    selected_[i] = layerNames_.empty() ? -1 : 0;
    for (std::size_t k = 0; k < layerNames_.size(); ++k)
      if (layerNames_[k] == layers[i]) {
        selected_[i] = static_cast<int>(k);
        break;
      }
    chosen_[i] =
        selected_[i] < 0 ? std::string() : layerNames_[static_cast<std::size_t>(selected_[i])];
  }
}

void KestrelSettingsForm::chooseLayer(int setting, const std::string& name) {
  if (setting < 0 || setting >= kLayerCount) return;
  selected_[setting] = -1;
  for (std::size_t k = 0; k < layerNames_.size(); ++k)
    if (layerNames_[k] == name) {
      selected_[setting] = static_cast<int>(k);
      break;
    }
  chosen_[setting] = name;
}

std::string KestrelSettingsForm::formatShift(double distance) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%0.12f", distance);
  std::string text = buffer;
  while (!text.empty() && text.back() == '0') text.pop_back();
  return text;
}

bool KestrelSettingsForm::parseShift(const std::string& input, double& value) {
  const std::string text = trimmed(input);
  double leading = 0.0;
  if (!leadingValue(text, leading)) return false;
  // A minus sign only passes the character check when the value is not positive; such a value
  // is refused below, so the sign never lets a text through.
  const bool minusIgnored = leading <= 0.0;
  int points = 0;
  for (char c : text) {
    if (c == '.') {
      ++points;
    } else if (c == '-' && minusIgnored) {
      continue;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  if (points > 1) return false;
  value = leading;
  return value > 0.0;
}

bool KestrelSettingsForm::accept() {
  double value = 0.0;
  if (!parseShift(shiftText_, value)) {
    if (views_ != nullptr) {
      const DialogTexts& texts = dialogTexts(language_);
      views_->messageBox(texts.shiftRefused, texts.settingsCaption, ovwin::MessageIcon::Exclamation);
    }
    return false;
  }
  for (int i = 0; i < kLayerCount; ++i) accepted_[i] = chosen_[i];
  shiftDistance_ = value;
  return true;
}

}  // namespace kestrel
