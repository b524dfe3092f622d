// The corpus of IDE-written form files as the tests read it: file lists, converted pairs, bytes and
// line breaks.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace tess::testing {

inline const std::filesystem::path kCorpus = TESS_CORPUS_DIR;

// The file names of one corpus folder, sorted so that runs are repeatable.
inline std::vector<std::string> FilesIn(const char* AFolder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(kCorpus / AFolder))
    if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string ReadFile(const std::filesystem::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// One row of the corpus's PAIRS.tsv: a binary form, the text form the IDE converted it to, and
// the note on the conversion.
struct TCorpusPair {
  std::string Binary, Text, Note;
};

inline std::vector<TCorpusPair> CorpusPairs() {
  std::vector<TCorpusPair> pairs;
  std::ifstream in(kCorpus / "PAIRS.tsv", std::ios::binary);
  std::string line;
  std::getline(in, line);  // the column names
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    if (fields.size() >= 6) pairs.push_back({fields[0], fields[1], fields[5]});
  }
  return pairs;
}

// The stored bytes with every line break (CR LF, lone LF, lone CR) made ABreak.
inline std::string WithLineBreaks(std::string_view ABytes, std::string_view ABreak) {
  std::string result;
  result.reserve(ABytes.size() + ABytes.size() / 16);
  for (size_t i = 0; i < ABytes.size(); ++i) {
    const char c = ABytes[i];
    if (c == '\r') {
      if (i + 1 < ABytes.size() && ABytes[i + 1] == '\n') ++i;
      result += ABreak;
    } else if (c == '\n') {
      result += ABreak;
    } else {
      result.push_back(c);
    }
  }
  return result;
}

inline std::string WithCrLf(std::string_view ABytes) { return WithLineBreaks(ABytes, "\r\n"); }

// A test name from a corpus file name: gtest allows only letters, digits and underscores.
inline std::string TestNameOf(const std::string& AFile) {
  std::string name;
  for (char c : AFile) name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
  return name;
}

}  // namespace tess::testing
