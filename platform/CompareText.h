#pragma once

#include <string_view>

namespace platform {

// The ordering the system has always used for names and version texts (the user locale's
// case-insensitive comparison): case is ignored, blanks and punctuation sort before digits,
// digits before letters, letters before any other character, and a text that continues another
// sorts after it. The hyphen and the apostrophe weigh only when the texts are otherwise equal
// ("coop" < "co-op"), and "+", "<", "=", ">" sort after "~". Returns <0, 0 or >0.
int CompareTextIgnoreCase(std::string_view a, std::string_view b);

}  // namespace platform
