// docs/errors.md against the code: every error number the program can report (the numbers of
// services/errors.h, and 1000 plus each failing result code of the extraction library, with the
// library's meaning) has its row, and no row names a number the code cannot report.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "unzip/dunzip.h"

namespace {

std::string ReadSource(const std::string& name) {
  std::ifstream file(std::string(VNT_SOURCE_DIR) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(ErrorNumbers, TheDocumentListsEveryNumberTheCodeCanReport) {
  std::map<unsigned, std::string> expected;  // number -> the meaning the row must give, or ""
  std::string header = ReadSource("services/errors.h");
  std::string numbers = header.substr(header.find("enum ErrorNumber"));
  numbers = numbers.substr(0, numbers.find("};"));
  std::regex member(R"(kError(\w+) = (\d+),)");
  for (std::sregex_iterator it(numbers.begin(), numbers.end(), member), end; it != end; ++it) {
    if ((*it)[1] != "UnzipBase") expected[std::stoul((*it)[2])] = "";
  }
  ASSERT_GT(expected.size(), 30u);
  for (int32_t code = 1; code < kUnzipResultCount; ++code) {
    if (code != kUnzipSkipped && UnzipResultText(code)[0] != '\0') {
      expected[1000u + static_cast<unsigned>(code)] = UnzipResultText(code);
    }
  }

  std::map<unsigned, std::string> documented;
  std::istringstream rows(ReadSource("docs/errors.md"));
  std::regex row(R"(^\| (\d+) \| ([^|]*) \|)");
  for (std::string line; std::getline(rows, line);) {
    std::smatch match;
    if (!std::regex_search(line, match, row)) continue;
    EXPECT_TRUE(documented.emplace(std::stoul(match[1]), match[2]).second) << line;
  }
  for (const auto& [number, meaning] : expected) {
    auto found = documented.find(number);
    if (found == documented.end()) {
      ADD_FAILURE() << "error " << number << " has no row in docs/errors.md";
    } else if (!meaning.empty()) {
      EXPECT_EQ(found->second, meaning) << "error " << number;
    }
  }
  for (const auto& entry : documented) {
    EXPECT_TRUE(expected.count(entry.first)) << "docs/errors.md lists " << entry.first;
  }
}

}  // namespace
