// Saving a drawing database as DXF R2013 (AC1027, UTF-8 text) through a sink.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/drawing_database.h"

// Where the DXF writer puts its bytes.
class DxfSink {
 public:
  virtual ~DxfSink() = default;
  // Takes the next bytes; false when they could not be stored (the writer stops).
  virtual bool write(std::string_view bytes) = 0;
  // Why the last write failed.
  virtual std::string errorText() const { return "write failed"; }
};

// Collects the bytes in memory (tests, previews).
class DxfStringSink : public DxfSink {
 public:
  bool write(std::string_view bytes) override {
    text_.append(bytes);
    return true;
  }
  // Everything written so far.
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// Streams to a temporary file beside the target, renamed into place by commit().
class DxfFileSink : public DxfSink {
 public:
  // Creates the temporary file; ok() tells whether that worked.
  explicit DxfFileSink(const std::string& targetPath);
  // Removes the temporary file unless committed.
  ~DxfFileSink() override;
  DxfFileSink(const DxfFileSink&) = delete;
  DxfFileSink& operator=(const DxfFileSink&) = delete;
  // True while the file is open and every write succeeded.
  bool ok() const { return descriptor_ >= 0 && error_.empty(); }
  bool write(std::string_view bytes) override;
  std::string errorText() const override { return error_; }
  // Closes the temporary file and renames it to the target; false (with errorText) on failure.
  bool commit();

 private:
  std::string targetPath_;
  std::string temporaryPath_;
  std::string error_;
  int descriptor_ = -1;
  bool committed_ = false;
};

// Writes the drawing as DXF into a sink; false with a reason in error when the sink failed.
bool writeDxf(const OvDbDatabase& database, DxfSink& sink, std::string* error);

// Saves the drawing as a DXF file, written to a temporary file in the same folder and renamed into
// place; false with "<path>: <reason>" in error, leaving any earlier file at path as it was.
bool saveDxf(const OvDbDatabase& database, const std::string& path, std::string* error);

// The names layers (or applications) get in the file, by position: names from a base drawing as
// they were, others escaped (escapeDxfSymbolName), cut to 255 bytes, and made unique ignoring
// ASCII case with a "~2", "~3" ... suffix.
std::vector<std::string> dxfSymbolNames(const std::vector<OvDbSymbolRecord>& records);
