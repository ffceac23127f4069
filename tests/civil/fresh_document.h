// A fresh civil document holding the site "サイト", as every civil and route test starts from;
// the fixture also makes its drawing the working database until the test ends.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"

namespace kestrel::testing {

inline ovcivil::CivilDocument& freshCivilDocument() {
  ovcivil::civilApplication().setActiveDocument(std::make_unique<ovcivil::CivilDocument>());
  ovcivil::civilApplication().activeDocument().addSite("サイト");
  return ovcivil::civilApplication().activeDocument();
}

class FreshCivilDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    freshCivilDocument();
    ovSetWorkingDatabase(&drawing_);
  }
  void TearDown() override { ovSetWorkingDatabase(nullptr); }

  OvDbDatabase drawing_;
};

}  // namespace kestrel::testing
