// Validates a LandXML file with xmllint against the LandXML 1.2 schema.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/run_host.h"

namespace kestrel::testing {

struct SchemaCheck {
  bool valid = false;
  std::string output;
};

inline SchemaCheck validateLandXml(const std::string& path) {
  const std::string schema = LANDXML_SCHEMA;
  // A missing checker fails the test: a schema check that quietly does not run proves nothing.
  if (!std::filesystem::exists(schema) || runCommand("command -v xmllint").status != 0)
    return {false, "xmllint or " + schema + " is not available"};
  const HostResult run = runCommand("xmllint --noout --schema " + quotedPath(schema) + " " +
                                    quotedPath(path) + " 2>&1");
  return {run.status == 0, run.out};
}

}  // namespace kestrel::testing
