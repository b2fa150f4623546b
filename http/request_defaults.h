// What the two request routines share: the method codes and the request header lines they add
// to a caller's header block when the caller has not written them.
#pragma once

#include <string_view>

#include "text/text.h"

namespace ow {

// The agent both routines announce when the caller names none.
inline constexpr std::string_view kDefaultUserAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
// The body type a POST declares when the caller names none.
inline constexpr std::string_view kFormContentType = "application/x-www-form-urlencoded";

// The method code with a code outside 0..7 taken as 0 (GET).
int ValidMethodCode(int methodCode);
// "GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE" or "CONNECT"; GET outside 0..7.
Text MethodName(int methodCode);

// Appends the line "name: value" unless `block` already holds "name:" anywhere, values
// included, in exactly that letter case. The line goes after a CR LF, except into an empty
// block, which it then makes up alone.
void AddHeaderLineIfMissing(Text& block, std::string_view name, const Text& value);

// The address with any CR and LF in it written as %0D and %0A. A line break in an address
// (typed into an input box, or sent by a server in a redirect target) must reach the wire only
// escaped: raw, it would end the request line or a header line early and let the rest stand as
// a header line of its own.
Text EscapeLineBreaks(const Text& url);

// The Accept, Referer and Accept-Language lines, in that order, each only when missing. The
// Referer is the address with its line breaks escaped.
void AddCommonHeaderLines(Text& block, const Text& url);

}  // namespace ow
