// SPDX-License-Identifier: GPL-3.0-or-later
// Process entry: command-line options, the Qt application object and the main window.
#pragma once

namespace Qb::App {

// Runs Quillbox and returns the process exit code. Handles --version and --help before any
// window or file is touched.
//
// With QUILLBOX_REPORT_FIRST_PAINT set in the environment, the program prints
// "first-paint <ns>" (the steady clock, nanoseconds, the same clock as CLOCK_MONOTONIC) on
// stdout when the main window paints for the first time and then ends; the start-up benchmark
// measures with it.
int runApplication(int argc, char *argv[]);

// The message shown when the command database cannot be opened (no owner window, OK only).
// Returns after the user has dismissed it.
void showDatabaseOpenFailure();

} // namespace Qb::App
