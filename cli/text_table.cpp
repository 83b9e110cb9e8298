#include "text_table.h"

#include <algorithm>

namespace korvala::cli {

std::size_t textWidth(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

std::string padRight(const std::string& s, std::size_t width) {
    const std::size_t n = textWidth(s);
    return n >= width ? s : s + std::string(width - n, ' ');
}

std::string padLeft(const std::string& s, std::size_t width) {
    const std::size_t n = textWidth(s);
    return n >= width ? s : std::string(width - n, ' ') + s;
}

TextTable::TextTable(std::vector<std::string> header, std::string align)
    : align_(std::move(align)) {
    rows_.push_back(std::move(header));
}

std::string TextTable::str(const std::string& indent) const {
    std::vector<std::size_t> w(rows_.front().size(), 0);
    for (const auto& row : rows_)
        for (std::size_t c = 0; c < row.size() && c < w.size(); ++c)
            w[c] = std::max(w[c], textWidth(row[c]));
    std::string out;
    for (const auto& row : rows_) {
        std::string line = indent;
        for (std::size_t c = 0; c < row.size() && c < w.size(); ++c) {
            if (c > 0)
                line += "  ";
            const bool left = c < align_.size() && align_[c] == 'l';
            line += left ? padRight(row[c], w[c]) : padLeft(row[c], w[c]);
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out += line + "\n";
    }
    return out;
}

}  // namespace korvala::cli
