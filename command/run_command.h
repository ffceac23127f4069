// The import command: gathers what the import needs, shows the dialogs and runs the import.
#pragma once

namespace kestrel {

// The handler of the command "Kestrel".
void runKestrelCommand();

// Forgets the settings kept between runs (the module is being unloaded).
void resetImportSettings();

}  // namespace kestrel
