#pragma once

#include <cstdint>
#include <string>

// An integer field of a gateway reply (the result code, an amount in fen, a count) as a
// number: blanks before it, a sign, decimal digits or hexadecimal after "$" or "0x", 32 bits,
// nothing after it. Raises Exception "'<text>' is not a valid integer value" otherwise.
int32_t ReplyInteger(const std::string& text);
