// What every fuzz target shares: the rule that the system's own exceptions are answers, anything else a finding.
#pragma once

#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "Shared/Common/uException.h"

namespace tess::fuzz {

// The message of the last refusal Accepts saw, for the report of a finding that follows it.
inline std::string& LastRefusal() {
  static std::string message;
  return message;
}

// A finding the sanitizers cannot see (a wrong answer rather than a bad access): say what and
// abort, so libFuzzer keeps the input as a crash.
[[noreturn]] inline void Fail(const char* AWhat, std::string_view ADetail = {}) {
  std::fprintf(stderr, "fuzz finding: %s\n", AWhat);
  if (!LastRefusal().empty()) std::fprintf(stderr, "last refusal: %s\n", LastRefusal().c_str());
  if (!ADetail.empty()) std::fprintf(stderr, "detail:\n%.*s\n", static_cast<int>(ADetail.size()), ADetail.data());
  std::abort();
}

// Runs AStep; a tess::common::Exception is a refusal of bad input and counts as an expected
// result (false), anything else thrown is a finding.
template <typename F>
bool Accepts(F&& AStep) {
  LastRefusal().clear();
  try {
    AStep();
    return true;
  } catch (const common::Exception& error) {
    LastRefusal() = error.what();
    return false;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "fuzz finding: foreign exception: %s\n", error.what());
    std::abort();
  }
}

// A private folder for targets whose parser reads only from a file; removed when the process ends.
inline const std::string& ScratchDir() {
  static const std::string dir = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tess-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) Fail("no scratch folder");
    return pattern;
  }();
  return dir;
}

inline void WriteScratchFile(const std::string& APath, std::string_view ABytes) {
  std::FILE* file = std::fopen(APath.c_str(), "wb");
  if (!file) Fail("cannot write the scratch file");
  if (!ABytes.empty() && std::fwrite(ABytes.data(), 1, ABytes.size(), file) != ABytes.size()) Fail("short write");
  std::fclose(file);
}

}  // namespace tess::fuzz
