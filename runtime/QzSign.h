#pragma once

#include <string>

// The request signature: the root element's non-empty children except any "sign", sorted by
// name without regard to case, joined as name=value&...&key=Key, MD5 of it in 32 upper-case
// hexadecimal digits. Xml is the document text (UTF-8). Any failure is logged and leaves Sign
// as it was.
void MakeSign(const std::string& Xml, const std::string& Key, std::string& Sign);
