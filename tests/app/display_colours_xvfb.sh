#!/bin/bash
# Runs the display-profile test against a virtual X server of its own.
# Usage: display_colours_xvfb.sh TEST_BINARY. Skips (77) without Xvfb,
# xdotool or xprop.
set -u
. "$(dirname "$0")/../support/xvfb-session.sh"
e2e_require Xvfb xdotool xprop
e2e_start_x 800x600x24
QT_QPA_PLATFORM=xcb "$1"
