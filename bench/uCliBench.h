// The command line's rows of the speed benchmark: whole runs of tessarine-cli over a tree of files,
// against `cp -r` of that tree and against two single-job runs side by side on its two halves.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Transformations/uTransformActions.h"
#include "uBenchHarness.h"

namespace tess::bench {

struct TCliBenchOptions {
  std::string Cli;               // the tessarine-cli to time
  std::filesystem::path Corpus;  // with text/ and binary/
  int Files = 2000;              // files in each tree
  int Runs = 3;                  // runs of each command; the median is reported
  bool Quiet = false;            // no progress lines on standard error
};

// The four edits of the transformation path: properties most forms hold, so that every file changes.
std::vector<std::unique_ptr<transform::TTransformAction>> RemoveActions();

using TFactors = std::vector<std::pair<std::string, double>>;

// Builds the trees in ATemp (left there for the caller to remove), times every command and adds one
// row per command to ARows and the speed-ups and ratios to AFactors.
void MeasureCli(const TCliBenchOptions& AOptions, const std::filesystem::path& ATemp, std::vector<TResultRow>& ARows,
                TFactors& AFactors);

}  // namespace tess::bench
