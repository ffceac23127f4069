// The settings dialog: the five target layers and the shift distance of vertical walls.
#pragma once

#include <string>
#include <vector>

#include "sima/import_run.h"

namespace kestrel {

class DialogViews;

// Layer choices and the shift-distance text with the rule that accepts them.
class KestrelSettingsForm {
 public:
  // Every drop-down lists `layerNames`; each selects its stored name, or the first entry when
  // the list lacks it. Refusals are shown through `views` when given, in `language`.
  KestrelSettingsForm(std::vector<std::string> layerNames, const std::string (&layers)[kLayerCount],
                      double shiftDistance, DialogViews* views = nullptr,
                      sima::Language language = sima::Language::Japanese);

  const std::vector<std::string>& layerNames() const { return layerNames_; }
  // The entry selected in drop-down `setting`; −1 when nothing is (an empty list, or a name typed
  // that the list lacks).
  int selectedIndex(int setting) const { return selected_[setting]; }
  // The layer name drop-down `setting` shows.
  const std::string& layer(int setting) const { return chosen_[setting]; }
  // Picks a layer: the matching entry, or the name as typed when the list lacks it.
  void chooseLayer(int setting, const std::string& name);

  const std::string& shiftText() const { return shiftText_; }
  void setShiftText(const std::string& text) { shiftText_ = text; }

  // "設定": true when the shift text is a number above 0 (the dialog closes); else shows
  // "0より大きい値を指定してください。" (or its English) and stays open.
  bool accept();

  // The accepted values.
  const std::string& acceptedLayer(int setting) const { return accepted_[setting]; }
  double shiftDistance() const { return shiftDistance_; }

  // "%0.12f" with the trailing "0" characters removed: 5 → "5.", 0.0001 → "0.0001".
  static std::string formatShift(double distance);
  // The shift-distance rule; true and the value when the text is acceptable.
  static bool parseShift(const std::string& text, double& value);

 private:
  std::vector<std::string> layerNames_;
  int selected_[kLayerCount] = {};
  std::string chosen_[kLayerCount];
  std::string accepted_[kLayerCount];
  std::string shiftText_;
  double shiftDistance_;
  DialogViews* views_;
  sima::Language language_;
};

}  // namespace kestrel
