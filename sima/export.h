// Symbols the module makes visible to its host; everything else stays hidden.
#pragma once

#define KESTREL_EXPORT __attribute__((visibility("default")))
