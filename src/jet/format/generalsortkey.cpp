// SPDX-License-Identifier: GPL-3.0-or-later
// Primary General sort keys from the derived weight runs.
#include "jet/format/generalsortweights.h"

#include <algorithm>

namespace Qb::Jet::GeneralSort {

namespace {

const WeightRun *runOf(char16_t c)
{
    const WeightRun *end = WeightRuns + WeightRunCount;
    const WeightRun *it = std::upper_bound(WeightRuns, end, std::uint32_t(c),
                                           [](std::uint32_t v, const WeightRun &r) { return v < r.first; });
    if (it == WeightRuns)
        return nullptr;
    --it;
    return c < it->first + it->count ? it : nullptr;
}

} // namespace

void appendSortKey(std::u16string_view text, std::string &key)
{
    while (!text.empty() && text.back() == u' ')
        text.remove_suffix(1);
    for (char16_t c : text) {
        const WeightRun *run = runOf(c);
        if (!run)
            continue;
        const std::uint32_t weight = run->value + std::uint32_t(run->step * std::int32_t(c - run->first));
        for (int byte = run->size - 1; byte >= 0; --byte)
            key += char(static_cast<std::uint8_t>(weight >> (8 * byte)));
    }
}

} // namespace Qb::Jet::GeneralSort
