// What the libcurl backends let onto the wire, whichever seam a request comes through: which
// header names and values are acceptable, how unsafe bytes of an address are escaped, and which
// entry of a proxy list serves an address.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ow {

// Header names, schemes and hosts compare without regard to ASCII letter case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// A header name is a non-empty token: no space, colon, control byte or byte of 0x80 and above.
bool IsValidHeaderName(std::string_view name);
// A header value holds no CR, LF or NUL, so it can never end its line early.
bool IsValidHeaderValue(std::string_view value);

// An absolute http or https address made ready for the request line: in its path and query,
// control bytes, spaces, bytes of 0x80 and above and the characters " < > [ \ ] ^ ` { | } are
// percent-escaped; "%" stays as it is, so an escaped address stays as it was. The fragment is
// dropped, as it never goes to a server. Empty when the address is not http or https or has no
// host.
std::string EscapeUrl(std::string_view url);

// "http" or "https" for an escaped address (any letter case), empty otherwise.
std::string UrlScheme(std::string_view url);

// The proxy that serves an address of `scheme` under a proxy list in the platform's syntax:
// entries separated by spaces or ';', each "[scheme=][http://]host[:port]". An entry with
// "scheme=" serves that scheme only, a bare entry every scheme. Answers "host:port" (port 80
// when none is given), or nothing when no entry serves the scheme.
std::optional<std::string> ProxyForScheme(std::string_view proxyList, std::string_view scheme);

}  // namespace ow
