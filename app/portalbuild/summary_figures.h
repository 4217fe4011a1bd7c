// The summary's figures as one table, which both the text and the JSON
// writer read, so that a figure is named and formatted in one place.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pw {

struct BuildSummary;

struct SummaryFigure {
  std::string_view name;   // unique; the JSON key
  std::string_view group;  // the JSON object that holds it; empty: the top level
  std::string json;        // as JSON writes it; empty: the text alone shows it
  std::string text;        // as the text shows it (its own unit where it has one)
};

// In JSON order; the text-only figures sit where the text needs them.
std::vector<SummaryFigure> summaryFigures(const BuildSummary& summary);

}  // namespace pw
