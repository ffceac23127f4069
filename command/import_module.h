// The module's side of its conversation with the host: module-wide state from load to unload.
#pragma once

#include "io/text_encoding.h"
#include "module_api/import_module.h"
#include "sima/export.h"
#include "sima/messages.h"

namespace kestrel {

class KestrelImportModule : public module::ImportModule {
 public:
  module::Conversation& conversation() override { return conversation_; }
  bool setInputEncoding(const std::string& choice) override;
  void setTolerantReading(bool tolerant) override { tolerant_ = tolerant; }
  bool scan(const std::string& path, module::ScanReport& report) override;
  module::SurveyPointTable surveyPointTable() const override;
  bool checkShiftDistance(const std::string& text, std::string& refusal) const override;

  // The input encoding the host chose.
  io::EncodingChoice encodingChoice() const { return encoding_; }
  // Whether the host asked for a tolerant reading.
  bool tolerantReading() const { return tolerant_; }
  // Back to the state of a freshly loaded module.
  void reset();

 private:
  module::Conversation conversation_;
  io::EncodingChoice encoding_ = io::EncodingChoice::Auto;
  bool tolerant_ = false;
};

// The module's one instance.
KestrelImportModule& importModule();

// The message language of the thread locale: Japanese for the Japanese locale, else English.
sima::Language threadLanguage();

}  // namespace kestrel

extern "C" {
// How a host finds the module's side of the conversation (kestrel::module::kImportModuleSymbol).
KESTREL_EXPORT kestrel::module::ImportModule* kestrelImportModule();
}
