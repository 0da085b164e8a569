// The HTML report of a run: one self-contained page (inline CSS and SVG,
// nothing fetched, no script) with the input summarised in tables, the
// summary, the diagrams against depth with the stages overlaid, the
// earth-pressure distribution, the p-y curves and the convergence history.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Summary.h"
#include "korven/analysis.h"

namespace korven::present {

// `inputText` is the input data file as read (shown folded at the end of the
// input section); empty leaves it out.
std::string htmlReport(const AnalysisResult& result, const std::vector<std::string>& warnings,
                       const RunInfo& info, std::string_view inputText);

}  // namespace korven::present
