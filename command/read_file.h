// Reading a SIMA file: the import run's read loop and the dialog's pre-scan.
#pragma once

#include <string>

#include "sima/import_run.h"

namespace kestrel {

// Reads the whole file into the run: every series start is checked, logged and handed to its
// reader. Returns -1 when the file cannot be opened (nothing is logged), else 0.
int readFile(ImportRun& run, const std::string& path, io::EncodingChoice encoding);

// The same read and dispatch without checks, log lines or drawing: fills the run's records so
// the import dialog can count them. Returns -1 when the file cannot be opened, else 0.
int preScanFile(ImportRun& run, const std::string& path, io::EncodingChoice encoding);

// The file title: the path after its folder, cut before the last ".".
std::string fileTitleOf(const std::string& path);

}  // namespace kestrel
