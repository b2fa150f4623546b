// The Linux code-page backend against the Windows one, on the same corpus: this program converts
// the corpus itself (it is linked with the Linux backend) and has the Windows build's
// code_page_convert.exe convert it under Wine, then compares every step byte for byte.
//
//   code_page_differential_test --wine-run=scripts/wine-run.sh --converter=code_page_convert.exe
//
// The few places where the two cannot agree are listed in kKnownDifferences with the reason;
// such a step must still differ, so the list never outlives the difference it explains.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "code_page_corpus.h"

namespace ow::corpus {
namespace {

std::string gWineRun;
std::string gConverter;

struct CorpusEntry {
  const char* name;
  const char* kind;  // utf8, gbk or utf16
  std::string input;
};

std::string Utf16(std::u16string_view units) {
  std::string bytes;
  for (const char16_t u : units) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  return bytes;
}

std::vector<CorpusEntry> Corpus() {
  using namespace std::string_literals;
  return {
      {"ascii", "utf8", "Order 12345, <b>&amp;</b> ~"},
      {"chinese", "utf8",
       "\xE8\xAE\xA2\xE5\x8D\x95\xE5\x8F\xB7 \xE5\xB7\xB2\xE5\x8F\x91\xE8\xB4\xA7"},
      {"euro", "utf8", "\xE2\x82\xAC"},
      {"full-width space", "utf8", "\xE3\x80\x80"},
      {"thai (not in 936)", "utf8",
       "a\xE0\xB8\x81"
       "b"},
      {"hangul (not in 936)", "utf8",
       "a\xED\x95\x9C"
       "b"},
      {"A macron (not in 936)", "utf8",
       "a\xC4\x80"
       "b"},
      {"emoji (outside the BMP)", "utf8",
       "a\xF0\x9F\x98\x80"
       "b"},
      {"CJK extension B (outside the BMP)", "utf8",
       "a\xF0\xA0\x80\x80"
       "b"},
      {"U+00AD", "utf8",
       "a\xC2\xAD"
       "b"},
      {"U+200B", "utf8",
       "a\xE2\x80\x8B"
       "b"},
      {"U+200C", "utf8",
       "a\xE2\x80\x8C"
       "b"},
      {"U+200D", "utf8",
       "a\xE2\x80\x8D"
       "b"},
      {"U+200E", "utf8",
       "a\xE2\x80\x8E"
       "b"},
      {"U+200F", "utf8",
       "a\xE2\x80\x8F"
       "b"},
      {"U+FEFF inside", "utf8",
       "a\xEF\xBB\xBF"
       "b"},
      {"U+FEFF first", "utf8",
       "\xEF\xBB\xBF"
       "x"},
      {"embedded NUL", "utf8", "ab\0cd"s},
      {"lone continuation", "utf8",
       "a\x80"
       "b"},
      {"byte FF", "utf8",
       "a\xFF"
       "b"},
      {"truncated inside", "utf8",
       "a\xE5\xB7"
       "c"},
      {"truncated at end", "utf8", "a\xE5\xB7"},
      {"overlong 2 bytes", "utf8", "\xC0\xAF"},
      {"overlong 3 bytes", "utf8", "\xE0\x80\xAF"},
      {"encoded surrogate", "utf8", "\xED\xA0\x80"},
      {"above U+10FFFF", "utf8", "\xF4\x90\x80\x80"},
      {"lead F5", "utf8", "\xF5\x80\x80\x80"},
      {"five-byte form", "utf8", "\xF8\x88\x80\x80\x80"},
      {"gbk chinese", "gbk", "\xD2\xD1\xB7\xA2\xBB\xF5"},
      {"gbk euro", "gbk", "\x80"},
      {"gbk full-width space", "gbk", "\xA1\xA1"},
      {"gbk user-defined area", "gbk", "\xAA\xA1"},
      {"gbk lead before digit", "gbk",
       "\x81"
       "0"},
      {"gbk lead before space", "gbk", "\x81 x"},
      {"gbk lead before 7F", "gbk", "\x81\x7F"},
      {"gbk lead at end", "gbk", "a\x81"},
      {"gbk byte FF", "gbk",
       "a\xFF"
       "b"},
      {"gb18030 four-byte form", "gbk", "\x81\x30\x81\x30"},
      {"lone high surrogate", "utf16",
       Utf16(u"\xD800"
             "a")},
      {"lone low surrogate", "utf16", Utf16(u"a\xDC00")},
      {"reversed surrogates", "utf16", Utf16(u"\xDC00\xD800")},
      {"U+FFFD", "utf16", Utf16(u"\xFFFD")},
      {"U+FFFF", "utf16", Utf16(u"\xFFFF")},
      {"NUL unit", "utf16", Utf16(std::u16string_view(u"a\0b", 3))},
  };
}

std::string CorpusText() {
  std::string text;
  for (const CorpusEntry& entry : Corpus()) {
    text += std::string(entry.name) + '\t' + entry.kind + '\t' + Hex(entry.input) + '\n';
  }
  return text;
}

// (case, step) -> result line without the case and step.
using Results = std::map<std::pair<std::string, std::string>, std::string>;

Results ParseResults(const std::string& text) {
  Results results;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) continue;
    results[{line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1)}] = line.substr(tab2 + 1);
  }
  return results;
}

