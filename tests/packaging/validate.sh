#!/usr/bin/env bash
# Runs a validator, or skips when it is not installed.
#   validate.sh TOOL DEBIAN-PACKAGE ARGUMENTS...
source "$(dirname "$0")/common.sh"
need "$1" "$2"
tool="$1"
shift 2
"$tool" "$@"
