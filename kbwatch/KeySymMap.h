#pragma once

#include <cstdint>

namespace kbwatch {

// The Windows virtual-key code of an X keysym (US layout for punctuation); 0 when it has none.
int KeySymToVirtualKey(uint32_t keysym);

// Which of a key's first two keysyms counts: the second (the digit) for a keypad key while NumLock
// is on, the first otherwise. Letters come as their lower-case keysym, which names the key.
uint32_t EffectiveKeySym(uint32_t first, uint32_t second, bool numLock);

}  // namespace kbwatch
