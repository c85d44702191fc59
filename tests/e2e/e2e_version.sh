#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The binary starts and answers --version and --help.
# Usage: e2e_version.sh <quillbox> <quillbox-mdb> <qb-testclient>
set -euo pipefail
# shellcheck source=support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/common.sh"
quillbox=$1
"$quillbox" --version | grep -q '^Quillbox 0\.' || fail "--version printed: $("$quillbox" --version)"
"$quillbox" --help | grep -q -- '--version' || fail "--help does not list --version"
echo "e2e_version: ok"
