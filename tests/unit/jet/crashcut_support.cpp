// SPDX-License-Identifier: GPL-3.0-or-later
// The crash model: the files a disk may hold after a cut of the recorded log.
#include "crashsim_support.h"

#include <algorithm>

using namespace Qb::Jet;

namespace Qb::Test {

CrashCut::CrashCut(const Files &initial, const std::map<std::string, int> &inodes, const std::vector<Op> &log,
                   std::size_t cut)
    : m_log(log)
{
    for (const auto &[name, inode] : inodes) {
        m_inodes[inode].base = initial.at(name);
        m_names[name] = inode;
    }
    for (std::size_t i = 0; i < cut && i < log.size(); ++i) {
        const Op &op = log[i];
        switch (op.kind) {
        case OpKind::Write:
        case OpKind::Truncate:
            m_inodes[op.inode].ops.push_back(i);
            m_inodes[op.inode].uncertain.insert(i);
            break;
        case OpKind::Sync: {
            Inode &node = m_inodes[op.inode];
            if (op.failed) {
                node.limbo.insert(node.uncertain.begin(), node.uncertain.end());
                break;
            }
            std::erase_if(node.uncertain, [&](std::size_t o) { return !node.limbo.contains(o); });
            if (node.uncertain.empty()) { // nothing left in doubt: fold into the certain bytes
                node.base = build1(node, {}, {});
                node.ops.clear();
            }
            break;
        }
        case OpKind::Create:
            m_inodes[op.inode];
            m_pendingNames.push_back(i);
            break;
        case OpKind::Rename:
        case OpKind::Remove: m_pendingNames.push_back(i); break;
        case OpKind::SyncDirectory:
            if (!op.failed) {
                m_names = applyNames(m_names, m_pendingNames, {});
                m_pendingNames.clear();
            }
            break;
        }
    }
    for (const auto &[inode, node] : m_inodes)
        m_candidates.insert(m_candidates.end(), node.uncertain.begin(), node.uncertain.end());
    m_candidates.insert(m_candidates.end(), m_pendingNames.begin(), m_pendingNames.end());
    std::sort(m_candidates.begin(), m_candidates.end());
}

std::map<std::string, int> CrashCut::applyNames(std::map<std::string, int> names, const std::vector<std::size_t> &ops,
                                                const std::map<std::size_t, bool> &kept) const
{
    for (std::size_t i : ops) {
        if (auto k = kept.find(i); k != kept.end() && !k->second)
            continue;
        const Op &op = m_log[i];
        if (op.kind == OpKind::Create)
            names[op.name] = op.inode;
        else if (op.kind == OpKind::Remove)
            names.erase(op.name);
        else if (auto it = names.find(op.name); it != names.end() && it->second == op.inode) {
            names[op.to] = op.inode;
            names.erase(op.name);
        }
    }
    return names;
}

// The bytes of `node` with every certain operation and the uncertain ones `kept` says to keep.
FileBytes CrashCut::build1(const Inode &node, const std::map<std::size_t, bool> &kept,
                           const std::map<std::size_t, const std::vector<bool> *> &torn) const
{
    FileBytes bytes = node.base;
    for (std::size_t i : node.ops) {
        if (node.uncertain.contains(i)) {
            auto k = kept.find(i);
            if (k == kept.end() || !k->second)
                continue;
        }
        const Op &op = m_log[i];
        if (op.kind == OpKind::Truncate) {
            bytes.resize(op.size);
            continue;
        }
        auto t = torn.find(i);
        if (t == torn.end() || t->second->empty()) {
            bytes.write(op.offset, op.bytes);
            continue;
        }
        const std::uint64_t end = op.offset + op.bytes.size();
        for (std::uint64_t s = op.offset / 512, n = 0; s * 512 < end; ++s, ++n) {
            if (!(*t->second)[std::size_t(n)])
                continue;
            const std::uint64_t from = std::max(op.offset, s * 512), to = std::min(end, (s + 1) * 512);
            bytes.write(from, ByteRun(op.bytes).subspan(std::size_t(from - op.offset), std::size_t(to - from)));
        }
    }
    return bytes;
}

std::size_t CrashCut::sectorsOf(std::size_t candidate) const
{
    const Op &op = m_log[m_candidates[candidate]];
    if (op.kind != OpKind::Write || op.bytes.empty())
        return 0;
    return std::size_t((op.offset + op.bytes.size() - 1) / 512 - op.offset / 512 + 1);
}

Files CrashCut::build(const Choice &choice) const
{
    std::map<std::size_t, bool> kept;
    std::map<std::size_t, const std::vector<bool> *> torn;
    for (std::size_t c = 0; c < m_candidates.size(); ++c) {
        kept[m_candidates[c]] = choice.keep[c];
        if (c < choice.sectors.size())
            torn[m_candidates[c]] = &choice.sectors[c];
    }
    Files out;
    for (const auto &[name, inode] : applyNames(m_names, m_pendingNames, kept))
        out[name] = build1(m_inodes.at(inode), kept, torn);
    return out;
}

std::vector<Choice> CrashCut::choices(std::size_t randomCount, std::mt19937_64 &rnd, std::size_t prefixLimit) const
{
    const std::size_t n = m_candidates.size();
    std::vector<Choice> out;
    out.push_back({std::vector<bool>(n, false), {}, "none of the uncertain operations"});
    if (n == 0)
        return out;
    out.push_back({std::vector<bool>(n, true), {}, "all of the uncertain operations"});
    // Prefix lengths 1 .. n, evenly spread when there are more than prefixLimit.
    const std::size_t count = std::min(n, prefixLimit);
    for (std::size_t j = 1; j <= count; ++j) {
        const std::size_t len = count == n ? j : std::max<std::size_t>(1, j * n / count);
        Choice whole{std::vector<bool>(n, false), std::vector<std::vector<bool>>(n), ""};
        std::fill_n(whole.keep.begin(), len, true);
        if (len < n) {
            whole.describe = "the first " + std::to_string(len) + " of " + std::to_string(n) + " uncertain operations";
            out.push_back(whole);
        }
        if (const std::size_t sectors = sectorsOf(len - 1); sectors > 1) {
            whole.sectors[len - 1].assign(sectors, false);
            std::fill_n(whole.sectors[len - 1].begin(), sectors / 2, true);
            whole.describe = "the first " + std::to_string(len) + " of " + std::to_string(n)
                             + " uncertain operations, the last torn after " + std::to_string(sectors / 2) + " sectors";
            out.push_back(std::move(whole));
        }
    }
    for (std::size_t r = 0; r < randomCount; ++r) {
        Choice c{std::vector<bool>(n), std::vector<std::vector<bool>>(n), "random subset " + std::to_string(r)};
        for (std::size_t i = 0; i < n; ++i) {
            c.keep[i] = rnd() & 1;
            if (const std::size_t sectors = sectorsOf(i); c.keep[i] && sectors > 1 && rnd() % 2 == 0) {
                c.sectors[i].resize(sectors);
                for (std::size_t s = 0; s < sectors; ++s)
                    c.sectors[i][s] = rnd() & 1;
            }
        }
        out.push_back(std::move(c));
    }
    return out;
}

} // namespace Qb::Test
