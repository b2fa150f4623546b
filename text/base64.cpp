#include "text/convert.h"

namespace ow {

Text Base64Encode(const Bytes& data) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::string_view in = data.View();
  if (in.empty()) return Text("");
  std::string out;
  out.reserve((in.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < in.size(); i += 3) {
    const std::size_t left = in.size() - i;
    const auto b0 = static_cast<unsigned char>(in[i]);
    const auto b1 = left > 1 ? static_cast<unsigned char>(in[i + 1]) : 0u;
    const auto b2 = left > 2 ? static_cast<unsigned char>(in[i + 2]) : 0u;
    out += kAlphabet[b0 >> 2];
    out += kAlphabet[((b0 & 3u) << 4) | (b1 >> 4)];
    out += left > 1 ? kAlphabet[((b1 & 15u) << 2) | (b2 >> 6)] : '=';
    out += left > 2 ? kAlphabet[b2 & 63u] : '=';
  }
  return Text(out);
}

}  // namespace ow
