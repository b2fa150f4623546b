// code_page_convert CORPUS RESULTS: runs a corpus file through this build's code-page backend.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "code_page_corpus.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: code_page_convert CORPUS RESULTS\n";
    return 2;
  }
  std::ifstream corpus(argv[1], std::ios::binary);
  if (!corpus) {
    std::cerr << "code_page_convert: cannot read " << argv[1] << "\n";
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(corpus)), {});
  std::ofstream results(argv[2], std::ios::binary);
  results << ow::corpus::ConvertCorpus(text);
  return results ? 0 : 1;
}
