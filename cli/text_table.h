#pragma once
// Plain-text tables for the terminal: columns as wide as their widest cell, counted in
// characters rather than bytes, since the cells hold umlauts and dashes.

#include <cstddef>
#include <string>
#include <vector>

namespace korvala::cli {

// Width of UTF-8 text in characters.
std::size_t textWidth(const std::string& s);
std::string padRight(const std::string& s, std::size_t width);
std::string padLeft(const std::string& s, std::size_t width);

// `align` holds 'l' or 'r' per column; the first row is the header. Every line starts with
// `indent`, columns are two blanks apart, trailing blanks are cut.
class TextTable {
  public:
    TextTable(std::vector<std::string> header, std::string align);
    void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    std::string str(const std::string& indent = {}) const;

  private:
    std::vector<std::vector<std::string>> rows_;
    std::string align_;
};

}  // namespace korvala::cli