std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

Results WindowsResults(const std::string& corpus) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orderwatch-code-page-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::filesystem::path corpusFile = dir / "corpus.txt";
  const std::filesystem::path resultFile = dir / "results.txt";
  std::ofstream(corpusFile, std::ios::binary) << corpus;
  const std::string command = Quote(gWineRun) + " " + Quote(gConverter) + " " +
                              Quote(corpusFile.string()) + " " + Quote(resultFile.string());
  const int status = std::system(command.c_str());
  std::ifstream resultStream(resultFile, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(resultStream)), {});
  std::filesystem::remove_all(dir);
  EXPECT_EQ(status, 0) << command;
  return ParseResults(text);
}

// Cases where the Linux backend does not give what Wine's conversion gives, and why. A case here
// must still differ in at least one step. There are none at present: best fit, malformed UTF-8
// and stray lead bytes were all brought in line with what Wine shows.
const std::map<std::string, const char*> kKnownDifferences = {};

TEST(CodePageDifferential, LinuxBackendGivesWhatWindowsGives) {
  ASSERT_FALSE(gWineRun.empty()) << "--wine-run is required";
  ASSERT_FALSE(gConverter.empty()) << "--converter is required";
  const std::string corpus = CorpusText();
  const Results linuxResults = ParseResults(ConvertCorpus(corpus));
  const Results windows = WindowsResults(corpus);
  ASSERT_EQ(windows.size(), linuxResults.size())
      << "the Windows converter did not convert every case";

  std::set<std::string> differing;
  for (const auto& [key, linuxLine] : linuxResults) {
    const auto found = windows.find(key);
    ASSERT_NE(found, windows.end()) << key.first << " / " << key.second;
    if (linuxLine == found->second) continue;
    differing.insert(key.first);
    EXPECT_TRUE(kKnownDifferences.contains(key.first))
        << key.first << " / " << key.second
        << " (needed, written, short, hex)\n  Linux:   " << linuxLine
        << "\n  Windows: " << found->second;
  }
  for (const auto& [name, reason] : kKnownDifferences) {
    EXPECT_TRUE(differing.contains(name))
        << name << " now agrees; drop it from the known differences (" << reason << ")";
  }
}

}  // namespace
}  // namespace ow::corpus

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind("--wine-run=", 0) == 0) ow::corpus::gWineRun = argument.substr(11);
    if (argument.rfind("--converter=", 0) == 0) ow::corpus::gConverter = argument.substr(12);
  }
  return RUN_ALL_TESTS();
}
