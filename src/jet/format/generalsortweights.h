// SPDX-License-Identifier: GPL-3.0-or-later
// Comparing text in the General sort order (LCID 1033) for conditions and ordering: the
// primary (inline) weights of every character of the Basic Multilingual Plane, derived from
// the sort order's code tables (tools/gen-generalsort-weights.py). Index keys keep to the
// characters generalsort.h knows; this covers the rest for comparisons only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Qb::Jet::GeneralSort {

// Characters first .. first + count - 1 weigh value, value + step, ...; each weight is `size`
// bytes, high first.
struct WeightRun
{
    std::uint32_t first;
    std::uint32_t count;
    std::uint32_t value;
    std::int32_t step;
    std::uint8_t size;
};

extern const WeightRun WeightRuns[];
extern const std::size_t WeightRunCount;

// Appends the primary sort key of `text`: the inline weights of its characters, trailing blanks
// dropped. Letters weigh the same in either case; characters the order ignores or weighs out of
// line (the apostrophe, the hyphen, controls) add nothing, as do characters outside the tables.
// Comparing two keys bytewise orders the texts as the General sort order's first level does.
void appendSortKey(std::u16string_view text, std::string &key);

} // namespace Qb::Jet::GeneralSort
