// The accuracy measure in words and as JSON.
#pragma once
#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "accuracy.h"

/// Plain lines, each starting with `name`; `line_of` gives a statement's file line.
std::string accuracy_text(const Accuracy& a, const char* name, const std::map<const Statement*, long>& line_of);
nlohmann::json accuracy_json(const Accuracy& a, const std::map<const Statement*, long>& line_of);
/// True when a tolerance was given and the file's own step does not meet it.
bool accuracy_missed(const Accuracy& a);
