#pragma once
// Splits an SQL script into its statements: the terminator is ";" until a "SET TERM x ;" line
// changes it; comments (-- and /* */) and quoted strings are skipped when looking for it.
// SET TERM, COMMIT and SET SQL DIALECT lines are script directives, not statements.

#include <string>
#include <vector>

namespace ib {

std::vector<std::string> splitSqlScript(const std::string& script);

}  // namespace ib
