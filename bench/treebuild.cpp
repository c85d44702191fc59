// SPDX-License-Identifier: GPL-3.0-or-later
// qb-bench-treebuild: building the category tree of a generated library at start-up.
//   qb-bench-treebuild LIBRARY.mdb [--runs N]
// Opens the library as the program does, then times, N times each: the start-up build (one
// query for 分类表 and one per category on 命令库, into the in-memory tree) and handing the
// finished tree to a tree control. Prints the median and the slowest run of each phase and the
// goal (the whole build under 0.3 s). Runs on Qt's offscreen platform unless told otherwise.
#include "benchtiming.h"
#include "library/categorytree.h"
#include "library/sqlhelper.h"
#include "library/treebuilder.h"
#include "library/ui/treewidgetitems.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qb::Library;

namespace {

struct Timing
{
    std::vector<double> seconds;
    void add(double s) { seconds.push_back(s); }
    double median()
    {
        std::sort(seconds.begin(), seconds.end());
        return seconds[seconds.size() / 2];
    }
    double worst() const { return *std::max_element(seconds.begin(), seconds.end()); }
};

double secondsOf(QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QbBench::useOffscreenUnlessSet();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: qb-bench-treebuild LIBRARY.mdb [--runs N]\n");
        return 2;
    }
    const int runs = QbBench::runsArgument(args, 7);
    SqlHelper store;
    if (!store.Open(args[1], QString::fromLatin1(DatabasePassword))) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(args[1]), qPrintable(store.lastError()));
        return 1;
    }
    QTreeWidget widget;
    Ui::TreeWidgetItems items(&widget);
    Timing build, fill, total;
    int count = 0;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        CategoryTree tree;
        buildCategoryTree(store, tree, 1);
        const double built = secondsOf(t);
        items.assign(tree);
        const double all = secondsOf(t);
        build.add(built);
        fill.add(all - built);
        total.add(all);
        count = items.count();
    }
    std::printf("tree items: %d (runs: %d)\n", count, runs);
    std::printf("build from the database: median %.3f s, worst %.3f s\n", build.median(), build.worst());
    std::printf("fill the tree control:   median %.3f s, worst %.3f s\n", fill.median(), fill.worst());
    const double median = total.median();
    std::printf("whole start-up build:    median %.3f s, worst %.3f s (goal < 0.300 s: %s)\n", median,
                total.worst(), median < 0.3 ? "met" : "NOT met");
    return 0;
}
