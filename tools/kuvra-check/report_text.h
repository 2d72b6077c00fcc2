// The words of the checker's report: the plot settings and the dry run in plain lines and as JSON.
// Numbers are written with std::to_chars (never the locale); texts go into JSON as valid UTF-8.
#pragma once
#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "dry_run.h"
#include "line_view.h"
#include "text_output.h"

/// "spline" for a geometry kind, the keyword's name for another keyword, else the number.
std::string geometry_name(int geometry);
/// One line of the plot settings the file leaves, without its name prefix or line feed.
std::string settings_text();
/// The dry run in plain lines, each starting with `name`; `line_of` gives a statement's file line, and
/// a failure that one of `warnings` explains is told in the warning's words.
std::string dry_run_text(const DryRun& run, const char* name, const std::map<const Statement*, long>& line_of,
                         const std::vector<Warning>& warnings);
/// The dry run as one JSON object.
nlohmann::json dry_run_json(const DryRun& run, const std::map<const Statement*, long>& line_of,
                            const std::vector<Warning>& warnings);
