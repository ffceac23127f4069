// What GDAL reports while a piece of our code runs, collected instead of printed.
#pragma once

#include <cpl_error.h>

#include <string>
#include <vector>

namespace kestrel::gis {

// Collects GDAL's failures and warnings on this thread for its lifetime.
class GdalMessages {
 public:
  GdalMessages() { CPLPushErrorHandlerEx(&collect, this); }
  ~GdalMessages() { CPLPopErrorHandler(); }
  GdalMessages(const GdalMessages&) = delete;
  GdalMessages& operator=(const GdalMessages&) = delete;

  std::vector<std::string> failures;
  std::vector<std::string> warnings;

 private:
  static void CPL_STDCALL collect(CPLErr level, CPLErrorNum, const char* message) {
    auto* self = static_cast<GdalMessages*>(CPLGetErrorHandlerUserData());
    if (level == CE_Failure || level == CE_Fatal)
      self->failures.emplace_back(message);
    else if (level == CE_Warning)
      self->warnings.emplace_back(message);
  }
};

}  // namespace kestrel::gis
