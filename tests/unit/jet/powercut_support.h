// SPDX-License-Identifier: GPL-3.0-or-later
// The power-cut simulation's scenarios: libraries made in memory, the steps run on them
// (statements, a script in one transaction, a long transaction writing ahead, compaction, a
// journal played back) and a run of a scenario through the recording file layer, with its log,
// the states after each step and, when a fault was armed, what followed the failed step.
#pragma once

#include "crashsim_support.h"

#include "jet/database.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Qb::Test::Sim {

inline constexpr const char *Password = "HPQVNRtoka3906";
inline const std::string Library = "/mem/qbxdb.mdb";
inline const std::vector<std::string> TableNames = {"分类表", "命令库", "命令表", "关键字表"};
// The statement run after a failed step.
inline const std::string Probe = "insert into 分类表(分类名,序号,父类,说明) values ('probe','999','0','')";

using Rows = std::vector<std::vector<std::string>>;

// What a user can see, plus the page count (which tells a compacted file from the original and
// a rolled-back statement from a committed one).
struct State
{
    std::vector<Rows> rows;
    std::uint32_t pages = 0;
    bool operator==(const State &) const = default;
};

State stateOf(Jet::Database &db);

using DbPtr = std::unique_ptr<Jet::Database>;
// One step of a scenario: a statement, a script in one transaction, or compact. It may close
// and reopen the database (`db`).
using Step = std::function<Jet::Result<void>(DbPtr &db)>;

struct Scenario
{
    std::string name;
    std::function<Files()> base; // the library (and its journal) before the steps
    std::vector<Step> steps;
    bool opensInStep = false; // the first step opens the library (and plays its journal back)
};

// The scenarios; `full` makes each longer (more statements, more pages written ahead).
std::vector<Scenario> scenarios(bool full = false);

struct StepSpan
{
    std::size_t begin = 0, end = 0; // the step's operations in the log
    bool ok = false;
    Jet::Error error;
};

// A scenario run through the recording layer.
struct Recording
{
    Files initial;
    std::map<std::string, int> inodes;
    std::vector<Op> log;
    std::vector<State> states; // before the steps, then after each one that ran
    std::vector<StepSpan> steps;
    bool probed = false;       // the probe statement ran after the failed step
    std::size_t probeEnd = 0;  // the log's length when it returned
    Jet::Error probeError;
};

// What follows a failed step: the probe statement on the same open database, or closing it and
// opening it again as the program's next start would (nothing else in between).
enum class AfterFault { Probe, Reopen };

// Runs `s` from `base`; with a fault armed, stops at the first step that fails and goes on as
// `after` says instead of running the rest.
Recording record(const Scenario &s, const Files &base, std::optional<std::pair<std::size_t, FaultKind>> fault = {},
                 AfterFault after = AfterFault::Probe);

} // namespace Qb::Test::Sim
