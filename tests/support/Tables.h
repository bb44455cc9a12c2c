// Tables of cases kept as text beside the tests: a row a line, its fields separated by
// tabs; blank lines and lines that start with # are left out.
#ifndef TESTS_SUPPORT_TABLES_H
#define TESTS_SUPPORT_TABLES_H

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// The rows of the table at path, each its fields in order (empty ones among them kept);
// none when the file cannot be read.
inline std::vector<std::vector<std::string>> ReadTable(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string>& row = rows.emplace_back();
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');) row.push_back(field);
  }
  return rows;
}

#endif
