#include "code_page_corpus.h"

#include <sstream>
#include <stdexcept>
#include <vector>

#include "text/code_page.h"

namespace ow::corpus {
namespace {

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

std::u16string WideFromHex(std::string_view hex) {
  const std::string bytes = FromHex(hex);
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return units;
}

struct Step {
  int needed;
  int written;
  int shortAnswer;
  std::string hex;
};

Step ToWide(unsigned codePage, std::string_view input, std::u16string* output) {
  const char* data = input.data();
  const int length = static_cast<int>(input.size());
  Step step{};
  step.needed = MultiByteToWide(codePage, data, length, nullptr, 0);
  std::vector<char16_t> buffer(static_cast<std::size_t>(step.needed > 0 ? step.needed : 0) + 1);
  step.shortAnswer =
      step.needed > 1 ? MultiByteToWide(codePage, data, length, buffer.data(), step.needed - 1) : 0;
  step.written = MultiByteToWide(codePage, data, length, buffer.data(), step.needed);
  output->assign(buffer.data(), static_cast<std::size_t>(step.written > 0 ? step.written : 0));
  step.hex = HexOfWide(*output);
  return step;
}

Step FromWide(unsigned codePage, std::u16string_view input) {
  const char16_t* data = input.data();
  const int length = static_cast<int>(input.size());
  Step step{};
  step.needed = WideToMultiByte(codePage, data, length, nullptr, 0);
  std::vector<char> buffer(static_cast<std::size_t>(step.needed > 0 ? step.needed : 0) + 1);
  step.shortAnswer =
      step.needed > 1 ? WideToMultiByte(codePage, data, length, buffer.data(), step.needed - 1) : 0;
  step.written = WideToMultiByte(codePage, data, length, buffer.data(), step.needed);
  step.hex = Hex(std::string_view(buffer.data(),
                                  static_cast<std::size_t>(step.written > 0 ? step.written : 0)));
  return step;
}

void Write(std::ostringstream& out, std::string_view name, std::string_view stepName,
           const Step& step) {
  out << name << '\t' << stepName << '\t' << step.needed << '\t' << step.written << '\t'
      << step.shortAnswer << '\t' << step.hex << '\n';
}

}  // namespace

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 15]);
  }
  return hex;
}

std::string HexOfWide(std::u16string_view units) {
  std::string bytes;
  for (const char16_t u : units) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  return Hex(bytes);
}

std::string ConvertCorpus(std::string_view corpus) {
  std::istringstream in{std::string(corpus)};
  std::ostringstream out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    if (tab1 == std::string::npos || tab2 == std::string::npos) {
      throw std::runtime_error("malformed corpus line: " + line);
    }
    const std::string name = line.substr(0, tab1);
    const std::string kind = line.substr(tab1 + 1, tab2 - tab1 - 1);
    const std::string_view hex = std::string_view(line).substr(tab2 + 1);
    std::u16string wide;
    if (kind == "utf16") {
      wide = WideFromHex(hex);
    } else {
      const unsigned codePage = kind == "gbk" ? kCodePageGbk : kCodePageUtf8;
      Write(out, name, "wide", ToWide(codePage, FromHex(hex), &wide));
    }
    Write(out, name, "gbk", FromWide(kCodePageGbk, wide));
    Write(out, name, "utf8", FromWide(kCodePageUtf8, wide));
  }
  return out.str();
}

}  // namespace ow::corpus
