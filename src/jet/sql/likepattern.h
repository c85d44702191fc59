// SPDX-License-Identifier: GPL-3.0-or-later
// Matching text against a "like" pattern the way Jet compares text: letters ignore case;
// '%' matches any run of characters, '_' exactly one.
#pragma once

#include <string>
#include <string_view>

namespace Qb::Jet {

class LikePattern
{
public:
    explicit LikePattern(std::string_view utf8Pattern);
    // REQUIRES: `foldedText` already case-folded (foldCase on every unit).
    bool matches(std::u16string_view foldedText) const;
    // The folded characters before the first wildcard: every match starts with them.
    std::u16string_view literalPrefix() const;
    // True when the pattern is its literal start followed by a single trailing '%'.
    bool isPrefixPattern() const;

private:
    std::u16string m_pattern; // case-folded
    // For "%text%" without other wildcards (a find's pattern): `text`, which a match contains.
    std::u16string m_contained;
    bool m_containsOnly = false;
};

} // namespace Qb::Jet
