// SPDX-License-Identifier: GPL-3.0-or-later
// Wildcard matching for "like".
#include "jet/sql/likepattern.h"

#include "jet/format/text.h"

namespace Qb::Jet {

LikePattern::LikePattern(std::string_view utf8Pattern) : m_pattern(foldedUtf16(utf8Pattern))
{
    const std::u16string_view p(m_pattern);
    if (p.size() >= 2 && p.front() == u'%' && p.back() == u'%') {
        m_contained = p.substr(1, p.size() - 2);
        m_containsOnly = m_contained.find_first_of(u"%_") == std::u16string::npos;
    }
}

std::u16string_view LikePattern::literalPrefix() const
{
    const std::size_t wildcard = m_pattern.find_first_of(u"%_");
    return std::u16string_view(m_pattern).substr(0, wildcard);
}

bool LikePattern::isPrefixPattern() const
{
    return !m_pattern.empty() && m_pattern.find_first_of(u"%_") == m_pattern.size() - 1 && m_pattern.back() == u'%';
}

bool LikePattern::matches(std::u16string_view text) const
{
    if (m_containsOnly)
        return text.find(m_contained) != std::u16string_view::npos;
    // Iterative matching with one backtrack point for the last '%': linear for prefix patterns,
    // never exponential.
    std::size_t p = 0, t = 0;
    std::size_t starP = std::u16string::npos, starT = 0;
    while (t < text.size()) {
        if (p < m_pattern.size() && (m_pattern[p] == u'_' || m_pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < m_pattern.size() && m_pattern[p] == u'%') {
            starP = p++;
            starT = t;
        } else if (starP != std::u16string::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < m_pattern.size() && m_pattern[p] == u'%')
        ++p;
    return p == m_pattern.size();
}

} // namespace Qb::Jet
