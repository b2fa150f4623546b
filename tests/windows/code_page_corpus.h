// A corpus of code-page conversions run through the code-page seam, in a plain text form that
// both platforms' programs read and write, so the two backends can be compared byte for byte.
//
// Corpus lines:  NAME <TAB> KIND <TAB> HEX
//   KIND utf8 or gbk: multi-byte input in code page 65001 or 936, converted to UTF-16, and the
//   UTF-16 result converted on to 936 and to 65001; KIND utf16: UTF-16 input (little-endian
//   units), converted to 936 and to 65001.
// Result lines:  NAME <TAB> STEP <TAB> NEEDED <TAB> WRITTEN <TAB> SHORT <TAB> HEX
//   STEP is "wide", "gbk" or "utf8"; NEEDED the size the seam asks for, WRITTEN what it answers
//   when given exactly that room, SHORT what it answers given one unit less (0 when that would
//   be no room at all, which the Windows calls take as a size query), HEX the output.
#pragma once

#include <string>
#include <string_view>

namespace ow::corpus {

std::string ConvertCorpus(std::string_view corpus);

std::string Hex(std::string_view bytes);
std::string HexOfWide(std::u16string_view units);

}  // namespace ow::corpus
