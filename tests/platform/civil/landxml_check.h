// Validates a LandXML file with xmllint against the LandXML 1.2 schema.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace kestrel::testing {

struct SchemaCheck {
  bool valid = false;
  std::string output;
};

inline SchemaCheck validateLandXml(const std::string& path) {
  SchemaCheck check;
  const std::string schema = LANDXML_SCHEMA;
  // A missing checker fails the test: a schema check that quietly does not run proves nothing.
  if (!std::filesystem::exists(schema) || std::system("command -v xmllint >/dev/null 2>&1") != 0) {
    check.output = "xmllint or " + schema + " is not available";
    return check;
  }
  const std::string command = "xmllint --noout --schema '" + schema + "' '" + path + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    check.output = "cannot run xmllint";
    return check;
  }
  std::array<char, 512> buffer{};
  while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) check.output += buffer.data();
  check.valid = pclose(pipe) == 0;
  return check;
}

}  // namespace kestrel::testing
