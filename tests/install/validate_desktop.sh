#!/usr/bin/env bash
# The desktop entry and the AppStream description pass the checks software centres apply.
# Usage: validate_desktop.sh DESKTOP_FILE METAINFO_FILE
set -euo pipefail
desktop-file-validate "$1"
appstreamcli validate --no-net "$2"
