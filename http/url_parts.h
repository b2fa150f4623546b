// Host, port and path of a request address, by plain text search.
#pragma once

#include "text/text.h"

namespace ow {

Text UrlHost(const Text& url, bool keepPort = false);
int UrlPort(const Text& url);
Text UrlPath(const Text& url);

}  // namespace ow
