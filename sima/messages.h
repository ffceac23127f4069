// The module's message table, in Japanese and English.
#pragma once

#include <string_view>

namespace kestrel::sima {

enum class Language { Japanese, English };

// Message `id` (100 to 155) in the given language; empty for an unknown id.
std::string_view message(int id, Language language);

}  // namespace kestrel::sima
