// The order query on arbitrary inputs, raw header text and page, with recording fakes behind
// both request seams: it writes the status line exactly once, ending in the date and time.
#include <cstdlib>

#include "fakes/recording_internet_api.h"
#include "fakes/recording_request_platform.h"
#include "fuzz/fuzz_input.h"
#include "query/order_status_query.h"

namespace {

class Controls final : public ow::ControlAccessors {
 public:
  Controls(ow::Text order, ow::Text email) : order_(order), email_(email) {}
  ow::Text Read编辑框1() override { return order_; }
  ow::Text Read编辑框2() override { return email_; }
  void Write标签3(const ow::Text& caption) override {
    ++writes;
    last = caption;
  }
  int writes = 0;
  ow::Text last;

 private:
  ow::Text order_;
  ow::Text email_;
};

ow::DateTime FixedNow() {
  return {2026, 12, 11, 9, 30, 5};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ow;
  fuzz::FuzzInput input(data, size);
  Controls controls(Text(input.Piece()), Text(input.Piece()));
  fakes::RecordingRequestPlatform requests;
  requests.response = {.headers = Text(input.Piece()), .status = 302};
  fakes::RecordingInternetApi internet;
  internet.page = {.rawHeaders = "HTTP/1.1 200 OK\r\n\r\n", .body = Bytes(input.Piece())};
  QueryOrderStatus({.controls = controls,
                    .storeHost = "store.test",
                    .requestPlatform = requests,
                    .internet = internet,
                    .now = &FixedNow});
  const Text tail = ConcatText("---", DateTimeToText(FixedNow()));
  if (controls.writes != 1 || CompareText(RightText(controls.last, tail.Length()), tail) != 0)
    std::abort();
  if (internet.OpenHandles() != 0) std::abort();
  return 0;
}
