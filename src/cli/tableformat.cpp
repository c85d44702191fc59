// SPDX-License-Identifier: GPL-3.0-or-later
// The aligned table output of query and export.
#include "cli/resultwriter.h"

#include "jet/format/text.h"

#include <algorithm>

namespace Qb::Cli {

namespace {

// Terminal columns a character takes: two for East Asian wide and full-width forms, none for
// combining marks, one otherwise.
std::size_t charWidth(char16_t c)
{
    if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F))
        return 0;
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F)
        || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F)
        || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6);
    return wide ? 2 : 1;
}

// Line breaks and tabs would break the alignment: they are shown as spaces.
std::string oneLine(std::string text)
{
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    return text;
}

std::size_t displayWidth(std::string_view utf8)
{
    std::size_t width = 0;
    for (char16_t c : Jet::utf8ToUtf16(utf8))
        width += (c >= 0xDC00 && c <= 0xDFFF) ? 0 : charWidth(c);
    return width;
}

void padded(std::string &line, const std::string &cell, std::size_t width, bool right, bool last)
{
    const std::size_t fill = width - std::min(width, displayWidth(cell));
    if (right)
        line.append(fill, ' ');
    line += cell;
    if (!right && !last)
        line.append(fill, ' ');
}

} // namespace

std::string tableText(const std::vector<std::string> &names, const std::vector<std::vector<std::string>> &cells,
                      const std::vector<bool> &numeric, bool header)
{
    std::vector<std::size_t> widths;
    for (const std::string &n : names)
        widths.push_back(header ? displayWidth(n) : 0);
    std::vector<std::vector<std::string>> shown;
    for (const auto &row : cells) {
        shown.emplace_back();
        for (std::size_t c = 0; c < row.size(); ++c) {
            shown.back().push_back(oneLine(row[c]));
            widths[c] = std::max(widths[c], displayWidth(shown.back().back()));
        }
    }
    std::string text;
    const auto line = [&](const std::vector<std::string> &row, bool alignNumbers) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c)
                text += "  ";
            padded(text, row[c], widths[c], alignNumbers && numeric[c], c + 1 == row.size());
        }
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        text += '\n';
    };
    if (header) {
        line(names, false);
        std::vector<std::string> rule;
        for (std::size_t w : widths)
            rule.push_back(std::string(w, '-'));
        line(rule, false);
    }
    for (const auto &row : shown)
        line(row, true);
    return text;
}

} // namespace Qb::Cli
