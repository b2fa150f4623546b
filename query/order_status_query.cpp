// The order status query: ask the store's order-view service for one order and write what it
// says into the status line.
#include "query/order_status_query.h"

#include "http/win_http_fetch.h"
#include "http/win_inet_fetch.h"
#include "text/convert.h"

namespace ow {

Text OrderViewHeaders(const Text& host) {
  // The block opens with CR LF, so its first line is empty; the request routine skips it.
  return ConcatText(
      "\r\nHost: ", host,
      "\r\nConnection: keep-alive"
      "\r\nUpgrade-Insecure-Requests: 1"
      "\r\nUser-Agent: Mozilla/5.0 (Linux; Android 6.0; Nexus 5 Build/MRA58N) AppleWebKit/537.36"
      " (KHTML, like Gecko) Chrome/69.0.3497.100 Mobile Safari/537.36"
      "\r\nAccept: text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,"
      "image/apng,*/*;q=0.8"
      "\r\nAccept-Encoding: gzip, deflate, br"
      "\r\nAccept-Language: zh-CN,zh;q=0.9");
}

void QueryOrderStatus(const QueryEnvironment& environment) {
  // The inputs go into the address exactly as typed: the store expects them that way.
  Text orderNumber = environment.controls.Read编辑框1();
  Text email = environment.controls.Read编辑框2();
  Text orderUrl =
      ConcatText("https://", environment.storeHost, "/go/cn/vieworder/", orderNumber, "/", email);

  // The service answers with a redirect; only its target matters, so the body, the cookies and
  // the completed header block are dropped with this scope.
  Text responseHeaders;
  {
    Text returnedCookies;
    Text headers = OrderViewHeaders(environment.storeHost);
    WinHttpFetchArgs orderView;
    orderView.url = orderUrl;
    orderView.method = kGet;
    orderView.returnedCookies = &returnedCookies;
    orderView.headers = &headers;
    orderView.returnedHeaders = &responseHeaders;
    orderView.noRedirect = true;
    orderView.autoMergeCookies = true;
    WinHttpFetch(environment.requestPlatform, orderView);
  }
  Text location = TextBetween(responseHeaders, "Location: ", "\r\n");

  // A missing target is not checked for: an empty address simply yields an empty page, and the
  // status line then shows the time alone.
  WinInetFetchArgs statusPage;
  statusPage.url = location;
  Bytes body = WinInetFetch(environment.internet, statusPage);
  Text page = Utf8ToLocalText(body);

  Text status = TextBetween(page, "\"currentStatus\":\"", "\"");
  Text descriptionMarker = ConcatText("\"", status, "\" : \"");
  Text description = TextBetween(page, descriptionMarker, "\",");

  // The clock is read only now, so the line tells when the answer arrived.
  Text caption = ConcatText(description, "---", DateTimeToText(environment.now()));
  environment.controls.Write标签3(caption);
}

}  // namespace ow
